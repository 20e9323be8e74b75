// The runner with every platform service recorded: loading, `execute` with each
// command, the triggers, the minute timer, closing, the command line and bad input.
#include "launch/core/launchrunner.h"
#include "launchtestsupport.h"

#include "platform/settingsfile.h"

#include <gtest/gtest.h>

namespace launch {
namespace {

using testing::LaunchBench;
using Event = platform::testing::RecordingTones::Event;
using platform::MessageButtons;
using platform::MessageResult;
using LoadResult = LaunchRunner::LoadResult;

QString tones(const LaunchBench &bench)
{
    QStringList all;
    for (const Event &event : bench.tones.events) {
        all.append(event.kind == Event::Kind::Beep
                       ? QStringLiteral("beep %1 %2").arg(event.hertz).arg(event.milliseconds)
                       : QStringLiteral("pause %1").arg(event.milliseconds));
    }
    return all.join(QLatin1Char(','));
}

// ---- reading the script --------------------------------------------------------

TEST(LaunchLoad, TheCaptionIsTheTitleTwoSpacesAndTheProgramFolder)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("' comment"), QString(), QStringLiteral("'"),
                       QStringLiteral("Reception"), QStringLiteral("a¬b¬c"), QStringLiteral("'a¬b¬c"),
                       QString(), QStringLiteral("second¬b¬c")});
    EXPECT_EQ(bench.load(), LoadResult::ShowWindow);
    EXPECT_EQ(bench.view.caption, QStringLiteral("Reception  ") + bench.folder);
    // Comment and empty lines between entries take no entry number.
    EXPECT_EQ(bench.runner().entryCount(), 2);
    EXPECT_EQ(bench.view.entries[1].buttonCaption, QStringLiteral("second"));
    EXPECT_TRUE(bench.dialogs.messages.isEmpty());
}

TEST(LaunchLoad, TheScriptIsNamedAfterTheProgramAndLookedForInSupportFirst)
{
    LaunchBench bench(QStringLiteral("kiosk"));
    bench.writeScript({QStringLiteral("Beside"), QStringLiteral("x¬x¬x")});
    bench.writeScript({QStringLiteral("In support"), QStringLiteral("y¬y¬y")}, true);
    bench.writeFile(QStringLiteral("launch.ini"), "Wrong name\r\nz¬z¬z\r\n");
    bench.writeFile(QStringLiteral("kiosk.jpg"), "not really a picture");
    bench.writeFile(QStringLiteral("support/kiosk.jpg"), "not really a picture");
    bench.writeFile(QStringLiteral("launch.jpg"), "not really a picture");
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    EXPECT_TRUE(bench.view.caption.startsWith(QStringLiteral("In support  ")));
    EXPECT_EQ(bench.view.picture, bench.folder + QStringLiteral("/support/kiosk.jpg"));

    LaunchBench beside(QStringLiteral("kiosk"));
    beside.writeScript({QStringLiteral("Beside"), QStringLiteral("x¬x¬x")});
    beside.writeFile(QStringLiteral("kiosk.jpg"), "not really a picture");
    ASSERT_EQ(beside.load(), LoadResult::ShowWindow);
    EXPECT_TRUE(beside.view.caption.startsWith(QStringLiteral("Beside  ")));
    EXPECT_EQ(beside.view.picture, beside.folder + QStringLiteral("/kiosk.jpg"));

    LaunchBench none(QStringLiteral("kiosk"));
    none.writeScript({QStringLiteral("No picture"), QStringLiteral("x¬x¬x")});
    none.writeFile(QStringLiteral("launch.jpg"), "not really a picture");
    ASSERT_EQ(none.load(), LoadResult::ShowWindow);
    EXPECT_TRUE(none.view.picture.isEmpty());
}

