// The design chooser's lists and double click, over a throw-away installation
// with the dialogs recorded and the volumes given by the test.
#include "shell/core/designchooser.h"

#include "platform/testing/recorders.h"
#include "platform/testing/filesizelimit.h"
#include "testinstallation.h"

#include <QDir>

using namespace platform::testing;

namespace {

class ChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir(inst.folder()).mkpath("styles");
        QDir(inst.folder()).mkpath("backgrounds");
        QDir(wallpapers.path()).mkpath(".");
        inst.writeFile("style.swf", "the current style");
        inst.writeFile("background.swf", "the current background");
    }

    DesignChooser &chooser(const QString &wallpaperFolder = QString())
    {
        const Installation installation(Edition::Full, inst.folder(), inst.work(),
                                        wallpaperFolder.isNull() ? wallpapers.path() : wallpaperFolder);
        m_chooser = std::make_unique<DesignChooser>(installation, dialogs,
                                                    [this] { return volumes; });
        return *m_chooser;
    }

    static QStringList texts(const QList<DesignEntry> &entries, int image = DesignEntry::fileImage)
    {
        QStringList names;
        for (const DesignEntry &e : entries) {
            if (e.image == image)
                names << e.text;
        }
        return names;
    }
    static QStringList sorted(QStringList list)
    {
        list.sort();
        return list;
    }
    int rowOf(DesignList list, const QString &text) const
    {
        const QList<DesignEntry> &entries = m_chooser->entries(list);
        for (int i = 0; i < entries.size(); ++i) {
            if (entries[i].text == text)
                return i;
        }
        return -1;
    }

    TestInstallation inst;
    QTemporaryDir wallpapers;
    ScriptedDialogs dialogs;
    QStringList volumes{"/", "/media/stick"};
    std::unique_ptr<DesignChooser> m_chooser;
};

}  // namespace

TEST_F(ChooserTest, ListsAcceptTheLastFourCharactersLowerCased)
{
    for (const char *name : {"classic.qml", "OLD.SWF", "notes.txt", "qml", ".hidden.qml"})
        inst.writeFile(QString("styles/") + name, "x");
    QDir(inst.folder()).mkpath("styles/folder.qml");
    for (const char *name : {"Sky.JPEG", "sky.gif", "dawn.png", "night.jpg", "old.swf", "still.qml", "flat.svg"})
        inst.writeFile(QString("backgrounds/") + name, "x");
    TestInstallation::writeAt(wallpapers.filePath("desert.jpg"), "x");
    TestInstallation::writeAt(wallpapers.filePath("lines.svg"), "x");

    DesignChooser &c = chooser();
    int changed = 0;
    QObject::connect(&c, &DesignChooser::listChanged, [&] { ++changed; });
    c.reloadfilelist();
    EXPECT_EQ(changed, 2);
    EXPECT_TRUE(dialogs.messages.isEmpty());

    const QList<DesignEntry> &styles = c.entries(DesignList::Styles);
    EXPECT_EQ(sorted(texts(styles)), (QStringList{"OLD.SWF", "classic.qml"}));
    for (const DesignEntry &e : styles) {
        EXPECT_EQ(e.key, inst.folder() + "/styles/" + e.text);
        EXPECT_EQ(e.image, DesignEntry::fileImage);
    }
    // The installation's backgrounds first, then the wallpaper folder's.
    const QList<DesignEntry> &backgrounds = c.entries(DesignList::Backgrounds);
    ASSERT_EQ(backgrounds.size(), 6);
    EXPECT_EQ(sorted(texts(backgrounds.mid(0, 5))),
              (QStringList{"Sky.JPEG", "dawn.png", "night.jpg", "old.swf", "still.qml"}));
    EXPECT_EQ(backgrounds.last().key, wallpapers.filePath("desert.jpg"));

    EXPECT_TRUE(DesignChooser::isBackgroundName("a.jpeg"));
    EXPECT_FALSE(DesignChooser::isStyleName("style.qmlx"));
    EXPECT_FALSE(DesignChooser::isStyleName("swf"));
}

TEST_F(ChooserTest, MissingWallpaperFolderIsToldAndTheVolumesFollowTheBackgrounds)
{
    inst.writeFile("backgrounds/dawn.png", "x");
    DesignChooser &c = chooser(wallpapers.filePath("absent"));
    c.reloadfilelist();

    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, "Error");
    EXPECT_EQ(dialogs.messages[0].text, "Error 2: No such file or directory");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Error);

    const QList<DesignEntry> &backgrounds = c.entries(DesignList::Backgrounds);
    ASSERT_EQ(backgrounds.size(), 3);
    EXPECT_EQ(backgrounds[0].text, "dawn.png");
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(backgrounds[i].key, volumes[i - 1]);
        EXPECT_EQ(backgrounds[i].text, volumes[i - 1]);
        EXPECT_EQ(backgrounds[i].image, DesignEntry::driveImage);
    }
    // The styles list is not touched by the backgrounds' error.
    EXPECT_TRUE(c.entries(DesignList::Styles).isEmpty());
}

TEST_F(ChooserTest, EveryFolderMissingOffersTheVolumesOncePerList)
{
    QDir(inst.folder() + "/styles").removeRecursively();
    QDir(inst.folder() + "/backgrounds").removeRecursively();
    DesignChooser &c = chooser(wallpapers.filePath("absent"));
    c.reloadfilelist();
    EXPECT_EQ(dialogs.messages.size(), 3);
    EXPECT_EQ(texts(c.entries(DesignList::Styles), DesignEntry::driveImage), volumes);
    EXPECT_EQ(texts(c.entries(DesignList::Backgrounds), DesignEntry::driveImage), volumes);
    EXPECT_EQ(c.entries(DesignList::Backgrounds).size(), volumes.size());
}

