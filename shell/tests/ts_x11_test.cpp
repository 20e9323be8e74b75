// TS and TSplayer started as real processes on a virtual X server (run under
// xvfb-run), each in an installation of its own. TS's menu buttons "change",
// "add files" and "power user", clicked through XTest where the panel places
// them, open the design chooser, the add-files window with its dialog, and the
// real TSPowerUser's window; TSplayer's movie command "config" opens the chooser.
#include "shell/core/menupanel.h"

#include "platform/twips.h"
#include "platform/windowservices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

platform::WindowId windowTitled(const QString &title)
{
    for (const auto &window : platform::systemWindowServices().topLevelWindows()) {
        if (window.title == title)
            return window.id;
    }
    return 0;
}

// Clicks the centre of a panel button given in the panel's twips, the panel's
// top standing at `panelTop` twips (the virtual server has 96 dpi: 15 twips a pixel).
void clickButton(int panelTop, int left, int top, int width, int height)
{
    Display *display = XOpenDisplay(nullptr);
    QVERIFY(display);
    const int x = (left + width / 2) / 15;
    const int y = (panelTop + top + height / 2) / 15;
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XFlush(display);
    QTest::qWait(150);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    XCloseDisplay(display);
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace

class TsX11Test : public QObject {
    Q_OBJECT

private slots:
    void menuButtonsOpenTheirWindows()
    {
        QTemporaryDir installation;
        const QDir folder(installation.path());
        makeInstallation(folder, QStringLiteral(TS_PROGRAM), "Rectangle { color: \"navy\" }");
        QVERIFY(QFile::copy(QStringLiteral(POWERUSER_PROGRAM), folder.filePath("TSPowerUser")));

        QProcess shell;
        start(&shell, folder.filePath("TS"));
        if (QTest::currentTestFailed())
            return;
        QTest::qWait(1000);

        // "+ main menu" on the play menu, then the main menu's buttons.
        const int playTop = MenuPanel::playMenuLimit - MenuPanel::panelHeight - 430;
        const int mainTop = MenuPanel::mainMenuLimit - MenuPanel::panelHeight - 430;
        clickButton(playTop, 960, 2760, 1440, 240);
        QTest::qWait(800);

        clickButton(mainTop, 6480, 1320, 1095, 300);  // "change"
        waitForTheChooser();
        if (QTest::currentTestFailed())
            return;

        clickButton(mainTop, 3000, 840, 1455, 315);  // "add files"
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("Add files to tessaly") && windowTitled("Open"), 10000);
        platform::systemWindowServices().requestClose(windowTitled("Open"));
        QTRY_COMPARE_WITH_TIMEOUT(windowTitled("Open"), platform::WindowId(0), 5000);

        // The chooser, a frameless window, may stand over the power user button.
        platform::systemWindowServices().requestClose(windowTitled("View configuration"));
        platform::systemWindowServices().requestClose(windowTitled("Add files to tessaly"));
        QTest::qWait(500);
        clickButton(mainTop, 9840, 1440, 1215, 315);  // "power user"
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("Tessaly - PowerUser") != 0, 15000);
        platform::systemWindowServices().requestClose(windowTitled("Tessaly - PowerUser"));
        QTRY_COMPARE_WITH_TIMEOUT(windowTitled("Tessaly - PowerUser"), platform::WindowId(0), 10000);

        end(&shell);
    }

    // The player build's chooser comes from its movie: a style that sends
    // "config" as soon as it is loaded.
    void playerMoviesConfigOpensTheChooser()
    {
        QTemporaryDir installation;
        const QDir folder(installation.path());
        makeInstallation(folder, QStringLiteral(TSPLAYER_PROGRAM),
                         "Rectangle { color: \"navy\"; Component.onCompleted: movie.fscommand(\"config\", \"\") }");
        QProcess shell;
        start(&shell, folder.filePath("TSplayer"));
        if (QTest::currentTestFailed())
            return;
        waitForTheChooser();
        if (QTest::currentTestFailed())
            return;
        end(&shell);
    }

private:
    // An installation with the shell program, a QML style and background, a
    // style and a background to choose, and a playlist.
    static void makeInstallation(const QDir &folder, const QString &shellProgram, const QByteArray &movieItem)
    {
        QVERIFY(QFile::copy(shellProgram, folder.filePath(QFileInfo(shellProgram).fileName())));
        for (const char *name : {"styles", "backgrounds", "powerpoint.files", "backup"})
            QVERIFY(folder.mkdir(name));
        const QByteArray movie = "import QtQuick\n" + movieItem + "\n";
        write(folder.filePath("style.swf"), movie);
        write(folder.filePath("styles/navy.qml"), movie);
        write(folder.filePath("background.swf"), movie);
        write(folder.filePath("backgrounds/navy.qml"), movie);
        write(folder.filePath("playlist.txt"), "talk.odp\r\n");
    }

    // Starts the installation's shell in its folder and waits for its window.
    static void start(QProcess *shell, const QString &program)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("QT_QUICK_BACKEND", "software");
        shell->setProcessEnvironment(environment);
        shell->setWorkingDirectory(QFileInfo(program).absolutePath());
        shell->setProcessChannelMode(QProcess::ForwardedChannels);
        shell->start(program, {});
        QVERIFY(shell->waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("Korvane Tessaly") != 0, 20000);
    }

    // The chooser shows; a machine without a wallpaper folder is told so first.
    static void waitForTheChooser()
    {
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("View configuration") || windowTitled("Error"), 10000);
        if (const platform::WindowId error = windowTitled("Error"))
            platform::systemWindowServices().requestClose(error);
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("View configuration") != 0, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(windowTitled("Error"), platform::WindowId(0), 5000);
    }

    static void end(QProcess *shell)
    {
        QCOMPARE(shell->state(), QProcess::Running);
        shell->terminate();
        if (!shell->waitForFinished(5000)) {
            shell->kill();
            shell->waitForFinished(5000);
        }
    }
};

QTEST_GUILESS_MAIN(TsX11Test)
#include "ts_x11_test.moc"