TEST(LaunchLoad, EntriesAreLaidOutAndLabelledFromTheirFields)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("[blank]¬Tools¬"),
                       QStringLiteral("Edit¬Write a letter¬abiword*[beep 440 100]"),
                       QStringLiteral("¬[blank]¬x"), QStringLiteral(" Mail ¬  the mail ¬thunderbird ¬"),
                       QStringLiteral("[Blank]¬ ¬x")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    ASSERT_EQ(bench.view.entries.size(), 5);
    const EntryControls heading = bench.view.entries[0];
    EXPECT_FALSE(heading.geometry.buttonVisible);
    EXPECT_TRUE(heading.geometry.labelVisible);
    EXPECT_EQ(heading.geometry.label.topLeft(), QPoint(200, 240));
    const EntryControls edit = bench.view.entries[1];
    EXPECT_EQ(edit.geometry.button.topLeft(), QPoint(120, 595));
    EXPECT_EQ(edit.geometry.label.topLeft(), QPoint(1775, 795));
    EXPECT_EQ(edit.buttonCaption, QStringLiteral("Edit"));
    EXPECT_EQ(edit.labelCaption, QStringLiteral("Write a letter"));
    EXPECT_EQ(edit.labelToolTip, QStringLiteral("abiword*[beep 440 100]"));
    EXPECT_EQ(edit.buttonToolTip, QStringLiteral("Write a letter (opens abiword*[beep 440 100])"));
    EXPECT_FALSE(bench.view.entries[2].geometry.buttonVisible);
    EXPECT_FALSE(bench.view.entries[2].geometry.labelVisible);
    EXPECT_EQ(bench.view.entries[2].geometry.button.top(), 1070);
    EXPECT_EQ(bench.view.entries[2].geometry.label.topLeft(), QPoint(200, 1270));
    // Fields are not trimmed.
    const EntryControls mail = bench.view.entries[3];
    EXPECT_EQ(mail.buttonCaption, QStringLiteral(" Mail "));
    EXPECT_EQ(mail.labelToolTip, QStringLiteral("thunderbird "));
    EXPECT_EQ(mail.buttonToolTip, QStringLiteral("  the mail  (opens thunderbird )"));
    // Only "[blank]" itself and the empty text hide a control.
    EXPECT_TRUE(bench.view.entries[4].geometry.buttonVisible);
    EXPECT_TRUE(bench.view.entries[4].geometry.labelVisible);
    EXPECT_EQ(bench.view.height, 120 + 4 * 475 + 750 + 200);
}

TEST(LaunchLoad, AScriptWrittenOnTheOriginalPlatformReadsTheSame)
{
    LaunchBench bench;
    // Windows-1252: NOT SIGN is the byte 0xAC, "é" is 0xE9.
    bench.writeFile(QStringLiteral("launch.ini"), "Caf\xE9\r\nMenu\xACThe caf\xE9 menu\xACmenu.pdf\xAC[autorun]\r\n");
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    EXPECT_EQ(bench.view.caption, QStringLiteral("Café  ") + bench.folder);
    EXPECT_EQ(bench.view.entries[0].labelCaption, QStringLiteral("The café menu"));
    EXPECT_EQ(bench.opened(), QStringList{QStringLiteral("menu.pdf @ ") + bench.folder});
}

// ---- commands ------------------------------------------------------------------

TEST(LaunchExecute, StarsSeparateCommandsOnlyWithoutSpacesAround)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬gedit*[beep 440 100]"),
                       QStringLiteral("a¬b¬gedit * [beep 440 100]")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    bench.runner().execute(0);
    EXPECT_EQ(bench.opened(), QStringList{QStringLiteral("gedit @ ") + bench.folder});
    EXPECT_EQ(tones(bench), QStringLiteral("beep 440 100"));

    bench.launcher.targets.clear();
    bench.tones.events.clear();
    bench.runner().execute(1);
    // " [beep 440 100]" does not begin with "[": it is a target, and nothing sounds.
    EXPECT_EQ(bench.opened(), (QStringList{QStringLiteral("gedit  @ ") + bench.folder,
                                           QStringLiteral(" [beep 440 100] @ ") + bench.folder}));
    EXPECT_EQ(tones(bench), QString());
}

TEST(LaunchExecute, ABarGivesTheTargetItsWorkingFolder)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"),
                       QStringLiteral("a¬b¬/opt/show/run|/srv/show*report.odt|/home/a b|x|y*https://example.org/*app|")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    bench.runner().execute(0);
    EXPECT_EQ(bench.opened(), (QStringList{QStringLiteral("/opt/show/run @ /srv/show"),
                                           QStringLiteral("report.odt @ /home/a b"),
                                           QStringLiteral("https://example.org/ @ ") + bench.folder,
                                           QStringLiteral("app @ ")}));
}

TEST(LaunchExecute, MoveTakesTopThenLeftAndMouseMoveXThenY)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬[move 100 50]*[mousemove 100 50]*[move -2147483648 2147483647]*[mousemove -5 -7]")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    bench.runner().execute(0);
    // Windows may sit on a screen left of or above the first one.
    EXPECT_EQ(bench.view.eventsStartingWith(QStringLiteral("move")),
              (QStringList{QStringLiteral("move top 100 left 50"),
                           QStringLiteral("move top -2147483648 left 2147483647")}));
    EXPECT_EQ(bench.windows.pointerWarps, (QList<QPoint>{QPoint(100, 50), QPoint(-5, -7)}));
    EXPECT_TRUE(bench.dialogs.messages.isEmpty());
}

