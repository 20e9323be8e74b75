#include "platform/filecopy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/testing/filesizelimit.h"

#include <sys/stat.h>
#include <unistd.h>

using platform::copyFileAtomically;

namespace {

class FileCopy : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString write(const QString &name, const QByteArray &bytes, mode_t mode = 0644)
    {
        const QString p = path(name);
        QFile file(p);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        ::chmod(QFile::encodeName(p).constData(), mode);
        return p;
    }

    static QByteArray bytesOf(const QString &p)
    {
        QFile file(p);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    static mode_t modeOf(const QString &p)
    {
        struct stat info {};
        ::stat(QFile::encodeName(p).constData(), &info);
        return info.st_mode & 07777;
    }

    // Every name in the folder, hidden ones too: a left-over temporary shows here.
    QStringList entries(const QString &folder = QString()) const
    {
        QStringList names = QDir(folder.isEmpty() ? m_dir.path() : folder)
                                .entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.sort();
        return names;
    }

    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(FileCopy, ReplacesTheDestinationAndKeepsItsPermissions)
{
    const QString source = write("new.qml", "Rectangle { color: \"navy\" }", 0600);
    const QString target = write("style.swf", "the old style", 0640);

    QString error;
    ASSERT_TRUE(copyFileAtomically(source, target, &error)) << error.toStdString();
    EXPECT_EQ(bytesOf(target), QByteArray("Rectangle { color: \"navy\" }"));
    EXPECT_EQ(bytesOf(source), QByteArray("Rectangle { color: \"navy\" }"));
    EXPECT_EQ(modeOf(target), mode_t(0640));
    EXPECT_EQ(entries(), (QStringList{"new.qml", "style.swf"}));
}

TEST_F(FileCopy, NewFileTakesTheSourcePermissionsAndLargeFilesCopyWhole)
{
    QByteArray big;
    for (int i = 0; i < 300000; ++i)
        big += char('a' + i % 26);
    const QString source = write("talk.odp", big, 0640);
    QDir(m_dir.path()).mkdir("powerpoint.files");
    const QString target = path("powerpoint.files/talk.odp");

    ASSERT_TRUE(copyFileAtomically(source, target));
    EXPECT_EQ(bytesOf(target), big);
    // The umask may take bits away, never add them.
    EXPECT_EQ(modeOf(target) & ~mode_t(0640), mode_t(0));
    EXPECT_TRUE(modeOf(target) & S_IRUSR);

    // An empty file copies as an empty file.
    ASSERT_TRUE(copyFileAtomically(write("empty", ""), target));
    EXPECT_EQ(bytesOf(target), QByteArray());
}

TEST_F(FileCopy, WriteFailingMidwayLeavesTheOldFileWhole)
{
    const QString source = write("big.png", QByteArray(200000, 'n'));
    const QString target = write("background.swf", "the old background");

    QString error;
    bool copied = true;
    {
        platform::testing::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        copied = copyFileAtomically(source, target, &error);
    }

    EXPECT_FALSE(copied);
    EXPECT_TRUE(error.startsWith("cannot write the copy")) << error.toStdString();
    EXPECT_EQ(bytesOf(target), QByteArray("the old background"));
    EXPECT_EQ(entries(), (QStringList{"background.swf", "big.png"}));
}

TEST_F(FileCopy, SameFileUnderAnotherPathIsLeftAlone)
{
    QDir(m_dir.path()).mkdir("powerpoint.files");
    const QString file = write("powerpoint.files/intro.odp", "the one presentation");
    QString error;
    EXPECT_TRUE(copyFileAtomically(path("powerpoint.files/../powerpoint.files/intro.odp"), file,
                                   &error))
        << error.toStdString();
    // A hard link is the same file too.
    ASSERT_EQ(::link(QFile::encodeName(file).constData(),
                     QFile::encodeName(path("linked.odp")).constData()),
              0);
    EXPECT_TRUE(copyFileAtomically(path("linked.odp"), file));
    EXPECT_EQ(bytesOf(file), QByteArray("the one presentation"));
    EXPECT_EQ(entries(path("powerpoint.files")), QStringList{"intro.odp"});
}

TEST_F(FileCopy, SymbolicLinkDestinationHasItsFileReplaced)
{
    QDir(m_dir.path()).mkdir("looks");
    const QString real = write("looks/style-1.qml", "old");
    const QString link = path("style.swf");
    ASSERT_TRUE(QFile::link(real, link));

    ASSERT_TRUE(copyFileAtomically(write("new.qml", "new"), link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(bytesOf(real), QByteArray("new"));
    EXPECT_EQ(entries(path("looks")), QStringList{"style-1.qml"});
}

TEST_F(FileCopy, FailuresAreReportedAndChangeNothing)
{
    const QString target = write("style.swf", "kept");
    QString error;

    EXPECT_FALSE(copyFileAtomically(path("absent.qml"), target, &error));
    EXPECT_TRUE(error.startsWith("cannot open the file to copy")) << error.toStdString();

    QDir(m_dir.path()).mkdir("styles");
    error.clear();
    EXPECT_FALSE(copyFileAtomically(path("styles"), target, &error));
    EXPECT_FALSE(error.isEmpty());

    error.clear();
    EXPECT_FALSE(copyFileAtomically(target, path("no/such/folder/style.swf"), &error));
    EXPECT_TRUE(error.startsWith("cannot create a file in the destination folder"))
        << error.toStdString();

    error.clear();
    EXPECT_FALSE(copyFileAtomically(target, path("styles"), &error));
    EXPECT_FALSE(error.isEmpty());

    EXPECT_EQ(bytesOf(target), QByteArray("kept"));
    EXPECT_EQ(entries(), QStringList{"style.swf"});
}

TEST_F(FileCopy, ReadOnlyFolderRefusesTheCopy)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser writes into any folder";
    QDir(m_dir.path()).mkdir("locked");
    const QString target = write("locked/background.swf", "kept");
    ::chmod(QFile::encodeName(path("locked")).constData(), 0555);
    QString error;
    const bool copied = copyFileAtomically(write("new.png", "new"), target, &error);
    ::chmod(QFile::encodeName(path("locked")).constData(), 0755);
    EXPECT_FALSE(copied);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(bytesOf(target), QByteArray("kept"));
    EXPECT_EQ(entries(path("locked")), QStringList{"background.swf"});
}
