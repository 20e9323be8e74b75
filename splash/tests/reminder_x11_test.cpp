// The splash against a real X server (run under xvfb-run): a maximised window
// opened over it, as the shell's is, is below it again within a second.
#include "splash/reminder.h"

#include "platform/windowservices.h"

#include <QtTest>
#include <QWidget>

#include <X11/Xlib.h>

#include <memory>

using splash::Reminder;

namespace {

// Position of a top-level window in the X server's stacking order (bottom first),
// or -1.
int stackingPlace(Display *display, WId window)
{
    Window root = 0, parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return -1;
    int place = -1;
    for (unsigned int i = 0; i < count; ++i) {
        if (children[i] == window)
            place = static_cast<int>(i);
    }
    if (children)
        XFree(children);
    return place;
}

}  // namespace

class ReminderX11Test : public QObject {
    Q_OBJECT

private:
    Display *m_display = nullptr;

    bool above(const QWidget &upper, const QWidget &lower)
    {
        XSync(m_display, False);
        const int u = stackingPlace(m_display, upper.winId());
        const int l = stackingPlace(m_display, lower.winId());
        return u >= 0 && l >= 0 && u > l;
    }

private slots:
    void initTestCase()
    {
        m_display = XOpenDisplay(nullptr);
        QVERIFY(m_display);
    }

    void cleanupTestCase()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }

    void aMaximisedWindowOverTheSplashIsBelowItWithinASecond()
    {
        Reminder reminder(platform::systemWindowServices());
        reminder.setEndProgram([] {});
        reminder.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&reminder));

        QWidget shell;
        shell.setWindowTitle("Korvane Tessaly");
        shell.setGeometry(QGuiApplication::primaryScreen()->geometry());
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        for (int round = 0; round < 2; ++round) {
            shell.raise();
            shell.activateWindow();
            QTRY_VERIFY_WITH_TIMEOUT(above(shell, reminder), 2000);
            // The keep-on-top timer's next tick puts the splash back on top.
            QTRY_VERIFY_WITH_TIMEOUT(above(reminder, shell), 1500);
        }
    }
};

QTEST_MAIN(ReminderX11Test)
#include "reminder_x11_test.moc"