TEST(LaunchExecute, ArgumentsEndAtTheirBracketWhateverFollows)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"),
                       QStringLiteral("a¬b¬[pause 500] then words*[beep 1000 30]x y*[pause 7]]x*[alert Hello there] friend*[alert no bracket")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    bench.runner().execute(0);
    EXPECT_EQ(tones(bench), QStringLiteral("pause 500,beep 1000 30,pause 7"));
    ASSERT_EQ(bench.dialogs.messages.size(), 2);
    EXPECT_EQ(bench.dialogs.messages[0].title, QStringLiteral("Korvane_Launch"));
    EXPECT_EQ(bench.dialogs.messages[0].text, QStringLiteral("Hello there"));
    EXPECT_EQ(bench.dialogs.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(bench.dialogs.messages[1].text, QStringLiteral("no bracket"));
}

TEST(LaunchExecute, CheckGoesOnWithOkAndCancelStopsTheList)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("Quit¬Leave¬[check Really quit?]*[end]"),
                       QStringLiteral("a¬b¬[check Open it?]*gedit*[beep 440 10]")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);

    bench.dialogs.messageAnswers = {MessageResult::Cancel};
    bench.runner().execute(0);
    EXPECT_FALSE(bench.runner().ended());
    ASSERT_EQ(bench.dialogs.messages.size(), 1);
    EXPECT_EQ(bench.dialogs.messages[0].text, QStringLiteral("Really quit?"));
    EXPECT_EQ(bench.dialogs.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(bench.dialogs.messages[0].title, QStringLiteral("Korvane_Launch"));

    bench.dialogs.messageAnswers = {MessageResult::Cancel};
    bench.runner().execute(1);
    EXPECT_TRUE(bench.opened().isEmpty());
    EXPECT_TRUE(bench.tones.events.isEmpty());

    bench.dialogs.messageAnswers = {MessageResult::Ok};
    bench.runner().execute(1);
    EXPECT_EQ(bench.opened().size(), 1);
    EXPECT_EQ(bench.tones.events.size(), 1);

    bench.dialogs.messageAnswers = {MessageResult::Ok};
    bench.runner().execute(0);
    EXPECT_TRUE(bench.runner().ended());
    EXPECT_EQ(bench.runner().exitCode(), 0);
    EXPECT_EQ(bench.view.events.last(), QStringLiteral("quit"));
}

TEST(LaunchExecute, EndStopsTheListAndEveryLaterRun)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬gedit*[end]*xterm"),
                       QStringLiteral("a¬b¬xterm")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    bench.runner().execute(0);
    EXPECT_TRUE(bench.runner().ended());
    bench.runner().execute(1);
    bench.runner().closing();
    EXPECT_EQ(bench.opened(), QStringList{QStringLiteral("gedit @ ") + bench.folder});
}

TEST(LaunchExecute, LaunchAsksForATargetAndOpensWhatIsTyped)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("Run¬Run anything¬[launch]")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    bench.dialogs.answerInput(QStringLiteral("https://example.org/news"));
    bench.dialogs.cancelInput();
    bench.dialogs.answerInput(QString());
    bench.runner().execute(0);
    bench.runner().execute(0);
    bench.runner().execute(0);
    ASSERT_EQ(bench.dialogs.inputs.size(), 3);
    EXPECT_EQ(bench.dialogs.inputs[0].title, QStringLiteral("enter program , url or file to run"));
    EXPECT_EQ(bench.dialogs.inputs[0].prompt, QStringLiteral("run..."));
    EXPECT_EQ(bench.opened(), QStringList{QStringLiteral("https://example.org/news @ ")});
}

