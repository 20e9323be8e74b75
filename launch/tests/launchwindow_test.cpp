// The launch window over the runner, on the offscreen platform: the controls and
// their places in twips, what scripts make of them, clicks, the timer, closing,
// the window commands and staying on top.
#include "launch/core/launchrunner.h"
#include "launch/launchwindow.h"
#include "launchtestsupport.h"
#include "platform/fonts.h"
#include "platform/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>


using namespace launch;

namespace {

QRect pixels(const QRect &twips)
{
    return QRect(platform::twipsToPixelsX(twips.left()), platform::twipsToPixelsY(twips.top()),
                 platform::twipsToPixelsX(twips.width()), platform::twipsToPixelsY(twips.height()));
}

// A window and its runner over a program folder of the test's own.
struct WindowBench : testing::ScriptFolder {
    explicit WindowBench(const QStringList &script) : runner(window, services(), folder, programName)
    {
        writeScript(script);
        window.setRunner(&runner);
    }

    LaunchWindow window;
    LaunchRunner runner;
};

}  // namespace

class LaunchWindowTest : public QObject {
    Q_OBJECT

private slots:
    // With the Tahoma-metric font the programs register, so that the checks that
    // captions fit use the metrics the windows are laid out for.
    void initTestCase() { QVERIFY(platform::registerTahoma()); }

    void controlsBeforeLoading();
    void entriesArePlacedInTwips();
    void buttonClicksRunTheirEntry();
    void websiteButtonOpensTheSite();
    void timerListIsShownAndTimerArmed();
    void onCloseListStaysHiddenAndRunsOnClose();
    void endSkipsTheOnCloseEntries();
    void aSecondCloseDoesNotRunThemAgain();
    void windowCommandsMoveAndResizeTheWindow();
    void pictureBacksWindowAndButtons();
    void activationKeepsTheWindowOnTop();
};

