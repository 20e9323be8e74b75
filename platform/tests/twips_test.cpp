#include "platform/twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

extern bool g_withApplication;

using namespace platform;

TEST(Twips, FifteenPerPixelAt96Dpi)
{
    if (g_withApplication) {
        ASSERT_DOUBLE_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInchX(), 96.0);
    }
    EXPECT_DOUBLE_EQ(twipsPerPixelX(), 15.0);
    EXPECT_DOUBLE_EQ(twipsPerPixelY(), 15.0);
    EXPECT_EQ(twipsToPixelsX(1440), 96);
    EXPECT_EQ(twipsToPixelsY(1440), 96);
    EXPECT_EQ(pixelsToTwipsX(1024), 15360);
    EXPECT_EQ(pixelsToTwipsY(768), 11520);
    EXPECT_EQ(pixelsToTwipsX(0), 0);
}

TEST(Twips, ConversionRoundsToTheNearestPixel)
{
    EXPECT_EQ(twipsToPixelsX(950), 63);     // 63.33
    EXPECT_EQ(twipsToPixelsY(430), 29);     // 28.67
    EXPECT_EQ(twipsToPixelsX(7), 0);
    EXPECT_EQ(twipsToPixelsX(8), 1);
    EXPECT_EQ(twipsToPixelsX(-100), -7);    // the movie control's left edge
    EXPECT_EQ(twipsToPixelsY(-3015), -201);
    // Pixels to twips and back is exact.
    for (int px : {-50, 1, 7, 63, 1280, 1600})
        EXPECT_EQ(twipsToPixelsX(pixelsToTwipsX(px)), px);
}
