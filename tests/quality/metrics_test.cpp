// The scores on pictures small enough to work out by hand.
#include "quality/metrics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <utility>

namespace quality {
namespace {

// The weights of the DRD's 5 x 5 block before they are made to sum to 1:
// 1 / distance, 4 at distance 1, 4 at sqrt 2, 4 at 2, 8 at sqrt 5, 4 at sqrt 8.
const double WeightSum = 4 + 4 / std::sqrt(2.0) + 4 / 2.0 + 8 / std::sqrt(5.0) + 4 / std::sqrt(8.0);  // 13.8204

Mask Marked(int w, int h, std::initializer_list<std::pair<int, int>> points) {
  Mask mask(w, h);
  for (auto [x, y] : points) mask.At(x, y) = 1;
  return mask;
}

struct Case {
  const char* what;
  Mask truth, result;
  double fMeasure, psnr, drd;
};

TEST(QualityMetrics, HandWorkedPictures) {
  // 16 x 16 pictures (256 pixels, four 8 x 8 blocks).
  const Mask square = Marked(16, 16, {{4, 4}, {5, 4}, {4, 5}, {5, 5}});  // one mixed block
  const Case cases[] = {
      // All four found, nothing else: F 100, no error at all.
      {"exacto", square, square, 100, INFINITY, 0},
      // Three found, (5,5) missed, (12,12) made black far from any ink.
      // P = R = 3/4: F = 75. Two wrong of 256: PSNR = 10 log10(128) = 21.072.
      // (5,5) white: its neighbours in the truth, (4,4), (5,4), (4,5), are
      // black, unlike it: 1 + 1 + 1/sqrt 2 out of WeightSum. (12,12) black
      // among white: every weight, 1. One mixed block of the truth.
      {"uno perdido, uno de mas", square, Marked(16, 16, {{4, 4}, {5, 4}, {4, 5}, {12, 12}}), 75,
       10 * std::log10(128.0), (2 + 1 / std::sqrt(2.0)) / WeightSum + 1},
      // (6,4) made black beside the square: P = 4/5, R = 1, F = 2 (4/5) / (9/5) = 88.889.
      // One wrong: PSNR = 10 log10(256) = 24.082. Its neighbours in the
      // truth black like it: (5,4) at 1, (5,5) at sqrt 2, (4,4) at 2, (4,5)
      // at sqrt 5; the rest white: 1 - 2.6543 / WeightSum = 0.80794.
      {"uno al lado", square, Marked(16, 16, {{4, 4}, {5, 4}, {4, 5}, {5, 5}, {6, 4}}), 800.0 / 9,
       10 * std::log10(256.0), 1 - (1 + 1 / std::sqrt(2.0) + 1 / 2.0 + 1 / std::sqrt(5.0)) / WeightSum},
      // Nothing black: F 0; four wrong, PSNR = 10 log10(64) = 18.062. Each
      // of the four is white against three black neighbours at 1, 1 and
      // sqrt 2.
      {"todo blanco", square, Mask(16, 16), 0, 10 * std::log10(64.0), 4 * (2 + 1 / std::sqrt(2.0)) / WeightSum},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_NEAR(FMeasure(c.truth, c.result), c.fMeasure, 1e-9);
    if (std::isinf(c.psnr))
      EXPECT_TRUE(std::isinf(Psnr(c.truth, c.result)));
    else
      EXPECT_NEAR(Psnr(c.truth, c.result), c.psnr, 1e-9);
    EXPECT_NEAR(Drd(c.truth, c.result), c.drd, 1e-9);
  }
}

TEST(QualityMetrics, DrdDividesByTheMixedBlocksOnly) {
  // Two mixed blocks of four ((1,1) and (9,9)); a pixel made black far from
  // both, whose whole 5 x 5 block lies in the picture: 1 / 2.
  const Mask truth = Marked(16, 16, {{1, 1}, {9, 9}});
  EXPECT_NEAR(Drd(truth, Marked(16, 16, {{1, 1}, {9, 9}, {4, 12}})), 0.5, 1e-12);
  // At the corner only the block's part inside the picture counts: (1,0) and
  // (0,1) at 1, (2,0) and (0,2) at 2, (2,1) and (1,2) at sqrt 5, (2,2) at
  // sqrt 8; (1,1), black in the truth as well, adds nothing.
  EXPECT_NEAR(Drd(truth, Marked(16, 16, {{1, 1}, {9, 9}, {0, 0}})),
              (2 + 2 / 2.0 + 2 / std::sqrt(5.0) + 1 / std::sqrt(8.0)) / WeightSum / 2, 1e-12);
}

TEST(QualityMetrics, ScoreCountsPencilStainsAndTheBackPage) {
  Page page;
  page.ink = Marked(8, 2, {{0, 0}});
  page.faint = Marked(8, 2, {{1, 0}, {2, 0}, {3, 0}, {4, 0}});
  page.stain = Marked(8, 2, {{0, 1}, {1, 1}});
  page.showThrough = Marked(8, 2, {{2, 1}, {3, 1}});
  page.paper = page.stamp = Mask(8, 2);
  // Ink, one of the four pencil pixels and one of the four stain or back page pixels black.
  const BinaryScore score = Score(page, Marked(8, 2, {{0, 0}, {3, 0}, {2, 1}}));
  EXPECT_DOUBLE_EQ(score.faintFound, 25);
  EXPECT_DOUBLE_EQ(score.stainOrBackBlack, 25);
  // The truth is the ink and the pencil: 2 of 5 found, 2 of 3 right: F = 2 (2/3)(2/5) / (16/15) = 50.
  EXPECT_NEAR(score.fMeasure, 50, 1e-9);
}

TEST(QualityMetrics, BlackIsExactlyZeroWhiteExactly255) {
  Page page;
  page.ink = Marked(4, 1, {{0, 0}, {1, 0}});
  page.paper = Marked(4, 1, {{2, 0}, {3, 0}});
  page.faint = page.stamp = page.stain = page.showThrough = Mask(4, 1);
  QImage result(4, 1, QImage::Format_RGB32);
  result.setPixel(0, 0, qRgb(0, 0, 0));
  result.setPixel(1, 0, qRgb(0, 0, 1));
  result.setPixel(2, 0, qRgb(255, 255, 255));
  result.setPixel(3, 0, qRgb(255, 254, 255));
  const Mask black = BlackOf(result);
  EXPECT_TRUE(black(0, 0));
  EXPECT_FALSE(black(1, 0));
  const WhiteScore white = ScoreWhite(page, result);
  EXPECT_DOUBLE_EQ(white.paperWhite, 50);
  EXPECT_DOUBLE_EQ(white.inkKept, 100);
  EXPECT_TRUE(std::isnan(white.faintKept));
}

}  // namespace
}  // namespace quality
