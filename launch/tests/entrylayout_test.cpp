// The twips arithmetic of the entry buttons, labels and window height.
#include "launch/core/entrylayout.h"

#include <gtest/gtest.h>

namespace launch {
namespace {

TEST(EntryLayout, ABlankFirstEntryShowsItsLabelAtTheMarginAndKeepsItsPlace)
{
    const EntryGeometry first = EntryLayout::place(0, QStringLiteral("[blank]"), QStringLiteral("Heading"));
    EXPECT_FALSE(first.buttonVisible);
    EXPECT_TRUE(first.labelVisible);
    EXPECT_EQ(first.button, QRect(120, 120, 1455, 375));
    EXPECT_EQ(first.label, QRect(200, 240, 6855, 255));

    // The next button goes 100 twips below the hidden one; its label 300 below that
    // one's bottom, beside the visible button.
    const EntryGeometry second = EntryLayout::place(1, QStringLiteral("Mail"), QStringLiteral("Read mail"));
    EXPECT_TRUE(second.buttonVisible);
    EXPECT_EQ(second.button, QRect(120, 595, 1455, 375));
    EXPECT_EQ(second.label, QRect(1775, 795, 6855, 255));

    const EntryGeometry third = EntryLayout::place(2, QString(), QStringLiteral("[blank]"));
    EXPECT_FALSE(third.buttonVisible);
    EXPECT_FALSE(third.labelVisible);
    EXPECT_EQ(third.button.top(), 1070);
    EXPECT_EQ(third.label.topLeft(), QPoint(200, 1270));
}

TEST(EntryLayout, AFirstEntryWithAButtonPutsItsLabelBesideIt)
{
    const EntryGeometry first = EntryLayout::place(0, QStringLiteral("Go"), QString());
    EXPECT_TRUE(first.buttonVisible);
    EXPECT_FALSE(first.labelVisible);
    EXPECT_EQ(first.label, QRect(1775, 240, 6855, 255));
    // "[blank]" is matched exactly: anything else is a caption.
    EXPECT_TRUE(EntryLayout::place(0, QStringLiteral("[Blank]"), QString()).buttonVisible);
    EXPECT_TRUE(EntryLayout::place(0, QStringLiteral(" "), QString()).buttonVisible);
}

TEST(EntryLayout, TheWindowHeightGoesByTheLastEntry)
{
    EXPECT_EQ(EntryLayout::windowHeight(1), 120 + 2 * 375 + 200);
    EXPECT_EQ(EntryLayout::windowHeight(2), 595 + 2 * 375 + 200);
    EXPECT_EQ(EntryLayout::windowHeight(10), 120 + 9 * 475 + 2 * 375 + 200);
    // No entries: just the web-site button and a margin.
    const QRect website = EntryLayout::websiteButton();
    EXPECT_EQ(EntryLayout::windowHeight(0), website.bottom() + 1 + 120);
    EXPECT_LT(EntryLayout::windowHeight(0), EntryLayout::windowHeight(1));
}

}  // namespace
}  // namespace launch
