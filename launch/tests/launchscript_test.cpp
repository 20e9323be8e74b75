// Reading scripts and commands: the title, entry numbers, fields, triggers, the
// command forms and every problem a load reports.
#include "launch/core/launchcommand.h"
#include "launch/core/launchscript.h"

#include <gtest/gtest.h>

namespace launch {
namespace {

using Kind = LaunchCommand::Kind;

QString problemsText(const LaunchScript &script)
{
    QStringList all;
    for (const ScriptProblem &problem : script.problems())
        all.append(problem.toString());
    return all.join(QLatin1Char('\n'));
}

TEST(LaunchScript, CommentsAndBlankLinesBeforeTheTitleAreSkipped)
{
    const LaunchScript script = LaunchScript::parse({
        QStringLiteral("' my launcher"),
        QString(),
        QStringLiteral("'another ¬ comment"),
        QStringLiteral("Front desk"),
        QStringLiteral("'comment between entries"),
        QStringLiteral("a¬b¬c"),
        QString(),
        QStringLiteral("d¬e¬f"),
    });
    ASSERT_TRUE(script.hasTitle());
    EXPECT_EQ(script.title(), QStringLiteral("Front desk"));
    ASSERT_EQ(script.entries().size(), 2);
    EXPECT_EQ(script.entries()[0].number, 0);
    EXPECT_EQ(script.entries()[0].lineNumber, 6);
    EXPECT_EQ(script.entries()[1].number, 1);
    EXPECT_EQ(script.entries()[1].lineNumber, 8);
    EXPECT_TRUE(script.problems().isEmpty()) << problemsText(script).toStdString();
}

TEST(LaunchScript, FieldsAreSplitAtNotSignAndNeverTrimmed)
{
    const LaunchScript script = LaunchScript::parse({
        QStringLiteral("t"),
        QStringLiteral(" Mail ¬  the mail program ¬thunderbird ¬"),
    });
    ASSERT_EQ(script.entries().size(), 1);
    const ScriptEntry &entry = script.entries()[0];
    EXPECT_EQ(entry.fields, (QStringList{QStringLiteral(" Mail "), QStringLiteral("  the mail program "),
                                         QStringLiteral("thunderbird "), QString()}));
    EXPECT_EQ(entry.caption(), QStringLiteral(" Mail "));
    EXPECT_EQ(entry.buttonToolTip(), QStringLiteral("  the mail program  (opens thunderbird )"));
    EXPECT_EQ(entry.trigger, Trigger::None);
}

TEST(LaunchScript, TriggersCountOnlyOnLinesOfExactlyFourFields)
{
    const LaunchScript script = LaunchScript::parse({
        QStringLiteral("t"),
        QStringLiteral("a¬b¬c¬[autorun]"),
        QStringLiteral("a¬b¬c¬[autorun]¬"),
        QStringLiteral("a¬b¬c¬[onclose]"),
        QStringLiteral("a¬b¬c¬[time 14:30]"),
        QStringLiteral("a¬b¬c¬[time 9:5]]later"),
        QStringLiteral("a¬b¬c¬[Autorun]"),
        QStringLiteral("a¬b¬c¬[time 14:30]¬x"),
    });
    const QList<ScriptEntry> &entries = script.entries();
    ASSERT_EQ(entries.size(), 7);
    EXPECT_EQ(entries[0].trigger, Trigger::Autorun);
    EXPECT_EQ(entries[1].trigger, Trigger::None);
    EXPECT_EQ(entries[2].trigger, Trigger::OnClose);
    EXPECT_EQ(entries[3].trigger, Trigger::Time);
    EXPECT_EQ(entries[3].timeText, QStringLiteral("14:30"));
    EXPECT_EQ(entries[4].trigger, Trigger::Time);
    EXPECT_EQ(entries[4].timeText, QStringLiteral("9:5"));
    EXPECT_EQ(entries[5].trigger, Trigger::None);
    EXPECT_EQ(entries[6].trigger, Trigger::None);
    EXPECT_TRUE(script.problems().isEmpty()) << problemsText(script).toStdString();
}

TEST(LaunchScript, AnEndTriggerIsTheLastLineRead)
{
    const LaunchScript script = LaunchScript::parse({
        QStringLiteral("t"),
        QStringLiteral("a¬b¬c¬[autorun]"),
        QStringLiteral("a¬b¬c¬[end]"),
        QStringLiteral("short line after the end"),
    });
    EXPECT_TRUE(script.endsWhileReading());
    EXPECT_EQ(script.entries().size(), 2);
    EXPECT_EQ(script.entries()[1].trigger, Trigger::End);
    // The line after the end is never read, so it is no problem of this load.
    EXPECT_TRUE(script.problems().isEmpty()) << problemsText(script).toStdString();
}

TEST(LaunchScript, NumbersThatAreNotNumbersAreReportedWithTheCommand)
{
    const LaunchScript script = LaunchScript::parse({
        QStringLiteral("t"),
        QStringLiteral("a¬b¬[pause 5x]*[beep 440 200]*[move 10 ten]"),
        QStringLiteral("a¬b¬[beep 440]*[pause -3]*[mousemove -5 -7]"),
    });
    ASSERT_EQ(script.problems().size(), 4) << problemsText(script).toStdString();
    EXPECT_EQ(script.problems()[0].lineNumber, 2);
    EXPECT_TRUE(script.problems()[0].text.contains(QStringLiteral("\"[pause 5x]\"")));
    EXPECT_TRUE(script.problems()[0].text.contains(QStringLiteral("\"5x\" is not a number")));
    EXPECT_TRUE(script.problems()[1].text.contains(QStringLiteral("\"[move 10 ten]\"")));
    EXPECT_EQ(script.problems()[2].lineNumber, 3);
    EXPECT_TRUE(script.problems()[2].text.contains(QStringLiteral("\"[beep 440]\"")));
    EXPECT_TRUE(script.problems()[3].text.contains(QStringLiteral("\"-3\" is below zero")));
}

TEST(LaunchCommand, BracketCommandsAreMatchedExactlyAndCaseSensitively)
{
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[end]")).kind(), Kind::End);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[launch]")).kind(), Kind::Launch);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[hide]")).kind(), Kind::Hide);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[show]")).kind(), Kind::Show);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[minimise]")).kind(), Kind::Minimise);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[minimize]")).kind(), Kind::Minimise);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[restore]")).kind(), Kind::Restore);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[maximise]")).kind(), Kind::Maximise);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[maximize]")).kind(), Kind::Maximise);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[End]")).kind(), Kind::NoMatch);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[end] ")).kind(), Kind::NoMatch);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[hide] now")).kind(), Kind::NoMatch);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[pause]")).kind(), Kind::NoMatch);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[PAUSE 5]")).kind(), Kind::NoMatch);
    // Not beginning with "[": a target, even when a bracket command follows a space.
    const LaunchCommand spaced = LaunchCommand::parse(QStringLiteral(" [beep 440 100]"));
    EXPECT_EQ(spaced.kind(), Kind::Open);
    EXPECT_EQ(spaced.target(), QStringLiteral(" [beep 440 100]"));
}

