// tributa started as a real process on a virtual X server (run under xvfb-run):
// its window comes up with the open-file dialog, a file typed into the dialog is
// copied into powerpoint.files beside the program, the dialog does not come back
// by itself once it has closed, and closing the window ends the program.
#include "platform/windowservices.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

const QString mainTitle = QStringLiteral("Add files to tessaly");
const QString dialogTitle = QStringLiteral("Open");

int countTitled(const QString &title)
{
    int count = 0;
    for (const auto &window : platform::systemWindowServices().topLevelWindows())
        count += window.title == title ? 1 : 0;
    return count;
}

platform::WindowId windowTitled(const QString &title)
{
    for (const auto &window : platform::systemWindowServices().topLevelWindows()) {
        if (window.title == title)
            return window.id;
    }
    return 0;
}

// Types text into whatever window has the keyboard focus.
void type(const QString &text)
{
    Display *display = XOpenDisplay(nullptr);
    QVERIFY(display);
    for (const QChar c : text) {
        const char name[2] = {char(c.toLatin1()), 0};
        KeySym symbol = c == u'.' ? XStringToKeysym("period") : XStringToKeysym(name);
        if (c == u'\n')
            symbol = XStringToKeysym("Return");
        const KeyCode code = XKeysymToKeycode(display, symbol);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        XFlush(display);
        QTest::qWait(20);
    }
    XCloseDisplay(display);
}

}  // namespace

class TributaX11Test : public QObject {
    Q_OBJECT

private slots:
    void runsAsAProgramOfItsOwn()
    {
        QTemporaryDir installation;
        const QString program = installation.filePath("tributa");
        QVERIFY(QFile::copy(QStringLiteral(TRIBUTA_PROGRAM), program));
        QVERIFY(QDir(installation.path()).mkdir("powerpoint.files"));
        {
            QFile talk(installation.filePath("talk.odp"));
            QVERIFY(talk.open(QIODevice::WriteOnly));
            talk.write("a talk");
        }

        QProcess tributa;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        tributa.setProcessEnvironment(environment);
        tributa.setWorkingDirectory(QDir::tempPath());
        tributa.setProcessChannelMode(QProcess::ForwardedChannels);
        tributa.start(program, {});
        QVERIFY(tributa.waitForStarted());

        // The window opens its dialog at once, in the program's own folder.
        QTRY_VERIFY_WITH_TIMEOUT(countTitled(mainTitle) == 1 && countTitled(dialogTitle) == 1, 15000);
        QTest::qWait(300);
        type("talk.odp\n");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(installation.filePath("powerpoint.files/talk.odp")), 5000);
        QFile copied(installation.filePath("powerpoint.files/talk.odp"));
        QVERIFY(copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), QByteArray("a talk"));

        // Closed, the dialog stays closed.
        QTRY_COMPARE_WITH_TIMEOUT(countTitled(dialogTitle), 0, 5000);
        QTest::qWait(1500);
        QCOMPARE(countTitled(dialogTitle), 0);
        QCOMPARE(tributa.state(), QProcess::Running);

        platform::systemWindowServices().requestClose(windowTitled(mainTitle));
        QVERIFY(tributa.waitForFinished(10000));
        QCOMPARE(tributa.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tributa.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TributaX11Test)
#include "tributa_x11_test.moc"
