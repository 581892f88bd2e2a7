// The page steps on the pages that break such methods: nothing but paper,
// nothing but ink, a page smaller than the neighbourhood, one pixel, no
// resolution, grey and palette pictures, a stop; and their walks, built for
// every instruction set this processor runs, against the pixel-by-pixel rule.
#include "core/page_steps.h"
#include "core/pixel_rules.h"
#include "core/row_kernels.h"
#include "core/row_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace filters;

namespace {

constexpr QRgb BlackPixel = 0xFF000000u, WhitePixel = 0xFFFFFFFFu;

QImage Page(int width, int height, QRgb paper, double dpi = 300) {
  QImage page(width, height, QImage::Format_RGB32);
  page.fill(paper);
  if (dpi > 0) {
    page.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
    page.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
  }
  return page;
}

// Cream paper with noise, light falling off to the right, and a dark stroke
// 4 pixels wide down the middle of every 40 columns.
QImage ScannedPage(int width, int height, double dpi = 300, bool strokes = true) {
  QImage page = Page(width, height, 0, dpi);
  std::mt19937 random(5);
  std::normal_distribution<double> noise(0, 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double light = 1 - 0.3 * x / width, ink = strokes && (x % 40 >= 18 && x % 40 < 22) ? 0.12 : 1.0;
      const auto channel = [&](double paper) { return std::clamp(int(paper * light * ink + noise(random)), 0, 255); };
      page.setPixel(x, y, qRgb(channel(244), channel(236), channel(220)));
    }
  return page;
}

using StepFunction = bool (*)(QImage&, const std::atomic<bool>*);
const struct {
  const char* name;
  StepFunction run;
} Steps[] = {{"white background", WhitenBackground}, {"local black and white", LocalBlackAndWhite}};

int Count(const QImage& picture, QRgb pixel) {
  int n = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) n += picture.pixel(x, y) == pixel;
  return n;
}

}  // namespace

TEST(PageSteps, PagesWithoutInkOrWithoutPaperComeOutWhiteOrBlack) {
  // A page of ink and no paper keeps its ink as it is on white paper.
  const QRgb nearlyBlack = qRgb(20, 22, 18);
  const struct {
    const char* name;
    QImage page;
    QRgb background, blackWhite;  // every pixel, after each step
  } pages[] = {
      {"pure white", Page(300, 200, WhitePixel), WhitePixel, WhitePixel},
      {"cream paper with noise and light falling off, no ink", ScannedPage(300, 200, 300, false), WhitePixel,
       WhitePixel},
      {"all black", Page(300, 200, BlackPixel), BlackPixel, BlackPixel},
      {"all nearly black", Page(300, 200, nearlyBlack), nearlyBlack, BlackPixel},
      {"one white pixel", Page(1, 1, WhitePixel), WhitePixel, WhitePixel},
      {"one black pixel", Page(1, 1, BlackPixel), BlackPixel, BlackPixel},
  };
  for (const auto& step : Steps)
    for (const auto& p : pages) {
      QImage picture = p.page;
      ASSERT_TRUE(step.run(picture, nullptr));
      const QRgb expected = step.run == WhitenBackground ? p.background : p.blackWhite;
      EXPECT_EQ(Count(picture, expected), picture.width() * picture.height()) << step.name << ": " << p.name;
    }
}

TEST(PageSteps, StrokesStayInkAndPaperGoesWhiteAtAnySize) {
  for (const auto& step : Steps)
    for (const QSize size : {QSize(400, 120), QSize(23, 9), QSize(40, 1), QSize(1, 60)}) {
      QImage picture = ScannedPage(size.width(), size.height());
      const QImage before = picture;
      ASSERT_TRUE(step.run(picture, nullptr));
      for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
          const bool stroke = x % 40 >= 18 && x % 40 < 22;
          const QRgb got = picture.pixel(x, y);
          if (!stroke) {
            ASSERT_EQ(got, WhitePixel) << step.name << " " << size.width() << "x" << size.height() << " at " << x;
          } else if (step.run == LocalBlackAndWhite) {
            ASSERT_EQ(got, BlackPixel) << step.name << " at " << x << "," << y;
          } else {
            // The ink keeps its shade, set against the paper: darker, never lighter than read.
            ASSERT_NE(got, WhitePixel) << step.name << " at " << x << "," << y;
            ASSERT_LE(qGray(got), qGray(before.pixel(x, y)) * 255 / 160) << step.name << " at " << x << "," << y;
          }
        }
    }
}