TEST(LaunchCommand, ArgumentsEndAtTheFirstClosingBracket)
{
    const LaunchCommand pause = LaunchCommand::parse(QStringLiteral("[pause 500] and then some"));
    EXPECT_EQ(pause.kind(), Kind::Pause);
    EXPECT_EQ(pause.first(), 500);
    const LaunchCommand glued = LaunchCommand::parse(QStringLiteral("[pause 500]]x"));
    EXPECT_EQ(glued.kind(), Kind::Pause);
    EXPECT_EQ(glued.first(), 500);
    const LaunchCommand beep = LaunchCommand::parse(QStringLiteral("[beep 880 250] loud"));
    EXPECT_EQ(beep.kind(), Kind::Beep);
    EXPECT_EQ(beep.first(), 880);
    EXPECT_EQ(beep.second(), 250);
    const LaunchCommand alert = LaunchCommand::parse(QStringLiteral("[alert Doors open] soon"));
    EXPECT_EQ(alert.kind(), Kind::Alert);
    EXPECT_EQ(alert.message(), QStringLiteral("Doors open"));
    const LaunchCommand check = LaunchCommand::parse(QStringLiteral("[check Shut down now?]"));
    EXPECT_EQ(check.kind(), Kind::Check);
    EXPECT_EQ(check.message(), QStringLiteral("Shut down now?"));
    const LaunchCommand unclosed = LaunchCommand::parse(QStringLiteral("[alert no bracket"));
    EXPECT_EQ(unclosed.message(), QStringLiteral("no bracket"));
}