TEST(LaunchExecute, WindowStateWordsInBothSpellingsAndUnknownCommands)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"),
                       QStringLiteral("a¬b¬[minimise]*[restore]*[maximize]*[minimize]*[maximise]*[Restore]*[frobnicate 1]*"
                                      "[End]*[end] *[hide] now*[pause]*[PAUSE 5]*[launch] *[pause 20]")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    bench.runner().execute(0);
    QStringList states;
    for (const QString &event : bench.view.events) {
        if (event == QLatin1String("minimise") || event == QLatin1String("restore") ||
            event == QLatin1String("maximise"))
            states.append(event);
    }
    EXPECT_EQ(states, (QStringList{QStringLiteral("minimise"), QStringLiteral("restore"),
                                   QStringLiteral("maximise"), QStringLiteral("minimise"),
                                   QStringLiteral("maximise")}));
    // Commands of no known form do nothing, and the list goes on past them.
    EXPECT_EQ(tones(bench), QStringLiteral("pause 20"));
    EXPECT_TRUE(bench.opened().isEmpty());
    EXPECT_FALSE(bench.runner().ended());
    EXPECT_TRUE(bench.view.eventsStartingWith(QStringLiteral("hide")).isEmpty());
    EXPECT_TRUE(bench.dialogs.inputs.isEmpty());
    // Each is told once, in the load's box, and running them tells nothing more.
    ASSERT_EQ(bench.dialogs.messages.size(), 1);
    const QString text = bench.dialogs.messages[0].text;
    for (const char *command : {"[Restore]", "[frobnicate 1]", "[End]", "[end] ", "[hide] now",
                                "[pause]", "[PAUSE 5]", "[launch] "})
        EXPECT_EQ(text.count(QStringLiteral("line 2: \"%1\"").arg(QLatin1String(command))), 1)
            << command;
}

TEST(LaunchExecute, EmptyCommandsOpenNothing)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬"), QStringLiteral("a¬b¬one**two*"),
                       QStringLiteral("a¬b¬|/tmp")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    for (int entry = 0; entry < 3; ++entry)
        bench.runner().execute(entry);
    EXPECT_EQ(bench.opened(), (QStringList{QStringLiteral("one @ ") + bench.folder,
                                           QStringLiteral("two @ ") + bench.folder}));
}

TEST(LaunchExecute, HideAndShowActOnTheRunningEntryAndLetWaitingClicksRun)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬[hide]*first"),
                       QStringLiteral("c¬d¬[show]*second"), QStringLiteral("e¬f¬[end]")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    // A click on entry 1 waiting while entry 0 hides its button runs inside it.
    bench.view.onPendingEvents = [&bench] { bench.runner().execute(1); };
    bench.runner().execute(0);
    EXPECT_FALSE(bench.view.buttonVisible[0]);
    EXPECT_TRUE(bench.view.buttonVisible[1]);
    EXPECT_EQ(bench.opened(), (QStringList{QStringLiteral("second @ ") + bench.folder,
                                           QStringLiteral("first @ ") + bench.folder}));

    // An "[end]" run by a waiting click ends the running list too.
    bench.launcher.targets.clear();
    bench.view.onPendingEvents = [&bench] { bench.runner().execute(2); };
    bench.runner().execute(0);
    EXPECT_TRUE(bench.runner().ended());
    EXPECT_TRUE(bench.opened().isEmpty());
}

// ---- triggers ------------------------------------------------------------------

TEST(LaunchTriggers, AutorunRunsWhileReadingAndHideHidesItsButtonForGood)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("Start¬Starts itself¬[hide]*welcome¬[autorun]"),
                       QStringLiteral("b¬c¬[show]"), QStringLiteral("a¬b¬five¬[autorun]¬"),
                       QStringLiteral("a¬b¬capital¬[Autorun]"), QStringLiteral("a¬b¬spaced¬[autorun] ")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    // Only the line of exactly four fields whose trigger is "[autorun]" runs.
    EXPECT_EQ(bench.opened(), QStringList{QStringLiteral("welcome @ ") + bench.folder});
    EXPECT_TRUE(bench.view.eventsStartingWith(QStringLiteral("timer")).isEmpty());
    // The triggers that are ignored are told in the load's box.
    ASSERT_EQ(bench.dialogs.messages.size(), 1);
    const QString told = bench.dialogs.messages[0].text;
    EXPECT_TRUE(told.contains(QStringLiteral("line 4: the trigger \"[autorun]\" counts only")));
    EXPECT_TRUE(told.contains(QStringLiteral("line 5: \"[Autorun]\" is not a trigger")));
    EXPECT_TRUE(told.contains(QStringLiteral("line 6: \"[autorun] \" is not a trigger")));
    EXPECT_FALSE(bench.view.buttonVisible[0]);
    // The autorun ran before the next line was read.
    const QStringList events = bench.view.events;
    EXPECT_LT(events.indexOf(QStringLiteral("hide 0")), events.indexOf(QStringLiteral("entry 1")));
    // "[show]" of another entry shows only that entry's own button.
    bench.runner().execute(1);
    EXPECT_FALSE(bench.view.buttonVisible[0]);
    EXPECT_TRUE(bench.view.buttonVisible[1]);
}

