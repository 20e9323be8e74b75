// `launch --check`: the author's dry run prints every problem and runs nothing.
#include "launch/core/launchcheck.h"

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
