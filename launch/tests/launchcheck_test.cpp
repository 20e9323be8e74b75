// `launch --check`: the author's dry run prints every problem and runs nothing.
#include "launch/core/launchcheck.h"

#include "launch/core/launchscript.h"
#include "platform/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace launch {
namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

int check(const QString &folder, const QString &name, QString *output)
{
    output->clear();
    QTextStream out(output);
    const int status = LaunchCheck::run(folder, name, out);
    out.flush();
    return status;
}

TEST(LaunchCheck, PrintsEveryProblemWithItsLineAndFails)
{
    QTemporaryDir dir;
    const QString script = dir.path() + QStringLiteral("/support/desk.ini");
    write(script, QStringLiteral("'c\r\nDesk\r\nok¬fine¬[pause 10]\r\nbroken\r\n"
                                 "a¬b¬[move 1 x]¬[autorun]\r\na¬b¬c¬[time]\r\n")
                      .toUtf8());
    QString output;
    EXPECT_EQ(check(dir.path(), QStringLiteral("desk"), &output), 1);
    const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << output.toStdString();
    EXPECT_TRUE(lines[0].startsWith(script + QStringLiteral(": line 4: \"broken\"")));
    EXPECT_TRUE(lines[1].startsWith(script + QStringLiteral(": line 5: \"[move 1 x]\"")));
    EXPECT_TRUE(lines[2].startsWith(script + QStringLiteral(": line 6: \"[time]\"")));
}

TEST(LaunchCheck, EntriesThatCanNeverWorkAreProblemsAndLongWaitsWarnings)
{
    QTemporaryDir dir;
    const QString script = dir.path() + QStringLiteral("/launch.ini");
    write(script, QStringLiteral("Checks\r\n"
                                 "a¬late¬[beep 440 100]¬[time 25:99]\r\n"         // 2
                                 "a¬zeros¬[beep 440 100]¬[time 09:05]\r\n"        // 3
                                 "a¬seconds¬x¬[time 9:5:00]\r\n"                  // 4
                                 "a¬trigger¬[beep 440 100]*[autorun]\r\n"         // 5
                                 "a¬time¬[time 14:30]\r\n"                        // 6
                                 "a¬spaces¬xterm * [beep 440 100]\r\n"            // 7
                                 "a¬harmless¬[beep 440 100] *xterm\r\n"           // 8
                                 "a¬misspelt¬[pasue 5]*[Alert hi]\r\n"            // 9
                                 "a¬long¬[pause 99999999]*[beep 440 600000]\r\n"  // 10
                                 "a¬not one¬x¬[autorn]\r\n"                       // 11
                                 "a¬five¬x¬[onclose]¬\r\n"                        // 12
                                 "a¬fine¬[pause 60000]*x¬[time 0:0]\r\n"          // 13
                                 "a¬fine¬x¬[time 23:59]]\r\n")                    // 14
                      .toUtf8());
    QString output;
    EXPECT_EQ(check(dir.path(), QStringLiteral("launch"), &output), 1);
    const QString prefix = script + QStringLiteral(": ");
    const QStringList expected{
        QStringLiteral("line 2: \"[time 25:99]\" never runs: a time is the hour (0 to 23)"),
        QStringLiteral("line 3: \"[time 09:05]\" never runs: the time is written without leading "
                       "zeros (write [time 9:5])"),
        QStringLiteral("line 4: \"[time 9:5:00]\" never runs"),
        QStringLiteral("line 5: \"[autorun]\" is a trigger, not a command"),
        QStringLiteral("line 6: \"[time 14:30]\" is a trigger, not a command"),
        QStringLiteral("line 7: \"xterm \": a command is used exactly as written, spaces too, so "
                       "the spaces are part of what it opens"),
        QStringLiteral("line 7: \" [beep 440 100]\": a command is used exactly as written, spaces "
                       "too, so it is opened as a target, not run as a command"),
    };
    const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 13) << output.toStdString();
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(lines[i].startsWith(prefix + expected[i])) << lines[i].toStdString();
    // A space after a bracket command changes nothing: it is not told.
    EXPECT_FALSE(output.contains(QStringLiteral("line 8:")));
    EXPECT_TRUE(lines[7].startsWith(prefix + QStringLiteral("line 9: \"[pasue 5]\" is not a command, so")));
    EXPECT_TRUE(lines[8].startsWith(prefix + QStringLiteral("line 9: \"[Alert hi]\" is not a command "
                                                            "(commands are written in lower case)")));
    EXPECT_TRUE(lines[9].startsWith(prefix + QStringLiteral("line 10: warning: \"[pause 99999999]\" "
                                                            "waits 27 hours")));
    EXPECT_TRUE(lines[10].startsWith(prefix + QStringLiteral("line 10: warning: \"[beep 440 600000]\" "
                                                             "sounds for 10 minutes")));
    EXPECT_TRUE(lines[11].startsWith(prefix + QStringLiteral("line 11: \"[autorn]\" is not a trigger")));
    EXPECT_TRUE(lines[12].startsWith(prefix + QStringLiteral("line 12: the trigger \"[onclose]\" counts "
                                                             "only on a line of exactly four fields")));
}

