// TS started as a real process on a virtual X server (run under xvfb-run), in an
// installation of its own beside the real TSPowerUser: the menu's "change",
// "add files" and "power user" buttons, clicked through XTest where the panel
// places them, open the design chooser, the add-files window with its dialog,
// and TSPowerUser's window.
#include "shell/core/menupanel.h"

#include "platform/twips.h"
#include "platform/windowservices.h"

#include <QDir>
#include <QFile>
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
        QVERIFY(QFile::copy(QStringLiteral(TS_PROGRAM), folder.filePath("TS")));
        QVERIFY(QFile::copy(QStringLiteral(POWERUSER_PROGRAM), folder.filePath("TSPowerUser")));
        for (const char *name : {"styles", "backgrounds", "powerpoint.files", "backup"})
            QVERIFY(folder.mkdir(name));
        const QByteArray movie = "import QtQuick\nRectangle { color: \"navy\" }\n";
        write(folder.filePath("style.swf"), movie);
        write(folder.filePath("styles/navy.qml"), movie);
        write(folder.filePath("background.swf"), movie);
        write(folder.filePath("backgrounds/navy.qml"), movie);
        write(folder.filePath("playlist.txt"), "talk.odp\r\n");

        QProcess shell;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("QT_QUICK_BACKEND", "software");
        shell.setProcessEnvironment(environment);
        shell.setWorkingDirectory(folder.path());
        shell.setProcessChannelMode(QProcess::ForwardedChannels);
        shell.start(folder.filePath("TS"), {});
        QVERIFY(shell.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("Korvane Tessaly") != 0, 20000);
        QTest::qWait(1000);

        // "+ main menu" on the play menu, then the main menu's buttons.
        const int playTop = MenuPanel::playMenuLimit - MenuPanel::panelHeight - 430;
        const int mainTop = MenuPanel::mainMenuLimit - MenuPanel::panelHeight - 430;
        clickButton(playTop, 960, 2760, 1440, 240);
        QTest::qWait(800);

        clickButton(mainTop, 6480, 1320, 1095, 300);  // "change"
        // A machine without a wallpaper folder is told so first.
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("View configuration") || windowTitled("Error"), 10000);
        if (const platform::WindowId error = windowTitled("Error"))
            platform::systemWindowServices().requestClose(error);
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("View configuration") != 0, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(windowTitled("Error"), platform::WindowId(0), 5000);

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

        QCOMPARE(shell.state(), QProcess::Running);
        shell.terminate();
        if (!shell.waitForFinished(5000)) {
            shell.kill();
            shell.waitForFinished(5000);
        }
    }
};

QTEST_GUILESS_MAIN(TsX11Test)
#include "ts_x11_test.moc"
