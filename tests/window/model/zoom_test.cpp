#include "window/model/zoom.h"

#include "support/test_window.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Zoom, StepsArePowersOfTwoWithinTheRange) {
  const struct {
    double from, in, out;
  } cases[] = {{1, 2, 0.5},      {8, 8, 4}, {1.0 / 32, 1.0 / 16, 1.0 / 32},
               {0.3, 0.5, 0.25}, {3, 4, 2}, {0.125, 0.25, 0.0625}};
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(ZoomIn(c.from), c.in) << c.from;
    EXPECT_DOUBLE_EQ(ZoomOut(c.from), c.out) << c.from;
  }
}

TEST(Zoom, FitTakesTheTighterSideAndWholeStepsAboveOne) {
  const struct {
    int w, h, frameW, frameH;
    double zoom;
  } cases[] = {{10000, 100, 890, 700, 0.089}, {100, 10000, 890, 700, 0.07},      {100, 100, 890, 700, 7},
               {1, 1, 890, 700, 8},           {1000000, 10, 890, 700, 1.0 / 32}, {890, 700, 890, 700, 1}};
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(FitZoom(c.w, c.h, c.frameW, c.frameH), c.zoom) << c.w << "x" << c.h;
    if (c.zoom > 1.0 / 32) {
      EXPECT_LE(ShownSize(c.w, c.zoom), c.frameW);
      EXPECT_LE(ShownSize(c.h, c.zoom), c.frameH);
    }
  }
}

TEST(Zoom, TextShowsThePercentWithADecimalComma) {
  const struct {
    double zoom;
    const char* text;
  } cases[] = {
      {1, "Zoom 100 %"}, {0.125, "Zoom 12,5 %"}, {8, "Zoom 800 %"}, {1.0 / 32, "Zoom 3,1 %"}, {0.089, "Zoom 8,9 %"}};
  for (const auto& c : cases) EXPECT_EQ(ZoomText(c.zoom), QString::fromUtf8(c.text));
}

TEST(Zoom, ThePixelUnderAPointIsTheOneWhoseSquareHoldsIt) {
  const struct {
    double offset;
    int size, shown, pixel;
  } cases[] = {{0.5, 10, 10, 0}, {9.99, 10, 10, 9}, {-0.5, 10, 10, -1}, {7.5, 10, 40, 1}, {7.99, 10, 40, 1},
               {8, 10, 40, 2},   {3.5, 80, 10, 28}, {-31, 10, 10, -31}, {3.25, 7, 21, 1}, {5.999, 7, 21, 1}};
  for (const auto& c : cases) EXPECT_EQ(PixelUnder(c.offset, c.size, c.shown), c.pixel) << c.offset << " " << c.shown;
}

TEST(Zoom, ZoomedOutEachPixelShowsTheAverageOfItsBlock) {
  // 5 x 2 shown as 2 x 1: columns 0-1 and 2-4.
  const QImage source =
      testsupport::MakePicture(5, 2, [](int x, int y) { return platform::RGB(x * 10 + y, 0, 100 * y); });
  QImage view(2, 1, QImage::Format_RGB32);
  view.fill(0);
  AverageColumns(source, view, 1, 1);
  EXPECT_EQ(view.pixel(0, 0), qRgb(0, 0, 0)) << "a column not asked for is left alone";
  EXPECT_EQ(view.pixel(1, 0), qRgb(31, 0, 50));  // (20+30+40+21+31+41) / 6 rounded
  AverageColumns(source, view, 0, 5);
  EXPECT_EQ(view.pixel(0, 0), qRgb(6, 0, 50));  // (0+10+1+11) / 4 rounded
}