TEST(LaunchTriggers, ClicksWaitingWhileTheScriptIsReadReachOnlyEntriesReadSoFar)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬zero"), QStringLiteral("a¬b¬one¬[autorun]"),
                       QStringLiteral("a¬b¬two")});
    // Events are let through once entry 1 exists, before its autorun runs.
    bench.view.onPendingEvents = [&bench] {
        bench.runner().execute(2);
        bench.runner().execute(0);
    };
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    EXPECT_EQ(bench.opened(), (QStringList{QStringLiteral("zero @ ") + bench.folder,
                                           QStringLiteral("one @ ") + bench.folder}));
}

TEST(LaunchTriggers, EndAfterAutorunLinesRunsThemAndEndsWithoutAWindow)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬first¬[autorun]"),
                       QStringLiteral("a¬b¬closer¬[onclose]"), QStringLiteral("a¬b¬second¬[autorun]"),
                       QStringLiteral("a¬b¬never¬[end]"), QStringLiteral("a¬b¬later¬[autorun]"),
                       QStringLiteral("short line never read")});
    EXPECT_EQ(bench.load(), LoadResult::Ended);
    EXPECT_TRUE(bench.dialogs.messages.isEmpty());
    EXPECT_TRUE(bench.runner().ended());
    EXPECT_EQ(bench.runner().exitCode(), 0);
    EXPECT_EQ(bench.opened(), (QStringList{QStringLiteral("first @ ") + bench.folder,
                                           QStringLiteral("second @ ") + bench.folder}));
    EXPECT_EQ(bench.runner().entryCount(), 4);
    bench.runner().closing();
    EXPECT_EQ(bench.opened().size(), 2);
}

TEST(LaunchTriggers, OnCloseEntriesRunWhenTheWindowCloses)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬bye¬[onclose]"), QStringLiteral("a¬b¬other"),
                       QStringLiteral("a¬b¬[beep 300 40]*lights-off¬[onclose]")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    EXPECT_EQ(bench.runner().List2(), (QStringList{QStringLiteral("0"), QStringLiteral("2")}));
    EXPECT_EQ(bench.view.onCloseItems, bench.runner().List2());
    EXPECT_TRUE(bench.opened().isEmpty());
    bench.runner().closing();
    EXPECT_EQ(bench.opened(), (QStringList{QStringLiteral("bye @ ") + bench.folder,
                                           QStringLiteral("lights-off @ ") + bench.folder}));
    EXPECT_EQ(tones(bench), QStringLiteral("beep 300 40"));
}

TEST(LaunchTriggers, TheTimerFiresOnTimeTextsWithoutLeadingZeros)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬plain¬[time 9:5]"),
                       QStringLiteral("a¬b¬zeros¬[time 09:05]"), QStringLiteral("a¬b¬untimed"),
                       QStringLiteral("a¬b¬again¬[time 9:5]]later"), QStringLiteral("a¬b¬seconds¬[time 9:5:00]"),
                       QStringLiteral("a¬b¬five¬[time 9:5]¬")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    EXPECT_EQ(bench.runner().List1(), (QStringList{QStringLiteral("9:5,0"), QStringLiteral("09:05,1"),
                                                   QStringLiteral("9:5,3"), QStringLiteral("9:5:00,4")}));
    EXPECT_EQ(bench.view.timerItems, bench.runner().List1());
    // Armed once at load for a first check 100 ms later.
    EXPECT_EQ(bench.view.eventsStartingWith(QStringLiteral("timer")), QStringList{QStringLiteral("timer 100")});

    bench.clock.now = QTime(9, 4, 59);
    bench.runner().Timer1();
    EXPECT_TRUE(bench.opened().isEmpty());

    bench.clock.now = QTime(9, 5, 30);
    bench.runner().Timer1();
    EXPECT_EQ(bench.opened(), (QStringList{QStringLiteral("plain @ ") + bench.folder,
                                           QStringLiteral("again @ ") + bench.folder}));
    EXPECT_EQ(bench.view.eventsStartingWith(QStringLiteral("timer")),
              (QStringList{QStringLiteral("timer 100"), QStringLiteral("timer 60000"),
                           QStringLiteral("timer 60000")}));

    // Every day at that time again.
    bench.clock.now = QTime(9, 5, 1);
    bench.runner().Timer1();
    EXPECT_EQ(bench.opened().size(), 4);
    EXPECT_EQ(LaunchRunner::timeText(QTime(0, 0, 59)), QStringLiteral("0:0"));
    EXPECT_EQ(LaunchRunner::timeText(QTime(23, 59)), QStringLiteral("23:59"));
}



// ---- the command line ----------------------------------------------------------

