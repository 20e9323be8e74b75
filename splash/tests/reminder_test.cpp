// The splash window on the offscreen platform.
#include "splash/core/splash.h"
#include "splash/reminder.h"

#include "platform/fonts.h"
#include "platform/testing/recorders.h"
#include "platform/twips.h"

#include <QPushButton>
#include <QScreen>
#include <QtTest>

using splash::Reminder;

class ReminderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(platform::registerTahoma()); }

    void aBorderlessCentredWindowOnTopWithItsPicture()
    {
        platform::testing::FakeWindowServices windows;
        Reminder reminder(windows);
        reminder.setEndProgram([] {});
        reminder.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&reminder));
        QCOMPARE(reminder.objectName(), QStringLiteral("reminder"));
        QCOMPARE(reminder.windowTitle(), QStringLiteral("Tessaly Loading ..."));
        QVERIFY(reminder.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(reminder.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(reminder.size(), QSize(platform::twipsToPixelsX(5100), platform::twipsToPixelsY(3465)));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(qAbs(reminder.geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(reminder.geometry().center().y() - screen.center().y()) <= 1);
        QCOMPARE(reminder.picture().size(), QSize(340, 233));
        QCOMPARE(reminder.picture().depth(), 32);  // loaded; 24-bit colour in the file

        // The picture is the window's background.
        const QImage shown = reminder.grab().toImage();
        const QImage picture = reminder.picture().toImage();
        QCOMPARE(shown.pixelColor(20, 200), picture.pixelColor(20, 200));
        QCOMPARE(shown.pixelColor(170, 100), picture.pixelColor(170, 100));

        QPushButton *x = reminder.closeButton();
        QCOMPARE(x->objectName(), QStringLiteral("Command1"));
        QCOMPARE(x->text(), QStringLiteral("x"));
        QCOMPARE(x->geometry(), platform::twipsRect(4680, 120, 255, 255));
    }

    void timersRunFromShowingAndEndTheSplash()
    {
        platform::testing::FakeWindowServices windows;
        Reminder reminder(windows);
        int ended = 0;
        reminder.setEndProgram([&] { ++ended; });
        QCOMPARE(reminder.endTimer()->objectName(), QStringLiteral("Timer1"));
        QCOMPARE(reminder.endTimer()->interval(), 10000);
        QCOMPARE(reminder.keepOnTopTimer()->objectName(), QStringLiteral("Timer2"));
        QCOMPARE(reminder.keepOnTopTimer()->interval(), 1000);
        QVERIFY(!reminder.endTimer()->isActive());
        reminder.showCentred();
        QVERIFY(reminder.endTimer()->isActive());
        QVERIFY(reminder.keepOnTopTimer()->isActive());

        // Each tick of the keep-on-top timer raises the window (brought forward for
        // the test), and the end timer's one tick ends the program.
        reminder.keepOnTopTimer()->start(10);
        QTRY_VERIFY(windows.raises.size() >= 2);
        QCOMPARE(windows.raises.first(), reminder.winId());
        QVERIFY(reminder.endTimer()->isSingleShot());
        reminder.endTimer()->start(20);
        QTRY_COMPARE(ended, 1);
        QTest::qWait(100);
        QCOMPARE(ended, 1);
    }

    void xEndsTheSplashAtOnce()
    {
        platform::testing::FakeWindowServices windows;
        Reminder reminder(windows);
        int ended = 0;
        reminder.setEndProgram([&] { ++ended; });
        reminder.showCentred();
        QTest::mouseClick(reminder.closeButton(), Qt::LeftButton);
        QCOMPARE(ended, 1);
    }
};

QTEST_MAIN(ReminderTest)
#include "reminder_test.moc"
