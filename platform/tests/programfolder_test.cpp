#include "platform/programfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;

TEST(ProgramFolder, IsTheFolderOfTheExecutable)
{
    EXPECT_EQ(programFolder(), QStringLiteral(TEST_PROGRAM_FOLDER));
    EXPECT_FALSE(programFolder().endsWith(u'/'));
    EXPECT_EQ(programName(), QStringLiteral(TEST_PROGRAM_NAME));
}

TEST(ProgramFolder, JoinPathPutsOneSeparatorBetween)
{
    EXPECT_EQ(joinPath("/opt/tessaly", "style.swf"), QStringLiteral("/opt/tessaly/style.swf"));
    EXPECT_EQ(joinPath("/opt/tessaly/", "style.swf"), QStringLiteral("/opt/tessaly/style.swf"));
    EXPECT_EQ(joinPath("/opt/tessaly", "/style.swf"), QStringLiteral("/opt/tessaly/style.swf"));
    EXPECT_EQ(joinPath("/", "style.swf"), QStringLiteral("/style.swf"));
    EXPECT_EQ(joinPath("/opt/tessaly", "powerpoint.files/"),
              QStringLiteral("/opt/tessaly/powerpoint.files/"));
    EXPECT_EQ(joinPath("", "style.swf"), QStringLiteral("style.swf"));
}

TEST(ProgramFolder, FileExistsOnlyForRegularFiles)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("intro.odp"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QDir(dir.path()).mkdir(QStringLiteral("folder"));

    EXPECT_TRUE(fileExists(file));
    EXPECT_FALSE(fileExists(dir.filePath(QStringLiteral("folder"))));
    EXPECT_FALSE(fileExists(dir.path() + QStringLiteral("/")));
    EXPECT_FALSE(fileExists(file + QStringLiteral("/")));
    EXPECT_FALSE(fileExists(dir.filePath(QStringLiteral("missing.odp"))));
    EXPECT_FALSE(fileExists(QString()));
}