void LaunchWindowTest::controlsBeforeLoading()
{
    LaunchWindow window;
    QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(window.width(), platform::twipsToPixelsX(7065));

    QCOMPARE(window.cmd(0)->text(), QStringLiteral("step1"));
    QVERIFY(window.cmd(0)->isHidden());
    QCOMPARE(window.cmd(0)->geometry(), pixels(QRect(120, 120, 1455, 375)));
    QCOMPARE(window.cmd(0)->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(window.cmd(0)->font().pointSizeF(), 9.75);
    QCOMPARE(window.Label(0)->text(), QStringLiteral("launch stuff"));
    QVERIFY(window.Label(0)->isHidden());
    QCOMPARE(window.Label(0)->geometry(), pixels(QRect(120, 240, 6855, 255)));
    QCOMPARE(window.Label(0)->font().pointSizeF(), 8.25);

    QCOMPARE(window.Command1()->text(), QStringLiteral("w"));
    QCOMPARE(window.Command1()->toolTip(), QStringLiteral("korvane website"));
    QVERIFY(!window.Command1()->isHidden());
    QCOMPARE(window.Command1()->geometry(), pixels(QRect(6720, 120, 255, 255)));

    QCOMPARE(window.Label1()->text(), QStringLiteral("timer list"));
    QVERIFY(window.Label1()->isHidden());
    QCOMPARE(window.List1()->geometry(), pixels(QRect(8160, 720, 975, 615)));
    QVERIFY(window.List1()->isHidden());
    QCOMPARE(window.Label2()->text(), QStringLiteral("on close"));
    QCOMPARE(window.List2()->geometry(), pixels(QRect(8160, 1680, 975, 615)));
    for (QListWidget *list : {window.List1(), window.List2()}) {
        QCOMPARE(list->palette().color(QPalette::Text), QColor(0, 0, 192));
        QCOMPARE(list->palette().color(QPalette::Base), QColor(192, 192, 255));
    }
    QVERIFY(window.picture().isNull());
}

void LaunchWindowTest::entriesArePlacedInTwips()
{
    WindowBench bench({QStringLiteral("Front desk"), QStringLiteral("[blank]¬Programs¬"),
                       QStringLiteral("Mail¬Read the mail¬thunderbird"),
                       QStringLiteral("Web¬[blank]¬https://example.org/")});
    QCOMPARE(bench.runner.load(QString()), LaunchRunner::LoadResult::ShowWindow);
    LaunchWindow &window = bench.window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Front desk  ") + bench.folder);

    QVERIFY(window.cmd(0)->isHidden());
    QVERIFY(!window.Label(0)->isHidden());
    QCOMPARE(window.Label(0)->geometry(), pixels(QRect(200, 240, 6855, 255)));
    QCOMPARE(window.Label(0)->text(), QStringLiteral("Programs"));

    QVERIFY(!window.cmd(1)->isHidden());
    QCOMPARE(window.cmd(1)->geometry(), pixels(QRect(120, 595, 1455, 375)));
    QCOMPARE(window.cmd(1)->objectName(), QStringLiteral("cmd(1)"));
    QCOMPARE(window.cmd(1)->text(), QStringLiteral("Mail"));
    QCOMPARE(window.cmd(1)->toolTip(), QStringLiteral("Read the mail (opens thunderbird)"));
    QCOMPARE(window.cmd(1)->font(), window.cmd(0)->font());
    QCOMPARE(window.Label(1)->geometry(), pixels(QRect(1775, 795, 6855, 255)));
    QCOMPARE(window.Label(1)->toolTip(), QStringLiteral("thunderbird"));
    QCOMPARE(window.Label(1)->font(), window.Label(0)->font());

    QVERIFY(!window.cmd(2)->isHidden());
    QVERIFY(window.Label(2)->isHidden());
    QCOMPARE(window.cmd(2)->geometry().top(), platform::twipsToPixelsY(1070));
    QCOMPARE(window.height(), platform::twipsToPixelsY(1070 + 750 + 200));
    QCOMPARE(window.width(), platform::twipsToPixelsX(7065));
    QCOMPARE(window.cmd(3), static_cast<QPushButton *>(nullptr));
}

void LaunchWindowTest::buttonClicksRunTheirEntry()
{
    WindowBench bench({QStringLiteral("t"), QStringLiteral("One¬first¬uno"),
                       QStringLiteral("Two¬second¬dos|/srv/two*[beep 600 20]"),
                       QStringLiteral("Hidden¬shy¬[hide]¬[autorun]"), QStringLiteral("Shown¬bold¬[show]")});
    QCOMPARE(bench.runner.load(QString()), LaunchRunner::LoadResult::ShowWindow);
    bench.window.show();
    // A first entry with a button has its label beside it.
    QCOMPARE(bench.window.Label(0)->geometry(), pixels(QRect(1775, 240, 6855, 255)));
    QTest::mouseClick(bench.window.cmd(1), Qt::LeftButton);
    QCOMPARE(bench.opened(), QStringList{QStringLiteral("dos @ /srv/two")});
    QCOMPARE(bench.tones.events.size(), 1);
    QCOMPARE(bench.tones.events[0].hertz, 600);
    QTest::mouseClick(bench.window.cmd(0), Qt::LeftButton);
    QCOMPARE(bench.opened().last(), QStringLiteral("uno @ ") + bench.folder);

    // "[hide]" in a start-up entry hides its button for good: "[show]" of another
    // entry shows only that one's own.
    QVERIFY(bench.window.cmd(2)->isHidden());
    QVERIFY(!bench.window.Label(2)->isHidden());
    QTest::mouseClick(bench.window.cmd(3), Qt::LeftButton);
    QVERIFY(bench.window.cmd(2)->isHidden());
    QVERIFY(!bench.window.cmd(3)->isHidden());
}

void LaunchWindowTest::websiteButtonOpensTheSite()
{
    WindowBench bench({QStringLiteral("t"), QStringLiteral("a¬b¬c")});
    QCOMPARE(bench.runner.load(QString()), LaunchRunner::LoadResult::ShowWindow);
    bench.window.show();
    QTest::mouseClick(bench.window.Command1(), Qt::LeftButton);
    QCOMPARE(bench.opened(), QStringList{LaunchRunner::websiteAddress() + QStringLiteral(" @ ") + bench.folder});
}

void LaunchWindowTest::timerListIsShownAndTimerArmed()
{
    WindowBench bench({QStringLiteral("t"), QStringLiteral("a¬b¬morning¬[time 9:5]"),
                       QStringLiteral("a¬b¬afternoon¬[time 14:30]")});
    QCOMPARE(bench.runner.load(QString()), LaunchRunner::LoadResult::ShowWindow);
    LaunchWindow &window = bench.window;
    QVERIFY(!window.Label1()->isHidden());
    QVERIFY(!window.List1()->isHidden());
    QCOMPARE(window.List1()->count(), 2);
    QCOMPARE(window.List1()->item(0)->text(), QStringLiteral("9:5,0"));
    QCOMPARE(window.List1()->item(1)->text(), QStringLiteral("14:30,1"));
    QVERIFY(window.Timer1()->isActive());
    QCOMPARE(window.Timer1()->interval(), 100);

    bench.clock.now = QTime(14, 30);
    bench.runner.Timer1();
    QCOMPARE(window.Timer1()->interval(), 60000);
    QVERIFY(window.Timer1()->isActive());
    QCOMPARE(bench.opened(), QStringList{QStringLiteral("afternoon @ ") + bench.folder});
}

void LaunchWindowTest::onCloseListStaysHiddenAndRunsOnClose()
{
    WindowBench bench({QStringLiteral("t"), QStringLiteral("a¬b¬goodbye¬[onclose]"), QStringLiteral("a¬b¬c")});
    QCOMPARE(bench.runner.load(QString()), LaunchRunner::LoadResult::ShowWindow);
    LaunchWindow &window = bench.window;
    window.show();
    QCOMPARE(window.List2()->count(), 1);
    QCOMPARE(window.List2()->item(0)->text(), QStringLiteral("0"));
    QVERIFY(!window.List2()->isVisible());
    QVERIFY(!window.Label2()->isVisible());
    QVERIFY(bench.opened().isEmpty());
    QVERIFY(window.close());
    QCOMPARE(bench.opened(), QStringList{QStringLiteral("goodbye @ ") + bench.folder});
}

void LaunchWindowTest::endSkipsTheOnCloseEntries()
{
    WindowBench bench({QStringLiteral("t"), QStringLiteral("a¬b¬goodbye¬[onclose]"),
                       QStringLiteral("Quit¬q¬[end]")});
    QCOMPARE(bench.runner.load(QString()), LaunchRunner::LoadResult::ShowWindow);
    bench.window.show();
    QTest::mouseClick(bench.window.cmd(1), Qt::LeftButton);
    QVERIFY(bench.runner.ended());
    QVERIFY(!bench.window.Timer1()->isActive());
    bench.window.close();
    QVERIFY(bench.opened().isEmpty());
}

void LaunchWindowTest::aSecondCloseDoesNotRunThemAgain()
{
    WindowBench bench({QStringLiteral("t"), QStringLiteral("a¬b¬[hide]*goodbye¬[onclose]")});
    QCOMPARE(bench.runner.load(QString()), LaunchRunner::LoadResult::ShowWindow);
    bench.window.show();
    // Waiting when the on-close entry lets events through with "[hide]".
    QCoreApplication::postEvent(&bench.window, new QCloseEvent);
    QVERIFY(bench.window.close());
    QCOMPARE(bench.opened(), QStringList{QStringLiteral("goodbye @ ") + bench.folder});
}

void LaunchWindowTest::windowCommandsMoveAndResizeTheWindow()
{
    WindowBench bench({QStringLiteral("t"), QStringLiteral("Move¬m¬[move 100 50]"),
                       QStringLiteral("Big¬b¬[maximise]"), QStringLiteral("Small¬s¬[minimize]"),
                       QStringLiteral("Back¬r¬[restore]")});
    QCOMPARE(bench.runner.load(QString()), LaunchRunner::LoadResult::ShowWindow);
    LaunchWindow &window = bench.window;
    window.show();
    bench.runner.execute(0);
    QCOMPARE(window.pos(), QPoint(50, 100));
    bench.runner.execute(1);
    QVERIFY(window.windowState() & Qt::WindowMaximized);
    bench.runner.execute(2);
    QVERIFY(window.windowState() & Qt::WindowMinimized);
    QVERIFY(!(window.windowState() & Qt::WindowMaximized));
    bench.runner.execute(3);
    QCOMPARE(window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized), Qt::WindowStates());
}

