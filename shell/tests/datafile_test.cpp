#include "shell/core/datafile.h"

#include "testinstallation.h"

namespace {
const QString sep = QString(QChar(0x00AC));
const QString cr = QString(QChar(13));
}  // namespace

TEST(DataFile, TwentyFiveVariablesAToY)
{
    const QStringList names = DataFile::variableNames();
    ASSERT_EQ(names.size(), 25);
    EXPECT_EQ(names.first(), "a");
    EXPECT_EQ(names.last(), "y");
    EXPECT_FALSE(names.contains("z"));
}

TEST(DataFile, BlockSplitsAtCarriageReturnsAndWritesEmptyAsBlank)
{
    EXPECT_EQ(DataFile::block("a", "Welcome" + cr + "to the show"),
              QStringList({sep + "a" + sep + "Welcome", "to the show"}));
    EXPECT_EQ(DataFile::block("b", ""), QStringList({sep + "b" + sep + " "}));
    EXPECT_EQ(DataFile::block("c", "one" + cr + cr + "three"),
              QStringList({sep + "c" + sep + "one", "", "three"}));
}

TEST(DataFile, ParseJoinsContinuationLinesWithCarriageReturns)
{
    const auto texts = DataFile::parse({sep + "a" + sep + "Welcome", "to the show", sep + "b" + sep + " "});
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0].first, "a");
    EXPECT_EQ(texts[0].second, "Welcome" + cr + "to the show");
    EXPECT_EQ(texts[1].first, "b");
    EXPECT_EQ(texts[1].second, " ");
}

TEST(DataFile, ParseTreatsSeparatorLeadingLinesAsHeadersAndDropsExtraPieces)
{
    const auto texts = DataFile::parse({
        "stray line before any header",
        sep + "a" + sep + "first" + sep + "dropped",
        sep + "b",  // a header with one separator: name only
        "after",
    });
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0].first, "a");
    EXPECT_EQ(texts[0].second, "first");
    EXPECT_EQ(texts[1].first, "b");
    EXPECT_EQ(texts[1].second, "after");
}

TEST(DataFile, EmptyLinesInsideATextSurvive)
{
    const auto texts = DataFile::parse({sep + "a" + sep + "one", "", "three"});
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts[0].second, "one" + cr + cr + "three");
}

TEST(DataFile, TextsBeginningWithEmptyLinesReadBackWhole)
{
    for (const QString &value : {cr + "second", cr + cr + "third", "first" + cr, cr}) {
        const auto texts = DataFile::parse(DataFile::block("a", value));
        ASSERT_EQ(texts.size(), 1);
        EXPECT_EQ(texts[0].second, value) << value.size() << " characters";
    }
    // The same holds for a block that another block follows.
    const auto texts = DataFile::parse(DataFile::block("a", cr + "x") + DataFile::block("b", "y"));
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0].second, cr + "x");
    EXPECT_EQ(texts[1].second, "y");
}

TEST(DataFile, AFurtherLineStartingWithTheSeparatorIsReadAsANewHeader)
{
    const auto texts = DataFile::parse(DataFile::block("a", "one" + cr + sep + "b" + sep + "two"));
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], qMakePair(QString("a"), QString("one")));
    EXPECT_EQ(texts[1], qMakePair(QString("b"), QString("two")));
}
