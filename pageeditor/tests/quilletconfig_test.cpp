// The configuration line, the feature text, page numbers and the small texts
// of the page records.
#include "pageeditor/core/feature.h"
#include "pageeditor/core/pagerecords.h"
#include "pageeditor/core/quilletconfig.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pageeditor;

TEST(QuilletConfig, NineFieldsSetEverything)
{
    const QuilletConfig config = parseQuilletConfig(
        QString::fromUtf8("10¬20¬800¬500¬Harbour pages¬harbour.odb¬edit¬clicknav¬ontop"), "quillet2.ini");
    EXPECT_TRUE(config.problem.isEmpty()) << config.problem.toStdString();
    EXPECT_TRUE(config.placed);
    EXPECT_EQ(config.geometry, QRect(10, 20, 800, 500));
    EXPECT_EQ(config.caption, "Harbour pages");
    EXPECT_EQ(config.database, "harbour.odb");
    EXPECT_TRUE(config.edit);
    EXPECT_TRUE(config.clicknav);
    EXPECT_TRUE(config.ontop);
}

TEST(QuilletConfig, SwitchesAreExactWords)
{
    // "Edit" with a capital E, or anything else, leaves a switch off.
    const QuilletConfig config =
        parseQuilletConfig(QString::fromUtf8("0¬0¬640¬480¬pages¬p.odb¬Edit¬click nav¬on top"), "quillet2.ini");
    EXPECT_TRUE(config.problem.isEmpty());
    EXPECT_FALSE(config.edit);
    EXPECT_FALSE(config.clicknav);
    EXPECT_FALSE(config.ontop);
}

TEST(QuilletConfig, ShortLinesAndMissingFilesGiveDefaultsAndSaySo)
{
    const QuilletConfig shortLine =
        parseQuilletConfig(QString::fromUtf8("10¬20¬800¬500¬caption"), "quillet2.ini");
    EXPECT_FALSE(shortLine.placed);
    EXPECT_EQ(shortLine.caption, "quillet2");
    EXPECT_EQ(shortLine.database, "pages.odb");
    EXPECT_FALSE(shortLine.edit);
    EXPECT_TRUE(shortLine.problem.contains("quillet2.ini"));
    EXPECT_TRUE(shortLine.problem.contains("has 5 of the nine fields"));
    EXPECT_TRUE(shortLine.problem.contains("first missing: database"));

    const QuilletConfig empty = parseQuilletConfig(QString(), "quillet2.ini");
    EXPECT_TRUE(empty.problem.contains("has 0 of the nine fields"));

    QTemporaryDir folder;
    const QuilletConfig missing = readQuilletConfig(folder.filePath("quillet2.ini"));
    EXPECT_FALSE(missing.placed);
    EXPECT_EQ(missing.database, "pages.odb");
    EXPECT_TRUE(missing.problem.contains(folder.filePath("quillet2.ini")));

    // Only the first line counts; lines end at CR or LF.
    QFile file(folder.filePath("quillet2.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QString::fromUtf8("1¬2¬300¬400¬first¬a.odb¬edit¬x¬x\r\n5¬6¬7¬8¬second¬b.odb¬x¬x¬x\r\n").toUtf8());
    file.close();
    const QuilletConfig read = readQuilletConfig(file.fileName());
    EXPECT_EQ(read.caption, "first");
    EXPECT_EQ(read.geometry, QRect(1, 2, 300, 400));
}

TEST(QuilletConfig, BadFieldsAreNamedAndDefaulted)
{
    const QuilletConfig config =
        parseQuilletConfig(QString::fromUtf8("10¬x¬0¬500¬¬ ¬edit¬clicknav¬ontop"), "quillet2.ini");
    EXPECT_FALSE(config.placed);  // the window is centred at its default size
    EXPECT_EQ(config.caption, "quillet2");
    EXPECT_EQ(config.database, "pages.odb");
    EXPECT_TRUE(config.edit);  // what was right is taken
    EXPECT_TRUE(config.problem.contains("field 1 (top)"));
    EXPECT_TRUE(config.problem.contains("field 2 (width)"));
    EXPECT_TRUE(config.problem.contains("field 4 (caption)"));
    EXPECT_TRUE(config.problem.contains("field 5 (database)"));
    EXPECT_FALSE(config.problem.contains("field 0"));
}

TEST(Feature, FiveOrMorePiecesPlaceAMovie)
{
    const auto placement = parseFeature(QString::fromUtf8("150¬699¬5300¬3900¬whowaitsforeveranyway.swf"));
    ASSERT_TRUE(placement.has_value());
    EXPECT_EQ(placement->top, 150);
    EXPECT_EQ(placement->left, 699);
    EXPECT_EQ(placement->width, 5300);
    EXPECT_EQ(placement->height, 3900);
    EXPECT_EQ(placement->movie, "whowaitsforeveranyway.swf");
    EXPECT_TRUE(parseFeature(QString::fromUtf8("1¬2¬3¬4¬m.qml¬extra")).has_value());
    EXPECT_FALSE(parseFeature(QString::fromUtf8("150¬699¬5300¬3900")).has_value());
    EXPECT_FALSE(parseFeature(endOfFileText()).has_value());
    EXPECT_FALSE(parseFeature(QString::fromUtf8("a¬699¬5300¬3900¬m.qml")).has_value());
    EXPECT_EQ(featureText("150", "699", "5300", "3900", "m.qml"), QString::fromUtf8("150¬699¬5300¬3900¬m.qml"));
}

TEST(PageTexts, PageNumbersThatCouldLeaveTheirQuotesAreRefused)
{
    EXPECT_TRUE(pageNumberProblem("12").isEmpty());
    EXPECT_TRUE(pageNumberProblem(QString::fromUtf8("Ωμέγα 3")).isEmpty());
    EXPECT_FALSE(pageNumberProblem("1' OR var_name LIKE '%").isEmpty());
    EXPECT_FALSE(pageNumberProblem("1'").isEmpty());
    EXPECT_FALSE(pageNumberProblem("[1").isEmpty());
    EXPECT_FALSE(pageNumberProblem("1]").isEmpty());
    EXPECT_FALSE(pageNumberProblem("").isEmpty());
    EXPECT_TRUE(pageNumberProblem(QString(20, 'x')).isEmpty());
    EXPECT_FALSE(pageNumberProblem(QString(21, 'x')).isEmpty());
    // Twenty bytes, not twenty characters: ten Greek letters are twenty bytes.
    EXPECT_TRUE(pageNumberProblem(QString::fromUtf8("αβγδεζηθικ")).isEmpty());
    EXPECT_FALSE(pageNumberProblem(QString::fromUtf8("αβγδεζηθικλ")).isEmpty());
}

TEST(PageTexts, BytesToStringAndKilobytes)
{
    EXPECT_EQ(ByteArrayToString(QByteArray("before\0after", 12)), "before");
    EXPECT_EQ(ByteArrayToString("caf\xc3\xa9"), QString::fromUtf8("café"));
    EXPECT_EQ(ByteArrayToString("caf\xe9"), QString::fromUtf8("café"));  // written on the original platform
    EXPECT_EQ(kilobytesText(2048), "2");
    EXPECT_EQ(kilobytesText(3000), "2.9296");
    EXPECT_EQ(kilobytesText(0), "0");
    EXPECT_EQ(kilobytesText(1048576), "1024");
    EXPECT_EQ(endOfFileText(), QString::fromUtf8("¬END OF FILE¬"));
}