void LaunchWindowTest::pictureBacksWindowAndButtons()
{
    WindowBench bench({QStringLiteral("t"), QStringLiteral("a¬b¬c"), QStringLiteral("d¬e¬f")});
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(QColor(10, 120, 30));
    QDir().mkpath(bench.folder + QStringLiteral("/support"));
    QVERIFY(image.save(bench.folder + QStringLiteral("/support/launch.jpg"), "JPEG"));
    QCOMPARE(bench.runner.load(QString()), LaunchRunner::LoadResult::ShowWindow);
    QCOMPARE(bench.window.picture().size(), QSize(40, 20));
    for (int entry : {0, 1}) {
        const QBrush brush = bench.window.cmd(entry)->palette().brush(QPalette::Button);
        QCOMPARE(brush.texture().size(), QSize(40, 20));
    }
}

void LaunchWindowTest::activationKeepsTheWindowOnTop()
{
    WindowBench bench({QStringLiteral("t"), QStringLiteral("a¬b¬c")});
    QCOMPARE(bench.runner.load(QString()), LaunchRunner::LoadResult::ShowWindow);
    bench.window.show();
    bench.window.setWindowFlag(Qt::WindowStaysOnTopHint, false);
    QVERIFY(!(bench.window.windowFlags() & Qt::WindowStaysOnTopHint));
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&bench.window, &activate);
    QVERIFY(bench.window.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(bench.window.isVisible());
}

QTEST_MAIN(LaunchWindowTest)
#include "launchwindow_test.moc"