TEST(LaunchCommand, MoveTakesTopThenLeftAndMouseMoveTakesXThenY)
{
    const LaunchCommand move = LaunchCommand::parse(QStringLiteral("[move 100 50]"));
    EXPECT_EQ(move.kind(), Kind::Move);
    EXPECT_EQ(move.first(), 100);
    EXPECT_EQ(move.second(), 50);
    const LaunchCommand mouse = LaunchCommand::parse(QStringLiteral("[mousemove 100 50]"));
    EXPECT_EQ(mouse.kind(), Kind::MouseMove);
    EXPECT_EQ(mouse.first(), 100);
    EXPECT_EQ(mouse.second(), 50);
    // Windows may sit on a screen left of or above the first one.
    const LaunchCommand offScreen = LaunchCommand::parse(QStringLiteral("[move -20 -1280]"));
    EXPECT_EQ(offScreen.kind(), Kind::Move);
    EXPECT_EQ(offScreen.second(), -1280);
    // Only the last number is read up to "]": a "]" after the first is no number.
    const LaunchCommand early = LaunchCommand::parse(QStringLiteral("[move 100] 50"));
    EXPECT_EQ(early.kind(), Kind::BadNumber);
    EXPECT_EQ(LaunchCommand::parse(QStringLiteral("[move  100 50]")).kind(), Kind::BadNumber);
}

TEST(LaunchCommand, TargetsTakeTheirWorkingFolderAfterABar)
{
    const LaunchCommand bare = LaunchCommand::parse(QStringLiteral("notes.txt"));
    EXPECT_EQ(bare.kind(), Kind::Open);
    EXPECT_EQ(bare.target(), QStringLiteral("notes.txt"));
    EXPECT_FALSE(bare.hasWorkingFolder());

    const LaunchCommand folder = LaunchCommand::parse(QStringLiteral("/usr/bin/gimp|/srv/pictures"));
    EXPECT_EQ(folder.target(), QStringLiteral("/usr/bin/gimp"));
    ASSERT_TRUE(folder.hasWorkingFolder());
    EXPECT_EQ(folder.workingFolder(), QStringLiteral("/srv/pictures"));

    const LaunchCommand more = LaunchCommand::parse(QStringLiteral("app|/a b|ignored|too"));
    EXPECT_EQ(more.target(), QStringLiteral("app"));
    EXPECT_EQ(more.workingFolder(), QStringLiteral("/a b"));

    const LaunchCommand empty = LaunchCommand::parse(QStringLiteral("app|"));
    EXPECT_TRUE(empty.hasWorkingFolder());
    EXPECT_EQ(empty.workingFolder(), QString());
}

TEST(LaunchCommand, NumbersAreDecimalIntegersOnly)
{
    int value = 7;
    EXPECT_TRUE(LaunchCommand::parseNumber(QStringLiteral("0"), &value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(LaunchCommand::parseNumber(QStringLiteral("-2147483648"), &value));
    EXPECT_EQ(value, -2147483647 - 1);
    EXPECT_TRUE(LaunchCommand::parseNumber(QStringLiteral("2147483647"), &value));
    EXPECT_EQ(value, 2147483647);
    value = 7;
    for (const char *bad : {"", "-", "2147483648", "99999999999999999999", "1.5", "1e3", " 5",
                            "5 ", "+5", "0x10", "٣"}) {
        EXPECT_FALSE(LaunchCommand::parseNumber(QString::fromUtf8(bad), &value)) << bad;
        EXPECT_EQ(value, 7) << bad;
    }
}

}  // namespace
}  // namespace launch
