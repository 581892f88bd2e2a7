#include "anchors.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace quality {
namespace {

PixPtr Checked(PIX* pix, const char* what) {
  if (!pix) throw std::runtime_error(std::string("Leptonica no dio resultado: ") + what);
  return PixPtr(pix);
}

int HalfWindow(double dpi) { return std::max(2, int(std::lround(dpi / 6))); }  // windows of dpi / 3

// Wolf and Jolion: T = (1 - k) m + k M + k (s / R) (m - M), with m and s the
// window's mean and deviation, M the page's darkest grey and R the largest
// deviation of any window. Sums over the window kept column by column.
PixPtr Wolf(PIX* grey, int half, double k) {
  const int w = pixGetWidth(grey), h = pixGetHeight(grey);
  const l_uint32* data = pixGetData(grey);
  const int wpl = pixGetWpl(grey);
  std::vector<std::uint8_t> g(std::size_t(w) * h);
  int darkest = 255;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      darkest = std::min<int>(darkest, g[std::size_t(y) * w + x] = GET_DATA_BYTE(data + y * wpl, x));
  std::vector<float> mean(g.size()), deviation(g.size());
  std::vector<double> columnSum(w, 0), columnSquares(w, 0);
  auto addRow = [&](int y, int sign) {
    for (int x = 0; x < w; ++x) {
      const double v = g[std::size_t(y) * w + x];
      columnSum[x] += sign * v, columnSquares[x] += sign * v * v;
    }
  };
  for (int y = 0; y < std::min(half, h); ++y) addRow(y, 1);
  float largest = 0;
  for (int y = 0; y < h; ++y) {
    if (y + half < h) addRow(y + half, 1);
    if (y - half - 1 >= 0) addRow(y - half - 1, -1);
    const int rows = std::min(h - 1, y + half) - std::max(0, y - half) + 1;
    double sum = 0, squares = 0;
    for (int x = 0; x < std::min(half, w); ++x) sum += columnSum[x], squares += columnSquares[x];
    for (int x = 0; x < w; ++x) {
      if (x + half < w) sum += columnSum[x + half], squares += columnSquares[x + half];
      if (x - half - 1 >= 0) sum -= columnSum[x - half - 1], squares -= columnSquares[x - half - 1];
      const double count = double(rows) * (std::min(w - 1, x + half) - std::max(0, x - half) + 1);
      const double m = sum / count, s = std::sqrt(std::max(0.0, squares / count - m * m));
      mean[std::size_t(y) * w + x] = float(m);
      deviation[std::size_t(y) * w + x] = float(s);
      largest = std::max(largest, float(s));
    }
  }
  PixPtr binary = Checked(pixCreate(w, h, 1), "Wolf");
  l_uint32* out = pixGetData(binary.get());
  const int outWpl = pixGetWpl(binary.get());
  const double range = std::max(largest, 1.f);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = std::size_t(y) * w + x;
      const double m = mean[i];
      const double threshold = (1 - k) * m + k * darkest + k * deviation[i] / range * (m - darkest);
      if (g[i] <= threshold) SET_DATA_BIT(out + y * outWpl, x);
    }
  return binary;
}

}  // namespace

void PixDeleter::operator()(Pix* pix) const { pixDestroy(&pix); }

const char* BinariserName(Binariser binariser) {
  switch (binariser) {
    case Binariser::Otsu:
      return "Otsu global";
    case Binariser::Sauvola034:
      return "Sauvola k 0,34";
    case Binariser::Sauvola020:
      return "Sauvola k 0,2";
    case Binariser::Wolf:
      return "Wolf k 0,5";
    case Binariser::NormalisedOtsu:
      return "Fondo normalizado + Otsu";
  }
  return "";
}

PixPtr ToPix(const QImage& picture) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  PixPtr pix = Checked(pixCreate(rgb.width(), rgb.height(), 32), "pixCreate");
  l_uint32* data = pixGetData(pix.get());
  const int wpl = pixGetWpl(pix.get());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) data[y * wpl + x] = (line[x] << 8) | 0xff;  // R G B A
  }
  return pix;
}

QImage FromPix(Pix* colour) {
  const int w = pixGetWidth(colour), h = pixGetHeight(colour), wpl = pixGetWpl(colour);
  const l_uint32* data = pixGetData(colour);
  QImage picture(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < w; ++x) line[x] = 0xff000000u | (data[y * wpl + x] >> 8);
  }
  return picture;
}

Mask BlackOf(Pix* binary) {
  const int w = pixGetWidth(binary), h = pixGetHeight(binary), wpl = pixGetWpl(binary);
  const l_uint32* data = pixGetData(binary);
  Mask black(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) black.At(x, y) = GET_DATA_BIT(data + y * wpl, x) != 0;
  return black;
}

PixPtr Binarise(Binariser binariser, Pix* colour, double dpi) {
  PixPtr grey = Checked(pixConvertRGBToLuminance(colour), "luminancia");
  const int w = pixGetWidth(grey.get()), h = pixGetHeight(grey.get());
  PIX* result = nullptr;
  switch (binariser) {
    case Binariser::Otsu:  // one tile: the whole page
      pixOtsuAdaptiveThreshold(grey.get(), w, h, 0, 0, 0, nullptr, &result);
      break;
    case Binariser::Sauvola034:
    case Binariser::Sauvola020:
      pixSauvolaBinarize(grey.get(), HalfWindow(dpi), binariser == Binariser::Sauvola034 ? 0.34f : 0.2f, 1, nullptr,
                         nullptr, nullptr, &result);
      break;
    case Binariser::Wolf:
      return Wolf(grey.get(), HalfWindow(dpi), 0.5);
    case Binariser::NormalisedOtsu: {
      // Leptonica's suggested tiles (10 x 15 at 300 dpi) and counts, following the resolution.
      const int sx = std::max(4, int(std::lround(10 * dpi / 300))), sy = std::max(4, int(std::lround(15 * dpi / 300)));
      // At least a third of a tile's samples lighter than 100 make its background.
      const int least = std::max(1, int(std::lround(50 * dpi * dpi / (300.0 * 300.0))));
      result = pixOtsuThreshOnBackgroundNorm(grey.get(), nullptr, sx, sy, 100, least, 255, 2, 2, 0.1f, nullptr);
      break;
    }
  }
  return Checked(result, BinariserName(binariser));
}

PixPtr CleanToWhite(Pix* colour, double) {
  return Checked(pixCleanBackgroundToWhite(colour, nullptr, nullptr, 1.0f, 70, 190), "pixCleanBackgroundToWhite");
}

}  // namespace quality
