#include "shell/core/viewercommand.h"

#include "platform/commandline.h"
#include "testinstallation.h"

TEST(ViewerCommand, PathIsAppendedInQuotesAfterOneBlank)
{
    EXPECT_EQ(ViewerCommand::complete("\"/opt/viewer/bin/show\" --show", "/inst/powerpoint.files/intro.odp"),
              "\"/opt/viewer/bin/show\" --show \"/inst/powerpoint.files/intro.odp\"");
    // A command that already ends in a blank gets no second one.
    EXPECT_EQ(ViewerCommand::complete("viewer ", "/p/a.odp"), "viewer \"/p/a.odp\"");
}

TEST(ViewerCommand, TrailingMinusQuoteIsDroppedAndThePathGoesUnquoted)
{
    EXPECT_EQ(ViewerCommand::complete("viewer --show -\"", "/p/a.odp"), "viewer --show /p/a.odp");
    EXPECT_EQ(ViewerCommand::complete("viewer --show-\"", "/p/a.odp"), "viewer --show /p/a.odp");
    // A minus-quote elsewhere in the line changes nothing.
    EXPECT_EQ(ViewerCommand::complete("viewer -\" --show", "/p/a.odp"),
              "viewer -\" --show \"/p/a.odp\"");
}

TEST(ViewerCommand, EmptyCommandPlaysNothing)
{
    EXPECT_EQ(ViewerCommand::complete("", "/p/a.odp"), "");
    EXPECT_EQ(ViewerCommand::complete("   ", "/p/a.odp"), "");
}

TEST(ViewerCommand, CompletedLineSplitsIntoProgramOptionsAndOnePathArgument)
{
    const QString line = ViewerCommand::complete("\"/opt/my viewer/show\" --show --norestore",
                                                 "/home/show room/powerpoint.files/big day.odp");
    EXPECT_EQ(platform::splitCommandLine(line),
              QStringList({"/opt/my viewer/show", "--show", "--norestore",
                           "/home/show room/powerpoint.files/big day.odp"}));
    // Unquoted, a path with blanks falls apart, as the operator asked for.
    const QString bare = ViewerCommand::complete("show -\"", "/a b.odp");
    EXPECT_EQ(platform::splitCommandLine(bare), QStringList({"show", "/a", "b.odp"}));
}

TEST(ViewerCommand, ReadTakesTheFirstLineOnly)
{
    TestInstallation inst;
    const QString path = inst.folder() + "/powerpoint_location.txt";
    EXPECT_EQ(ViewerCommand::read(path), "");  // missing
    inst.writeFile("powerpoint_location.txt", "");
    EXPECT_EQ(ViewerCommand::read(path), "");  // empty
    inst.writeFile("powerpoint_location.txt", "\"/usr/bin/viewer\" --show\r\nsecond line\r\n");
    EXPECT_EQ(ViewerCommand::read(path), "\"/usr/bin/viewer\" --show");
}

TEST(ViewerCommand, QuotesAndBackslashesInAFileNameStayInThePathArgument)
{
    // A file name may hold a double quote here; it must not end the quoted path.
    const QString hostile = "/p/x\" --convert-to \"y.odp";
    EXPECT_EQ(platform::splitCommandLine(ViewerCommand::complete("viewer --show", hostile)),
              QStringList({"viewer", "--show", hostile}));
    for (const QString &path : {QString("/p/back\\slash.odp"), QString("/p/end\\"),
                                QString("/p/q\\\"uote.odp"), QString("/p/plain.odp")}) {
        EXPECT_EQ(platform::splitCommandLine(ViewerCommand::complete("viewer", path)),
                  QStringList({"viewer", path}))
            << path.toStdString();
    }
    // Unquoted, blanks still part the path, but a quote in it is only a character.
    EXPECT_EQ(platform::splitCommandLine(ViewerCommand::complete("viewer -\"", "/p/a\"b.odp")),
              QStringList({"viewer", "/p/a\"b.odp"}));
}