TEST(LaunchCommandLine, AnEntryNumberRunsAfterTheWholeScriptAndEnds)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬zero¬[onclose]"), QStringLiteral("a¬b¬one¬[autorun]"),
                       QStringLiteral("a¬b¬two"), QStringLiteral("a¬b¬three*[beep 500 5]"),
                       QStringLiteral("a¬b¬four¬[autorun]")});
    // Blanks around the number are not part of it.
    EXPECT_EQ(bench.load(QStringLiteral(" 3 ")), LoadResult::Ended);
    EXPECT_EQ(bench.opened(), (QStringList{QStringLiteral("one @ ") + bench.folder,
                                           QStringLiteral("four @ ") + bench.folder,
                                           QStringLiteral("three @ ") + bench.folder}));
    EXPECT_EQ(tones(bench), QStringLiteral("beep 500 5"));
    EXPECT_TRUE(bench.runner().ended());
    EXPECT_EQ(bench.runner().exitCode(), 0);
    EXPECT_EQ(bench.view.height, 120 + 4 * 475 + 950);
    // No on-close entries after a command-line run.
    bench.runner().closing();
    EXPECT_EQ(bench.opened().size(), 3);
    EXPECT_TRUE(bench.dialogs.messages.isEmpty());
}

TEST(LaunchCommandLine, AWrongCommandLineIsNamedAndRunsNoEntryOfItsOwn)
{
    for (const QString &wrong : {QStringLiteral("two"), QStringLiteral("5"), QStringLiteral("-1"),
                                 QStringLiteral("1.0"), QStringLiteral("1 2"), QStringLiteral("3")}) {
        LaunchBench bench;
        bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬zero¬[autorun]"),
                           QStringLiteral("a¬b¬one"), QStringLiteral("a¬b¬two¬[onclose]"),
                           QStringLiteral("too short")});
        EXPECT_EQ(bench.load(wrong), LoadResult::Ended) << wrong.toStdString();
        EXPECT_EQ(bench.runner().exitCode(), 1);
        // The start-up entry runs as with any command line; no entry runs in place of
        // the wrong number (entry 0 least of all), and no on-close entry.
        EXPECT_EQ(bench.opened(), QStringList{QStringLiteral("zero @ ") + bench.folder})
            << wrong.toStdString();
        bench.runner().closing();
        EXPECT_EQ(bench.opened().size(), 1);
        ASSERT_EQ(bench.dialogs.messages.size(), 1) << wrong.toStdString();
        EXPECT_EQ(bench.dialogs.messages[0].title, QStringLiteral("Korvane_Launch"));
        EXPECT_TRUE(bench.dialogs.messages[0].text.contains(QStringLiteral("\"%1\"").arg(wrong)))
            << bench.dialogs.messages[0].text.toStdString();
        // The short line is told in the same box.
        EXPECT_TRUE(bench.dialogs.messages[0].text.contains(QStringLiteral("line 5: \"too short\"")));
    }
}

// ---- bad input -----------------------------------------------------------------

TEST(LaunchBadInput, NoScriptNamesBothPlacesAndEnds)
{
    LaunchBench bench(QStringLiteral("kiosk"));
    bench.writeFile(QStringLiteral("launch.ini"), "t\r\na¬b¬c¬[autorun]\r\n");
    EXPECT_EQ(bench.load(), LoadResult::Ended);
    EXPECT_EQ(bench.runner().exitCode(), 1);
    ASSERT_EQ(bench.dialogs.messages.size(), 1);
    EXPECT_EQ(bench.dialogs.messages[0].title, QStringLiteral("Korvane_Launch"));
    EXPECT_TRUE(bench.dialogs.messages[0].text.contains(bench.folder + QStringLiteral("/support/kiosk.ini")));
    EXPECT_TRUE(bench.dialogs.messages[0].text.contains(bench.folder + QStringLiteral("/kiosk.ini")));
    EXPECT_TRUE(bench.view.entries.isEmpty());
    EXPECT_TRUE(bench.opened().isEmpty());
}

