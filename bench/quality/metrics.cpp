#include "metrics.h"

#include <QColor>

#include <cmath>
#include <limits>

namespace quality {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

double Percent(std::int64_t part, std::int64_t whole) { return whole ? 100.0 * double(part) / double(whole) : NaN; }

// The DRD's weights: the inverse distance to the centre of a 5 x 5 block,
// 0 at the centre, summing to 1.
struct DrdWeights {
  double w[5][5];
  DrdWeights() {
    double sum = 0;
    for (int i = 0; i < 5; ++i)
      for (int j = 0; j < 5; ++j) sum += w[i][j] = (i == 2 && j == 2) ? 0 : 1 / std::hypot(i - 2, j - 2);
    for (auto& row : w)
      for (double& v : row) v /= sum;
  }
};

}  // namespace

Mask BlackOf(const QImage& result) {
  const QImage rgb = result.convertToFormat(QImage::Format_RGB32);
  Mask black(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) black.At(x, y) = (line[x] & 0xffffff) == 0;
  }
  return black;
}

double FMeasure(const Mask& truth, const Mask& result) {
  std::int64_t both = 0, truthOnly = 0, resultOnly = 0;
  for (std::size_t i = 0; i < truth.bits.size(); ++i) {
    both += truth.bits[i] && result.bits[i];
    truthOnly += truth.bits[i] && !result.bits[i];
    resultOnly += !truth.bits[i] && result.bits[i];
  }
  if (both == 0) return 0;
  const double precision = double(both) / double(both + resultOnly), recall = double(both) / double(both + truthOnly);
  return 100 * 2 * precision * recall / (precision + recall);
}

double Psnr(const Mask& truth, const Mask& result) {
  std::int64_t wrong = 0;
  for (std::size_t i = 0; i < truth.bits.size(); ++i) wrong += (truth.bits[i] != 0) != (result.bits[i] != 0);
  if (wrong == 0) return std::numeric_limits<double>::infinity();
  return 10 * std::log10(double(truth.bits.size()) / double(wrong));
}

double Drd(const Mask& truth, const Mask& result) {
  static const DrdWeights weights;
  double sum = 0;
  for (int y = 0; y < truth.height; ++y)
    for (int x = 0; x < truth.width; ++x) {
      const bool value = result(x, y);
      if (value == truth(x, y)) continue;
      for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
          const int tx = x + j - 2, ty = y + i - 2;
          if (tx < 0 || ty < 0 || tx >= truth.width || ty >= truth.height) continue;
          if (truth(tx, ty) != value) sum += weights.w[i][j];
        }
    }
  // The blocks of the truth that are neither all ink nor all paper.
  std::int64_t mixed = 0;
  for (int by = 0; by < truth.height; by += 8)
    for (int bx = 0; bx < truth.width; bx += 8) {
      int inked = 0, all = 0;
      for (int y = by; y < std::min(by + 8, truth.height); ++y)
        for (int x = bx; x < std::min(bx + 8, truth.width); ++x, ++all) inked += truth(x, y);
      mixed += inked != 0 && inked != all;
    }
  return mixed ? sum / double(mixed) : (sum ? std::numeric_limits<double>::infinity() : 0);
}

BinaryScore Score(const Page& page, const Mask& black) {
  Mask truth = page.ink;
  for (std::size_t i = 0; i < truth.bits.size(); ++i) truth.bits[i] |= page.faint.bits[i];
  BinaryScore score;
  score.fMeasure = FMeasure(truth, black);
  score.psnr = Psnr(truth, black);
  score.drd = Drd(truth, black);
  std::int64_t faint = 0, faintBlack = 0, marked = 0, markedBlack = 0;
  for (std::size_t i = 0; i < truth.bits.size(); ++i) {
    faint += page.faint.bits[i];
    faintBlack += page.faint.bits[i] && black.bits[i];
    const bool mark = page.stain.bits[i] || page.showThrough.bits[i];
    marked += mark;
    markedBlack += mark && black.bits[i];
  }
  score.faintFound = Percent(faintBlack, faint);
  score.stainOrBackBlack = Percent(markedBlack, marked);
  return score;
}

BinaryScore Score(const Page& page, const QImage& result) { return Score(page, BlackOf(result)); }

WhiteScore ScoreWhite(const Page& page, const QImage& result) {
  const QImage rgb = result.convertToFormat(QImage::Format_RGB32);
  std::int64_t paper = 0, paperWhite = 0, ink = 0, inkKept = 0, faint = 0, faintKept = 0;
  double hueX = 0, hueY = 0;
  std::int64_t hued = 0;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) {
      const bool white = (line[x] & 0xffffff) == 0xffffff;
      if (page.paper(x, y)) ++paper, paperWhite += white;
      if (page.ink(x, y)) ++ink, inkKept += !white;
      if (page.faint(x, y)) ++faint, faintKept += !white;
      if (page.stamp(x, y)) {
        const float hue = QColor::fromRgb(line[x]).hsvHueF();
        if (hue < 0) continue;  // grey: no hue
        hueX += std::cos(2 * M_PI * hue), hueY += std::sin(2 * M_PI * hue);
        ++hued;
      }
    }
  }
  WhiteScore score;
  score.paperWhite = Percent(paperWhite, paper);
  score.inkKept = Percent(inkKept, ink);
  score.faintKept = Percent(faintKept, faint);
  score.stampHueShift = NaN;
  if (page.stamp.Count() > 0) {
    if (hued == 0) {
      score.stampHueShift = 180;  // nothing of its colour left
    } else {
      const double mean = std::atan2(hueY, hueX) * 180 / M_PI, own = page.stampColour.hsvHueF() * 360.0;
      score.stampHueShift = std::abs(std::remainder(mean - own, 360.0));
    }
  }
  return score;
}

}  // namespace quality