TEST(PageSteps, APictureWithoutResolutionIsTakenAt300Dpi) {
  for (const auto& step : Steps) {
    QImage unknown = ScannedPage(200, 80, 0), at300 = ScannedPage(200, 80, 300);
    EXPECT_EQ(PageDpi(unknown), 300);
    ASSERT_TRUE(step.run(unknown, nullptr));
    ASSERT_TRUE(step.run(at300, nullptr));
    at300.setDotsPerMeterX(unknown.dotsPerMeterX());
    at300.setDotsPerMeterY(unknown.dotsPerMeterY());
    EXPECT_EQ(unknown, at300) << step.name;
  }
}

TEST(PageSteps, GreyAndPalettePicturesKeepTheirGreys) {
  QImage grey = ScannedPage(120, 40).convertToFormat(QImage::Format_Grayscale8);
  QImage palette = grey.convertToFormat(QImage::Format_Indexed8);
  for (QImage picture : {grey, palette}) {
    ASSERT_TRUE(WhitenBackground(picture, nullptr));
    ASSERT_EQ(picture.format(), QImage::Format_RGB32);
    int shaded = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) {
        const QRgb p = picture.pixel(x, y);
        ASSERT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << "," << y;
        shaded += p != WhitePixel;
      }
    EXPECT_EQ(shaded, 3 * 4 * 40);
  }
}

TEST(PageSteps, AStopBeforeTheWritingLeavesThePictureAsItWas) {
  const std::atomic<bool> stop{true};
  for (const auto& step : Steps) {
    QImage picture = ScannedPage(200, 50);
    const QImage before = picture.copy();
    EXPECT_FALSE(step.run(picture, &stop)) << step.name;
    EXPECT_EQ(picture, before) << step.name;
  }
}

TEST(PageSteps, TheWalksGiveThePixelByPixelRuleOnEveryInstructionSet) {
  std::mt19937 random(11);
  std::vector<QRgb> pixels(70);
  std::vector<std::uint8_t> limits(70), brightness(70);
  std::vector<std::uint16_t> gains(70);
  for (const std::int64_t target : kernels::Targets()) {
    kernels::UseOnly(target);
    for (int round = 0; round < 200; ++round) {
      const int count = 1 + round % 70;
      const std::uint32_t tint[3] = {128 + random() % 385, 128 + random() % 385, 128 + random() % 385};
      for (int i = 0; i < count; ++i) {
        pixels[i] = random() | 0xFF000000u;
        limits[i] = std::uint8_t(random());
        gains[i] = std::uint16_t(256 + random() % 800);
      }
      std::vector<QRgb> below = pixels, kept = pixels;
      WalkRowBelow(below.data(), count, limits.data());
      KeepInk(kept.data(), count, limits.data(), gains.data(), tint);
      BrightnessRow(pixels.data(), count, brightness.data());
      for (int i = 0; i < count; ++i) {
        const QRgb p = pixels[i];
        const std::uint32_t b = Brightness(qRed(p), qGreen(p), qBlue(p));
        const auto scaled = [&](int c, int k) {
          return int(std::min<std::uint32_t>(255, (c * tint[k] * gains[i]) >> 16));
        };
        SCOPED_TRACE(kernels::TargetName(target));
        ASSERT_EQ(brightness[i], b);
        ASSERT_EQ(below[i], b < limits[i] ? BlackPixel : WhitePixel);
        ASSERT_EQ(kept[i],
                  b < limits[i] ? qRgb(scaled(qRed(p), 0), scaled(qGreen(p), 1), scaled(qBlue(p), 2)) : WhitePixel);
      }
    }
  }
  kernels::UseOnly(0);
}