TEST(LaunchBadInput, ShortLinesKeepTheirPlaceAndTheirButtonsSayWhatIsWrong)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("Zero¬z¬zero"), QStringLiteral("Broken¬Half a line"),
                       QStringLiteral("Two¬t¬two"), QStringLiteral("Solo")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    ASSERT_EQ(bench.view.entries.size(), 4);
    // Shown as far as the fields go; later entries keep their numbers.
    EXPECT_TRUE(bench.view.entries[1].geometry.buttonVisible);
    EXPECT_TRUE(bench.view.entries[1].geometry.labelVisible);
    EXPECT_EQ(bench.view.entries[1].labelCaption, QStringLiteral("Half a line"));
    EXPECT_TRUE(bench.view.entries[3].geometry.buttonVisible);
    EXPECT_FALSE(bench.view.entries[3].geometry.labelVisible);
    EXPECT_EQ(bench.view.entries[2].geometry.button.top(), 120 + 2 * 475);

    // One box at load, every short line in it by line number and text.
    ASSERT_EQ(bench.dialogs.messages.size(), 1);
    const QString loadText = bench.dialogs.messages[0].text;
    EXPECT_EQ(bench.dialogs.messages[0].title, QStringLiteral("Korvane_Launch"));
    EXPECT_TRUE(loadText.contains(QStringLiteral("line 3: \"Broken¬Half a line\""))) << loadText.toStdString();
    EXPECT_TRUE(loadText.contains(QStringLiteral("line 5: \"Solo\""))) << loadText.toStdString();

    bench.runner().execute(1);
    ASSERT_EQ(bench.dialogs.messages.size(), 2);
    EXPECT_TRUE(bench.dialogs.messages[1].text.startsWith(QStringLiteral("line 3: \"Broken¬Half a line\"")));
    EXPECT_TRUE(bench.opened().isEmpty());
    bench.runner().execute(2);
    EXPECT_EQ(bench.opened(), QStringList{QStringLiteral("two @ ") + bench.folder});
}

TEST(LaunchBadInput, ANonNumberIsToldOnceAndItsCommandDoesNothing)
{
    // Numbers are decimal integers within the range of int; pauses and tones take
    // none below zero (a negative wait would never end).
    const QStringList bad{QStringLiteral("[pause soon]"), QStringLiteral("[beep 440 1O0]"),
                          QStringLiteral("[beep 440]"), QStringLiteral("[pause -3]"),
                          QStringLiteral("[move 10 ten]"), QStringLiteral("[move 100] 50"),
                          QStringLiteral("[move  100 50]"), QStringLiteral("[pause 2147483648]"),
                          QStringLiteral("[pause 1.5]"), QStringLiteral("[pause +5]"),
                          QStringLiteral("[pause 0x10]"), QStringLiteral("[pause -]"),
                          QStringLiteral("[pause ]"), QStringLiteral("[pause ٣]")};
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬before*") + bad.join(QLatin1Char('*')) +
                                                QStringLiteral("*after*[pause 2147483647]")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    ASSERT_EQ(bench.dialogs.messages.size(), 1);
    const QString text = bench.dialogs.messages[0].text;
    for (const QString &command : bad)
        EXPECT_EQ(text.count(QStringLiteral("line 2: \"%1\"").arg(command)), 1) << command.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\"soon\" is not a number"))) << text.toStdString();
    bench.runner().execute(0);
    bench.runner().execute(0);
    EXPECT_EQ(bench.dialogs.messages.size(), 1);
    EXPECT_EQ(tones(bench), QStringLiteral("pause 2147483647,pause 2147483647"));
    EXPECT_TRUE(bench.view.eventsStartingWith(QStringLiteral("move")).isEmpty());
    EXPECT_EQ(bench.opened().size(), 4);
}

TEST(LaunchBadInput, AScriptLongerThanAWindowShowsTheEntriesThatFitAndSaysSo)
{
    LaunchBench bench;
    QStringList lines{QStringLiteral("Huge")};
    for (int i = 0; i < 20000; ++i)
        lines.append(QStringLiteral("b%1¬label¬x%1").arg(i) +
                     (i == 20 || i == 19999 ? QStringLiteral("¬[autorun]") : QString()));
    bench.writeScript(lines);
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    EXPECT_EQ(bench.runner().entryCount(), LaunchScript::maxEntries);
    EXPECT_EQ(bench.view.entries.size(), LaunchScript::maxEntries);
    EXPECT_EQ(bench.view.height, EntryLayout::windowHeight(LaunchScript::maxEntries));
    // Entries past the limit are not read: their start-up entries do not run.
    EXPECT_EQ(bench.opened(), QStringList{QStringLiteral("x20 @ ") + bench.folder});
    ASSERT_EQ(bench.dialogs.messages.size(), 1);
    EXPECT_TRUE(bench.dialogs.messages[0].text.contains(
        QStringLiteral("line %1: the script has 20000 entries and a window shows at most %2")
            .arg(LaunchScript::maxEntries + 2)
            .arg(LaunchScript::maxEntries)))
        << bench.dialogs.messages[0].text.toStdString();
    // The command line may name only the entries read.
    LaunchBench named;
    named.writeScript(lines);
    EXPECT_EQ(named.load(QString::number(LaunchScript::maxEntries)), LoadResult::Ended);
    EXPECT_EQ(named.runner().exitCode(), 1);
}

