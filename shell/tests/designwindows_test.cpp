// The design chooser frmMain and the add-files window on the offscreen platform,
// alone and opened from the shell, with the desktop recorded.
#include "shell/core/designchooser.h"
#include "shell/core/menukeys.h"
#include "shell/core/shellcore.h"
#include "shell/window/addfileswindow.h"
#include "shell/window/fdemo.h"
#include "shell/window/frame1.h"
#include "shell/window/frmmain.h"
#include "shell/window/twipsrect.h"

#include "platform/fonts.h"
#include "platform/testing/recorders.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace platform::testing;

namespace {

class NoKeys : public MenuKeys {
public:
    bool keyPressed(int) override { return false; }
};

// The real open-file dialog; message boxes recorded. Counts the dialogs shown.
class RealFileDialog : public ScriptedDialogs {
public:
    platform::OpenFilesOutcome openFiles(const platform::OpenFilesRequest &request) override
    {
        ++shown;
        return platform::systemDialogs().openFiles(request);
    }
    int shown = 0;
};

const QByteArray orangeStyle = "import QtQuick\nRectangle { color: \"orange\" }\n";

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) < 10 && qAbs(a.green() - b.green()) < 10 &&
           qAbs(a.blue() - b.blue()) < 10;
}

QColor centreOf(const QIcon &icon, const QSize &size)
{
    const QImage image = icon.pixmap(size).toImage();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

}  // namespace

class DesignWindowsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<RecordingLauncher> m_launcher;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<FakeWindowServices> m_windows;
    NoKeys m_keys;
    std::unique_ptr<FDemo> m_fdemo;
    int m_ended = 0;

    QString folder() const { return m_root->path() + "/inst"; }
    QString wallpapers() const { return m_root->path() + "/wallpapers"; }
    QString elsewhere() const { return m_root->path() + "/elsewhere"; }
    Installation installation(Edition edition) const
    {
        return Installation(edition, folder(), folder(), wallpapers());
    }

    static void writeAt(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
        file.write(bytes);
    }
    void write(const QString &name, const QByteArray &bytes) { writeAt(folder() + "/" + name, bytes); }
    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    FDemo &start(Edition edition)
    {
        m_fdemo = std::make_unique<FDemo>(installation(edition), *m_launcher, *m_dialogs, *m_windows,
                                          m_keys);
        m_fdemo->setEndProgram([this] { ++m_ended; });
        m_fdemo->startUp(QString());
        m_fdemo->Timer2()->stop();
        m_fdemo->checkflashversion()->stop();
        return *m_fdemo;
    }

    void click(FDemo &fdemo, const char *button)
    {
        QAbstractButton *b = fdemo.frame()->button(QLatin1String(button));
        QVERIFY2(b, button);
        b->click();
    }

    static QStringList texts(QListWidget *list)
    {
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        names.sort();
        return names;
    }

    static void doubleClick(QListWidget *list, const QString &text)
    {
        const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
        QVERIFY2(found.size() == 1, qPrintable(text));
        const QRect place = list->visualItemRect(found.first());
        // The press that a double click follows, then the double click.
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, place.center());
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, place.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, place.center());
    }

    // Makes `window` the program's active window.
    static void activate(QWidget *window)
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