TEST(LaunchCheck, WarningsAloneDoNotFailTheCheck)
{
    QTemporaryDir dir;
    write(dir.path() + QStringLiteral("/launch.ini"),
          QStringLiteral("Slow\na¬b¬[pause 3600000]*[end]¬[autorun]\nc¬d¬e\n").toUtf8());
    QString output;
    EXPECT_EQ(check(dir.path(), QStringLiteral("launch"), &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("line 2: warning: \"[pause 3600000]\" waits 60 minutes")))
        << output.toStdString();
    EXPECT_TRUE(output.endsWith(QStringLiteral(": no problems, 2 entries, 1 warning\n")))
        << output.toStdString();
}

TEST(LaunchCheck, AScriptTooLongForAWindowOrTooLargeToReadIsTold)
{
    QTemporaryDir dir;
    const QString script = dir.path() + QStringLiteral("/launch.ini");
    QByteArray lines = "Huge\r\n' one comment\r\n";
    for (int i = 0; i < 20000; ++i)
        lines += "b¬label¬[beep 440 1]\r\n";
    write(script, lines);
    QString output;
    EXPECT_EQ(check(dir.path(), QStringLiteral("launch"), &output), 1);
    // Entry 64 (the 65th) stands on line 3 + 64.
    EXPECT_EQ(output, script + QStringLiteral(": line 67: the script has 20000 entries and a window "
                                              "shows at most %1, so the entries from this line on "
                                              "are not read\n")
                                   .arg(LaunchScript::maxEntries));

    write(script, "Huge\r\n" + QByteArray(platform::settingsFileLimit, 'x'));
    EXPECT_EQ(check(dir.path(), QStringLiteral("launch"), &output), 2);
    EXPECT_EQ(output, platform::settingsFileTooLargeText(script) + QStringLiteral("\n"));
}

TEST(LaunchCheck, ASoundScriptPassesAndAMissingOneIsNamed)
{
    QTemporaryDir dir;
    QString output;
    EXPECT_EQ(check(dir.path(), QStringLiteral("desk"), &output), 2);
    EXPECT_TRUE(output.contains(dir.path() + QStringLiteral("/support/desk.ini")));
    EXPECT_TRUE(output.contains(dir.path() + QStringLiteral("/desk.ini")));

    write(dir.path() + QStringLiteral("/desk.ini"),
          QStringLiteral("Desk\na¬b¬[beep 440 100]*[end]¬[autorun]\n").toUtf8());
    EXPECT_EQ(check(dir.path(), QStringLiteral("desk"), &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("no problems, 1 entry"))) << output.toStdString();
}

TEST(LaunchCheck, TheSampleScriptHasNoProblems)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + QStringLiteral("/support"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(LAUNCH_SAMPLE_SCRIPT), dir.path() + QStringLiteral("/support/launch.ini")));
    QString output;
    EXPECT_EQ(check(dir.path(), QStringLiteral("launch"), &output), 0) << output.toStdString();
}

}  // namespace
}  // namespace launch
