// Picture-box drawing: print positions, tab columns and the pixels that reach the image.
#include <gtest/gtest.h>

#include "widgets/ImageCanvas.h"

namespace vt {
namespace {

TEST(PrintPosition, TabAndSpcMoveByColumns) {
    RecordingCanvas c;
    c.CurrentY = 115;
    c.Print({Tab(13), "Speed", Spc(20), "rpm"});
    auto t = c.texts();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_FLOAT_EQ(t[0].x1, 12 * Canvas::kColumnWidth);
    EXPECT_FLOAT_EQ(t[0].y1, 115);
    EXPECT_FLOAT_EQ(t[1].x1, (12 + 5 + 20) * Canvas::kColumnWidth);
    // A line end starts the next row at the left edge.
    EXPECT_FLOAT_EQ(c.CurrentX, 0);
    EXPECT_FLOAT_EQ(c.CurrentY, 115 + Canvas::kRowHeight);
}

TEST(PrintPosition, WithoutLineEndThePositionStaysAfterTheText) {
    RecordingCanvas c;
    c.CurrentX = 10;
    c.CurrentY = 244;
    c.Print({Spc(8), "Lat G"}, false);
    EXPECT_FLOAT_EQ(c.CurrentX, 10 + 13 * Canvas::kColumnWidth);
    EXPECT_FLOAT_EQ(c.CurrentY, 244);
}

TEST(PrintPosition, TabBehindThePositionGoesToTheNextRow) {
    RecordingCanvas c;
    c.CurrentY = 20;
    c.Print({"0123456789", Tab(5), "x"});
    auto t = c.texts();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_FLOAT_EQ(t[1].x1, 4 * Canvas::kColumnWidth);
    EXPECT_FLOAT_EQ(t[1].y1, 20 + Canvas::kRowHeight);
}

TEST(PrintPosition, NumbersPrintWithBlanksAroundTheDigits) {
    EXPECT_EQ(printed(4), " 4 ");
    EXPECT_EQ(printed(-2), "-2 ");
    EXPECT_EQ(printed(0.25f), " .25 ");
}

TEST(PrintPosition, ClsHomesThePosition) {
    RecordingCanvas c;
    c.CurrentX = 40;
    c.CurrentY = 50;
    c.Cls();
    EXPECT_FLOAT_EQ(c.CurrentX, 0);
    EXPECT_FLOAT_EQ(c.CurrentY, 0);
}

TEST(ImagePixels, PixelsLinesAndBoxesCoverExactlyTheirPixels) {
    ImageCanvas c(40, 30, 1.0);
    c.PSet(10, 10, rgb(255, 0, 0));
    c.Line(2, 20, 8, 20, rgb(0, 0, 255));
    c.Box(20, 2, 24, 6, rgb(0, 128, 0), true);
    c.Box(30, 2, 34, 6, kBlack, false);
    const QImage& img = c.image();
    EXPECT_EQ(img.pixelColor(10, 10), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(11, 10), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(9, 10), QColor(255, 255, 255));
    for (int x = 2; x <= 8; ++x) EXPECT_EQ(img.pixelColor(x, 20), QColor(0, 0, 255)) << x;
    EXPECT_EQ(img.pixelColor(5, 19), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(20, 2), QColor(0, 128, 0));
    EXPECT_EQ(img.pixelColor(24, 6), QColor(0, 128, 0));
    EXPECT_EQ(img.pixelColor(25, 6), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(30, 2), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(34, 6), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(32, 4), QColor(255, 255, 255));  // an outline stays hollow
}

TEST(ImagePixels, TextLandsInItsColumns) {
    ImageCanvas c(100, 20, 1.0);
    c.Print({Tab(11), "MMM"});
    const QImage& img = c.image();
    auto inkBetween = [&img](int x0, int x1) {
        int n = 0;
        for (int x = x0; x < x1; ++x)
            for (int y = 0; y < 12; ++y)
                if (qGray(img.pixel(x, y)) < 160) ++n;
        return n;
    };
    EXPECT_GT(inkBetween(45, 59), 10);  // columns 11..13 span x = 45 .. 58.5
    EXPECT_EQ(inkBetween(0, 44), 0);
    EXPECT_EQ(inkBetween(60, 100), 0);
}

TEST(ImagePixels, BackColourRepaintsAndScaleMultipliesPixels) {
    ImageCanvas c(20, 10, 2.0);
    c.setBackColor(rgb(0, 192, 192));
    c.PSet(3, 4, kBlack);
    const QImage& img = c.image();
    EXPECT_EQ(img.width(), 40);
    EXPECT_EQ(img.pixelColor(0, 0), QColor(0, 192, 192));
    EXPECT_EQ(img.pixelColor(6, 8), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(7, 9), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(8, 8), QColor(0, 192, 192));
}

}  // namespace
}  // namespace vt
