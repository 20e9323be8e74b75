#include "platform/commandline.h"

#include <gtest/gtest.h>

using platform::splitCommandLine;

TEST(CommandLine, BlanksSeparateAndRunsOfBlanksCountOnce)
{
    EXPECT_EQ(splitCommandLine("viewer --show file.odp"),
              (QStringList{"viewer", "--show", "file.odp"}));
    EXPECT_EQ(splitCommandLine("  a \t b   c  "), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(splitCommandLine(""), QStringList());
    EXPECT_EQ(splitCommandLine("   "), QStringList());
}

TEST(CommandLine, DoubleQuotesGroup)
{
    EXPECT_EQ(splitCommandLine("\"/opt/my viewer/run\" /S \"/opt/tessaly/powerpoint.files/intro.odp\""),
              (QStringList{"/opt/my viewer/run", "/S", "/opt/tessaly/powerpoint.files/intro.odp"}));
    // Quotes group inside a word and do not end it.
    EXPECT_EQ(splitCommandLine("a\"b c\"d e"), (QStringList{"ab cd", "e"}));
    // An unclosed quote runs to the end.
    EXPECT_EQ(splitCommandLine("x \"open to the end"), (QStringList{"x", "open to the end"}));
    // Two quotes inside a quoted part are one literal quote.
    EXPECT_EQ(splitCommandLine("\"say \"\"hi\"\"\""), (QStringList{"say \"hi\""}));
}

TEST(CommandLine, EmptyQuotedArgumentsAreKept)
{
    EXPECT_EQ(splitCommandLine("a \"\" b"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(splitCommandLine("\"\""), (QStringList{""}));
    EXPECT_EQ(splitCommandLine("a \"\""), (QStringList{"a", ""}));
}

TEST(CommandLine, BackslashRules)
{
    // \" is a literal quote.
    EXPECT_EQ(splitCommandLine("a\\\"b"), (QStringList{"a\"b"}));
    EXPECT_EQ(splitCommandLine("\"x \\\"y\\\" z\""), (QStringList{"x \"y\" z"}));
    // 2n backslashes before a quote give n, and the quote groups.
    EXPECT_EQ(splitCommandLine("a\\\\\"b c\""), (QStringList{"a\\b c"}));
    EXPECT_EQ(splitCommandLine("\"c:\\dir\\\\\" next"), (QStringList{"c:\\dir\\", "next"}));
    // 2n+1 give n and a literal quote.
    EXPECT_EQ(splitCommandLine("a\\\\\\\"b"), (QStringList{"a\\\"b"}));
    // Backslashes not before a quote are literal, however many.
    EXPECT_EQ(splitCommandLine("c:\\windows\\\\web x\\"), (QStringList{"c:\\windows\\\\web", "x\\"}));
}