private slots:
    // The captions are checked with the Tahoma-metric font the programs register.
    void initTestCase() { QVERIFY(platform::registerTahoma()); }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        for (const char *sub : {"inst/powerpoint.files", "inst/styles", "inst/backgrounds", "wallpapers", "elsewhere"})
            QDir(m_root->path()).mkpath(sub);
        m_launcher = std::make_unique<RecordingLauncher>();
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_windows = std::make_unique<FakeWindowServices>();
        m_windows->screenSize = QSize(1280, 720);
        m_ended = 0;
        write("playlist.txt", QByteArray("\r\n").repeated(19));
        write("style.swf", "import QtQuick\nRectangle { color: \"black\" }\n");
        write("background.swf", "old background");
        write("styles/orange.qml", orangeStyle);
        write("styles/old.swf", QByteArray("FWS\x07", 4) + QByteArray(40, '\0'));
        QImage green(160, 90, QImage::Format_RGB32);
        green.fill(QColor(0, 160, 80));
        QVERIFY(green.save(folder() + "/backgrounds/meadow.png", "PNG"));
        QVERIFY(green.save(wallpapers() + "/desktop.jpg", "JPEG"));
    }

    void cleanup()
    {
        m_fdemo.reset();
        m_root.reset();
    }

    // --- the design chooser ----------------------------------------------------------

    void chooserHoldsItsControlsAtTheirPlaces()
    {
        DesignChooser chooser(installation(Edition::Full), *m_dialogs);
        chooser.reloadfilelist();
        FrmMain window(&chooser);
        QCOMPARE(window.windowTitle(), QStringLiteral("View configuration"));
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(window.size(), twipsRect(0, 0, 8025, 7650).size());
        QCOMPARE(window.titleStrip()->text(), QStringLiteral(" Change design"));
        QCOMPARE(window.titleStrip()->palette().color(QPalette::Window), QColor(0x06, 0x2B, 0x50));
        QCOMPARE(window.lv1()->objectName(), QStringLiteral("lv1"));
        QCOMPARE(window.lvw()->objectName(), QStringLiteral("lvw"));
        QCOMPARE(window.lv1()->geometry(), twipsRect(120, 840, 3735, 6615));
        QCOMPARE(window.lvw()->geometry(), twipsRect(4080, 840, 3735, 6615));
        QCOMPARE(window.lv1()->viewMode(), QListView::IconMode);
        QCOMPARE(window.okButton()->text(), QStringLiteral("OK"));
        QCOMPARE(window.okButton()->geometry(), twipsRect(7200, 120, 615, 375));
        auto *styles = window.findChild<QLabel *>("lv1Heading");
        auto *backgrounds = window.findChild<QLabel *>("lvwHeading");
        QVERIFY(styles && backgrounds);
        QCOMPARE(styles->text(), QStringLiteral("foreground style (double click to choose)"));
        QCOMPARE(backgrounds->text(), QStringLiteral("background image (double click to choose)"));
        QCOMPARE(styles->x(), platform::twipsToPixelsX(120));
        QCOMPARE(backgrounds->x(), platform::twipsToPixelsX(4080));
        for (QWidget *w : QList<QWidget *>{styles, backgrounds, window.okButton(), window.titleStrip()}) {
            QCOMPARE(w->font().family(), QStringLiteral("Tahoma"));
            const QString text = qobject_cast<QLabel *>(w) ? static_cast<QLabel *>(w)->text()
                                                           : static_cast<QPushButton *>(w)->text();
            QVERIFY2(w->fontMetrics().horizontalAdvance(text) <= w->width(), qPrintable(text));
        }
        QCOMPARE(texts(window.lv1()), (QStringList{"old.swf", "orange.qml"}));
        QCOMPARE(texts(window.lvw()), (QStringList{"desktop.jpg", "meadow.png"}));

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(window.okButton(), Qt::LeftButton);
        QVERIFY(!window.isVisible());
    }

    void everyEntryShowsAPictureOfWhatItIs()
    {
        const QStringList volumes{"/"};
        DesignChooser chooser(Installation(Edition::Full, folder(), folder(), wallpapers() + "/absent"),
                              *m_dialogs, [volumes] { return volumes; });
        chooser.reloadfilelist();
        FrmMain window(&chooser);
        QVERIFY(window.picturesPending() > 0);
        window.makePictures();
        QCOMPARE(window.picturesPending(), 0);
        const QSize size = window.lv1()->iconSize();

        const QListWidgetItem *orange = window.lv1()->findItems("orange.qml", Qt::MatchExactly).first();
        QVERIFY(near(centreOf(orange->icon(), size), QColor("orange")));
        const QListWidgetItem *meadow = window.lvw()->findItems("meadow.png", Qt::MatchExactly).first();
        QVERIFY(near(centreOf(meadow->icon(), size), QColor(0, 160, 80)));
        // A Flash file shows nothing here: it keeps the file's icon.
        const QListWidgetItem *flash = window.lv1()->findItems("old.swf", Qt::MatchExactly).first();
        const QImage fileIcon = QFileIconProvider().icon(QFileIconProvider::File).pixmap(size).toImage();
        QCOMPARE(flash->icon().pixmap(size).toImage(), fileIcon);
        // The missing wallpaper folder: the volumes follow, with the drive's icon.
        const QListWidgetItem *root = window.lvw()->findItems("/", Qt::MatchExactly).first();
        QCOMPARE(root->icon().pixmap(size).toImage(),
                 QFileIconProvider().icon(QFileIconProvider::Drive).pixmap(size).toImage());
        QCOMPARE(root->toolTip(), QStringLiteral("/"));

        // Pictures are made between events once the window runs.
        chooser.reloadfilelist();
        QVERIFY(window.picturesPending() > 0);
        QTRY_COMPARE(window.picturesPending(), 0);
    }

    void doubleClickOrEnterChoosesTheEntry()
    {
        DesignChooser chooser(installation(Edition::Full), *m_dialogs);
        chooser.reloadfilelist();
        FrmMain window(&chooser);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy restart(&chooser, &DesignChooser::restartRequested);

        doubleClick(window.lv1(), "orange.qml");
        QCOMPARE(restart.count(), 1);
        QCOMPARE(read(folder() + "/style.swf"), orangeStyle);

        window.lvw()->setCurrentItem(window.lvw()->findItems("meadow.png", Qt::MatchExactly).first());
        QTest::keyClick(window.lvw(), Qt::Key_Return);
        QCOMPARE(restart.count(), 2);
        QCOMPARE(read(folder() + "/background.swf"), read(folder() + "/backgrounds/meadow.png"));
        QCOMPARE(m_dialogs->messages.size(), 2);
        QCOMPARE(m_dialogs->messages[1].text, folder() + "/backgrounds/meadow.png is the new background.\r\n"
                                                         "Korvane Tessaly will now restart.");
    }

    void changeReloadsAndShowsTheChooser()
    {
        FDemo &fdemo = start(Edition::Full);
        QVERIFY(!fdemo.designChooserWindow());
        click(fdemo, "change");
        FrmMain *window = fdemo.designChooserWindow();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(texts(window->lv1()), (QStringList{"old.swf", "orange.qml"}));
        QTest::mouseClick(window->okButton(), Qt::LeftButton);
        QVERIFY(!window->isVisible());

        write("styles/harbour.qml", orangeStyle);
        fdemo.core()->FSCommand("config", QString());  // shown as it was
        QVERIFY(window->isVisible());
        QCOMPARE(texts(window->lv1()), (QStringList{"old.swf", "orange.qml"}));
        click(fdemo, "change");
        QCOMPARE(fdemo.designChooserWindow(), window);
        QCOMPARE(texts(window->lv1()), (QStringList{"harbour.qml", "old.swf", "orange.qml"}));

        // The choice restarts the shell.
        doubleClick(window->lv1(), "harbour.qml");
        QCOMPARE(m_launcher->commandLines(), QStringList{"ts.exe"});
        QCOMPARE(m_ended, 1);
    }

    void configureShowsTheChooserWithoutReloading()
    {
        FDemo &fdemo = start(Edition::Player);
        click(fdemo, "configure");
        FrmMain *window = fdemo.designChooserWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(texts(window->lvw()), (QStringList{"desktop.jpg", "meadow.png"}));
        window->hide();
        QFile::remove(wallpapers() + "/desktop.jpg");
        click(fdemo, "configure");
        QVERIFY(window->isVisible());
        QCOMPARE(texts(window->lvw()), (QStringList{"desktop.jpg", "meadow.png"}));
    }

    // --- the add-files window ---------------------------------------------------------------

    void addFilesWindowHoldsItsControls()
    {
        for (const auto done : {AddFilesWindow::DoneButton::Without, AddFilesWindow::DoneButton::With}) {
            AddFilesWindow window(folder(), "tributa", *m_dialogs, done);
            QCOMPARE(window.windowTitle(), QStringLiteral("Add files to tessaly"));
            QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
            QCOMPARE(window.size(), twipsRect(0, 0, 9225, 3195).size());
            QCOMPARE(window.selectButton()->objectName(), QStringLiteral("Command1"));
            QCOMPARE(window.selectButton()->text(), QStringLiteral("select files to add"));
            QCOMPARE(window.selectButton()->geometry(), twipsRect(120, 120, 1455, 375));
            QCOMPARE(window.statusLabel()->objectName(), QStringLiteral("Label1"));
            QCOMPARE(window.statusLabel()->text(), QStringLiteral("status..."));
            QCOMPARE(window.statusLabel()->pos(), twipsRect(120, 600, 0, 0).topLeft());
            QCOMPARE(window.statusList()->objectName(), QStringLiteral("List1"));
            const QPushButton *select = window.selectButton();
            QVERIFY(select->fontMetrics().horizontalAdvance(select->text()) <= select->width());
            if (done == AddFilesWindow::DoneButton::Without) {
                QVERIFY(!window.doneButton());
                continue;
            }
            QCOMPARE(window.doneButton()->objectName(), QStringLiteral("Command2"));
            QCOMPARE(window.doneButton()->text(), QStringLiteral("done"));
            QCOMPARE(window.doneButton()->geometry(), twipsRect(8400, 120, 735, 375));
            QSignalSpy ended(&window, &AddFilesWindow::doneClicked);
            QTest::mouseClick(window.doneButton(), Qt::LeftButton);
            QCOMPARE(ended.count(), 1);
        }
    }

    void statusListFillsTheWindowButNeverBelowItsLeastHeight()
    {
        AddFilesWindow window(folder(), "tributa", *m_dialogs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(600, 300);
        const int top = platform::twipsToPixelsY(960);
        QCOMPARE(window.statusList()->geometry(), QRect(0, top, 600, 300 - top));
        window.resize(500, top + 3);
        QCOMPARE(window.statusList()->geometry(),
                 QRect(0, top, 500, platform::twipsToPixelsY(120)));
    }

    void showingOpensTheDialogAndListsWhatWasCopied()
    {
        writeAt(elsewhere() + "/a.odp", "A");
        writeAt(elsewhere() + "/b.odp", "B");
        m_dialogs->chooseFiles({elsewhere() + "/a.odp", elsewhere() + "/b.odp"});
        Qt::CursorShape shapeDuringDialog = Qt::ArrowCursor;
        AddFilesWindow window(folder(), "tributa", *m_dialogs, AddFilesWindow::DoneButton::With);
        m_dialogs->whileOpen = [&] { shapeDuringDialog = window.cursor().shape(); };
        window.show();
        QTRY_COMPARE(m_dialogs->fileRequests.size(), 1);
        QCOMPARE(shapeDuringDialog, Qt::WaitCursor);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
        const QString to = " to " + folder() + "/powerpoint.files/";
        QCOMPARE(window.statusList()->count(), 2);
        QCOMPARE(window.statusList()->item(0)->text(), "copied a.odp" + to);
        QCOMPARE(window.statusList()->item(1)->text(), "copied b.odp" + to);
        QCOMPARE(read(folder() + "/powerpoint.files/b.odp"), QByteArray("B"));

        // "select files to add" opens it again; lines accumulate.
        m_dialogs->chooseFiles({elsewhere() + "/a.odp"});
        QTest::mouseClick(window.selectButton(), Qt::LeftButton);
        QCOMPARE(m_dialogs->fileRequests.size(), 2);
        QCOMPARE(window.statusList()->count(), 3);
        QTest::qWait(50);
        QCOMPARE(m_dialogs->fileRequests.size(), 2);
    }

    void comingBackFromAnotherWindowOfTheProgramOpensTheDialogAgain()
    {
        QWidget other;
        other.setWindowTitle("another window of the program");
        other.show();
        activate(&other);
        AddFilesWindow window(folder(), "Korvane Tessaly", *m_dialogs);
        window.show();
        activate(&window);
        QTRY_COMPARE(m_dialogs->fileRequests.size(), 1);

        activate(&other);
        activate(&window);
        QTRY_COMPARE(m_dialogs->fileRequests.size(), 2);
        QTest::qWait(50);
        QCOMPARE(m_dialogs->fileRequests.size(), 2);
    }

    void closingTheDialogDoesNotOpenItAgain()
    {
        RealFileDialog dialogs;
        QWidget other;
        other.show();
        activate(&other);
        AddFilesWindow window(folder(), "Korvane Tessaly", dialogs);
        // Every dialog that shows is cancelled at once, and the window it belonged
        // to gets the focus back, as a desktop's window manager gives it.
        QTimer closer;
        closer.setInterval(10);
        connect(&closer, &QTimer::timeout, [&window] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                dialog->reject();
                QTimer::singleShot(0, &window, [&window] { window.activateWindow(); });
            }
        });
        closer.start();
        window.show();
        activate(&window);
        QTRY_COMPARE(dialogs.shown, 1);
        QTest::qWait(400);
        QCOMPARE(dialogs.shown, 1);
        QVERIFY(window.isVisible());

        QTest::mouseClick(window.selectButton(), Qt::LeftButton);
        QCOMPARE(dialogs.shown, 2);
        QTest::qWait(400);
        QCOMPARE(dialogs.shown, 2);
    }

    void addFilesOpensTheWindowAndClosingDiscardsIt()
    {
        writeAt(elsewhere() + "/talk.odp", "talk");
        FDemo &fdemo = start(Edition::Full);
        activate(&fdemo);
        m_dialogs->chooseFiles({elsewhere() + "/talk.odp"});
        click(fdemo, "addFiles");
        AddFilesWindow *window = fdemo.addFilesWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->parentWidget(), &fdemo);
        QTRY_COMPARE(m_dialogs->fileRequests.size(), 1);
        QCOMPARE(m_dialogs->fileRequests[0].folder, folder());
        QCOMPARE(read(folder() + "/powerpoint.files/talk.odp"), QByteArray("talk"));
        QCOMPARE(window->statusList()->count(), 1);

        // Every press shows it with the dialog opened.
        activate(&fdemo);
        click(fdemo, "addFiles");
        QCOMPARE(fdemo.addFilesWindow(), window);
        QTRY_COMPARE(m_dialogs->fileRequests.size(), 2);

        // Closed, it is gone with its lines; the next press makes a new one.
        QPointer<AddFilesWindow> closed = window;
        window->close();
        QTRY_VERIFY(!closed);
        QVERIFY(!fdemo.addFilesWindow());
        activate(&fdemo);
        click(fdemo, "addFiles");
        QVERIFY(fdemo.addFilesWindow());
        QCOMPARE(fdemo.addFilesWindow()->statusList()->count(), 0);
        QTRY_COMPARE(m_dialogs->fileRequests.size(), 3);
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void playerHasNoAddFilesWindow()
    {
        FDemo &fdemo = start(Edition::Player);
        QVERIFY(!fdemo.frame()->button("addFiles"));
        fdemo.core()->addFiles();
        QVERIFY(!fdemo.addFilesWindow());
        QCOMPARE(m_dialogs->fileRequests.size(), 0);
    }
};

QTEST_MAIN(DesignWindowsTest)
#include "designwindows_test.moc"