TEST_F(ChooserTest, SameFileTwiceInAListIsAnError)
{
    // The wallpaper folder is the installation's own backgrounds folder.
    inst.writeFile("backgrounds/dawn.png", "x");
    DesignChooser &c = chooser(inst.folder() + "/backgrounds");
    c.reloadfilelist();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, "Error 35602: Key is not unique in collection");
    EXPECT_EQ(texts(c.entries(DesignList::Backgrounds)), QStringList{"dawn.png"});
    EXPECT_EQ(texts(c.entries(DesignList::Backgrounds), DesignEntry::driveImage), volumes);
}

TEST_F(ChooserTest, ReloadShowsTheFoldersAsTheyAreNow)
{
    inst.writeFile("styles/classic.qml", "x");
    DesignChooser &c = chooser();
    c.reloadfilelist();
    inst.writeFile("styles/harbour.qml", "x");
    QFile::remove(inst.folder() + "/styles/classic.qml");
    EXPECT_EQ(texts(c.entries(DesignList::Styles)), QStringList{"classic.qml"});
    c.reloadfilelist();
    EXPECT_EQ(texts(c.entries(DesignList::Styles)), QStringList{"harbour.qml"});
}

TEST_F(ChooserTest, DoubleClickOnAVolumeFillsTheListFromIt)
{
    QTemporaryDir stick;
    TestInstallation::writeAt(stick.filePath("travel.qml"), "x");
    TestInstallation::writeAt(stick.filePath("photo.png"), "x");
    volumes = QStringList{stick.path() + "/"};
    DesignChooser &c = chooser(wallpapers.filePath("absent"));
    inst.writeFile("backgrounds/dawn.png", "x");
    c.reloadfilelist();
    const int volumeRow = rowOf(DesignList::Backgrounds, stick.path() + "/");
    ASSERT_GE(volumeRow, 0);

    int restarts = 0;
    QObject::connect(&c, &DesignChooser::restartRequested, [&] { ++restarts; });
    c.entryDoubleClicked(DesignList::Backgrounds, volumeRow);
    const QList<DesignEntry> &backgrounds = c.entries(DesignList::Backgrounds);
    EXPECT_EQ(sorted(texts(backgrounds)), (QStringList{"photo.png", "travel.qml"}));
    EXPECT_EQ(backgrounds.size(), 2);
    // One separator between folder and name.
    EXPECT_TRUE(backgrounds[0].key == stick.filePath("photo.png") ||
                backgrounds[0].key == stick.filePath("travel.qml"));
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(inst.readFile("background.swf"), "the current background");

    // A row past the list's end does nothing.
    c.entryDoubleClicked(DesignList::Backgrounds, 99);
    EXPECT_EQ(restarts, 0);
}

TEST_F(ChooserTest, DoubleClickOnAFileCopiesItOverTheDesignAndRestarts)
{
    inst.writeFile("styles/harbour.qml", "import QtQuick\nRectangle {}\n");
    inst.writeFile("backgrounds/night.png", "night picture");
    DesignChooser &c = chooser();
    c.reloadfilelist();
    int restarts = 0;
    QObject::connect(&c, &DesignChooser::restartRequested, [&] { ++restarts; });

    c.entryDoubleClicked(DesignList::Styles, rowOf(DesignList::Styles, "harbour.qml"));
    EXPECT_EQ(inst.readFile("style.swf"), "import QtQuick\nRectangle {}\n");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, "Korvane Tessaly");
    EXPECT_EQ(dialogs.messages[0].text, inst.folder() + "/styles/harbour.qml is the new style. \r\n"
                                                        "Korvane Tessaly will now restart.");
    EXPECT_EQ(restarts, 1);

    c.entryDoubleClicked(DesignList::Backgrounds, rowOf(DesignList::Backgrounds, "night.png"));
    EXPECT_EQ(inst.readFile("background.swf"), "night picture");
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[1].text, inst.folder() + "/backgrounds/night.png is the new background.\r\n"
                                                        "Korvane Tessaly will now restart.");
    EXPECT_EQ(restarts, 2);
    EXPECT_EQ(inst.readFile("styles/harbour.qml"), "import QtQuick\nRectangle {}\n");
}

TEST_F(ChooserTest, CopyFailingMidwayKeepsTheOldDesignAndNoRestart)
{
    inst.writeFile("styles/big.qml", QByteArray(300000, 'q'));
    DesignChooser &c = chooser();
    c.reloadfilelist();
    int restarts = 0;
    QObject::connect(&c, &DesignChooser::restartRequested, [&] { ++restarts; });

    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        c.entryDoubleClicked(DesignList::Styles, rowOf(DesignList::Styles, "big.qml"));
    }

    EXPECT_EQ(inst.readFile("style.swf"), "the current style");
    EXPECT_EQ(restarts, 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    const QString text = dialogs.messages[0].text;
    EXPECT_TRUE(text.startsWith(inst.folder() + "/styles/big.qml could not be copied over " +
                                inst.folder() + "/style.swf")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("The style has not been changed.")) << text.toStdString();
    EXPECT_EQ(QDir(inst.folder()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"background.swf", "style.swf"}));

    // A chosen file gone since the list was filled: told, nothing replaced.
    inst.writeFile("backgrounds/gone.png", "x");
    c.reloadfilelist();
    QFile::remove(inst.folder() + "/backgrounds/gone.png");
    c.entryDoubleClicked(DesignList::Backgrounds, rowOf(DesignList::Backgrounds, "gone.png"));
    EXPECT_EQ(inst.readFile("background.swf"), "the current background");
    EXPECT_EQ(restarts, 0);
    EXPECT_TRUE(dialogs.messages.last().text.endsWith("The background has not been changed."));
}
