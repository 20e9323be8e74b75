// The Tahoma-metric font of fonts-wine, registered by the programs themselves.
#include "platform/fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;

extern bool g_withApplication;

TEST(Fonts, TahomaIsFoundPastAFolderWithoutItInRegularAndBold)
{
    ASSERT_TRUE(g_withApplication);
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    QStringList folders{empty.path()};
    folders += tahomaFontFolders();
    ASSERT_TRUE(registerTahoma(folders)) << "fonts-wine installed? (scripts/packages.txt)";

    const QFont regular(QStringLiteral("Tahoma"), 8);
    const QFontInfo regularInfo(regular);
    EXPECT_EQ(regularInfo.family(), QStringLiteral("Tahoma"));
    EXPECT_FALSE(regularInfo.bold());

    const QFontInfo boldInfo(QFont(QStringLiteral("Tahoma"), 8, QFont::Bold));
    EXPECT_EQ(boldInfo.family(), QStringLiteral("Tahoma"));
    EXPECT_TRUE(boldInfo.bold());
    // A second call finds the family known and changes nothing.
    EXPECT_TRUE(registerTahoma({empty.path()}));
}

// Run in a process of its own (see CMakeLists.txt): nothing registered before.
TEST(FontsMissing, NoFontInTheFoldersIsReportedAndNothingIsAdded)
{
    ASSERT_TRUE(g_withApplication);
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        GTEST_SKIP() << "the desktop's own fonts hold a Tahoma";
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    EXPECT_FALSE(registerTahoma({empty.path(), empty.path() + "/missing"}));
    EXPECT_FALSE(QFontDatabase::families().contains(QStringLiteral("Tahoma")));
}