TEST(LaunchBadInput, AScriptTooLargeToReadIsToldAndRunsNothing)
{
    LaunchBench bench;
    bench.writeFile(QStringLiteral("launch.ini"),
                    "t\r\na\xC2\xAC" "b\xC2\xAC" "first\xC2\xAC[autorun]\r\n" +
                        QByteArray(platform::settingsFileLimit, 'x'));
    EXPECT_EQ(bench.load(), LoadResult::Ended);
    EXPECT_EQ(bench.runner().exitCode(), 1);
    EXPECT_TRUE(bench.opened().isEmpty());
    ASSERT_EQ(bench.dialogs.messages.size(), 1);
    EXPECT_EQ(bench.dialogs.messages[0].text,
              platform::settingsFileTooLargeText(bench.folder + QStringLiteral("/launch.ini")));
}

TEST(LaunchBadInput, WarningsAreLeftToTheCheckAndTheWaitsStillRun)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬[pause 99999999]*[beep 440 90000]")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    EXPECT_TRUE(bench.dialogs.messages.isEmpty());
    bench.runner().execute(0);
    EXPECT_EQ(tones(bench), QStringLiteral("pause 99999999,beep 440 90000"));
}

TEST(LaunchBadInput, ACommaInATimeTextNeverRunsAnotherEntry)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬mine¬[time 9:5,1]"), QStringLiteral("a¬b¬one")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    // The item reads "9:5,1,0": split at its first ",", it would name entry 1 at 9:05.
    EXPECT_EQ(bench.runner().List1(), QStringList{QStringLiteral("9:5,1,0")});
    bench.clock.now = QTime(9, 5);
    bench.runner().Timer1();
    EXPECT_TRUE(bench.opened().isEmpty());
}

TEST(LaunchBadInput, ATitleWithoutEntriesGivesAnEmptyWindowOfSensibleHeight)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("'nothing yet"), QStringLiteral("Empty for now")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    EXPECT_TRUE(bench.view.entries.isEmpty());
    EXPECT_EQ(bench.view.caption, QStringLiteral("Empty for now  ") + bench.folder);
    // Tall enough for the web-site button (top 120, 255 high), less than one entry's.
    EXPECT_GT(bench.view.height, 120 + 255);
    EXPECT_LT(bench.view.height, 120 + 2 * 375 + 200);
    ASSERT_EQ(bench.dialogs.messages.size(), 1);
    EXPECT_TRUE(bench.dialogs.messages[0].text.contains(QStringLiteral("the script has no entries")));
    // A command line has nothing to name.
    LaunchBench named;
    named.writeScript({QStringLiteral("Empty for now")});
    EXPECT_EQ(named.load(QStringLiteral("0")), LoadResult::Ended);
    EXPECT_EQ(named.runner().exitCode(), 1);
    ASSERT_EQ(named.dialogs.messages.size(), 1);
}

TEST(LaunchBadInput, EveryProblemOfOneLoadComesInOneBoxBeforeAnythingRuns)
{
    LaunchBench bench;
    bench.writeScript({QStringLiteral("t"), QStringLiteral("a¬b¬[alert Welcome]¬[autorun]"),
                       QStringLiteral("half¬line"), QStringLiteral("a¬b¬[pause x]"),
                       QStringLiteral("a¬b¬c¬[time ]"), QStringLiteral("a¬b¬c¬[time]"),
                       QStringLiteral("a¬b¬c¬[time 8:15]")});
    ASSERT_EQ(bench.load(), LoadResult::ShowWindow);
    // A time trigger without a time word makes no timer entry.
    EXPECT_EQ(bench.runner().List1(), QStringList{QStringLiteral("8:15,5")});
    ASSERT_EQ(bench.dialogs.messages.size(), 2);
    const QString text = bench.dialogs.messages[0].text;
    EXPECT_EQ(bench.dialogs.messages[0].title, QStringLiteral("Korvane_Launch"));
    EXPECT_TRUE(text.contains(QStringLiteral("line 3: \"half¬line\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("line 4: \"[pause x]\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("line 5: \"[time ]\" has no time")));
    EXPECT_TRUE(text.contains(QStringLiteral("line 6: \"[time]\" has no time")));
    EXPECT_TRUE(text.contains(bench.folder + QStringLiteral("/launch.ini")));
    EXPECT_LT(text.indexOf(QStringLiteral("line 3: ")), text.indexOf(QStringLiteral("line 5: ")));
    // The autorun's own alert comes after the problems.
    EXPECT_EQ(bench.dialogs.messages[1].text, QStringLiteral("Welcome"));
}

}  // namespace
}  // namespace launch
