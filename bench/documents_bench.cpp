// Pages made ready for a document: an A4 page at 300 dpi (2480 x 3508) of
// black text on white (Group 4), of colour (Flate, and JPEG at 85) and of
// grey. Each benchmark's time is one page. bytes is the stream's size; for
// the text page, tiffcp_g4_bytes is the strip of the same 1-bit page
// recompressed by libtiff's `tiffcp -c g4` and g4_ratio ours against it
// (both skipped when tiffcp is not installed).
#include "formats/documents/document.h"

#include <QFont>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <cmath>

namespace {

constexpr int Width = 2480, Height = 3508, DotsPerMetre = 11811;

QImage a4() {
  QImage page(Width, Height, QImage::Format_RGB32);
  page.setDotsPerMeterX(DotsPerMetre);
  page.setDotsPerMeterY(DotsPerMetre);
  return page;
}

// Lines of 11-point text with margins, drawn without smoothing: pure black
// and white, as a scan turns out once made black and white.
const QImage& textPage() {
  static const QImage page = [] {
    QImage p = a4();
    p.fill(Qt::white);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(46);
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QString line = QStringLiteral("En un lugar de la Mancha, de cuyo nombre no quiero acordarme, no ha mucho");
    for (int y = 300; y < Height - 300; y += 70) painter.drawText(250, y, line.mid(y % 7));
    return p;
  }();
  return page;
}

// Smooth colour with a little noise, as a scanned photograph.
const QImage& colourPage() {
  static const QImage page = [] {
    QImage p = a4();
    std::uint32_t noise = 1;
    for (int y = 0; y < Height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(p.scanLine(y));
      for (int x = 0; x < Width; ++x) {
        noise = noise * 1664525u + 1013904223u;
        const int n = int(noise >> 29);
        line[x] = qRgb(int(127 + 100 * std::sin(x / 300.0)) + n, int(127 + 100 * std::cos(y / 400.0)) + n,
                       int(127 + 90 * std::sin((x + y) / 500.0)) + n);
      }
    }
    return p;
  }();
  return page;
}

const QImage& greyPage() {
  static const QImage page =
      colourPage().convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
  return page;
}

// The strip tiffcp makes of the text page in Group 4; 0 when tiffcp is missing.
double tiffcpBytes() {
  const QString tiffcp = QStandardPaths::findExecutable(QStringLiteral("tiffcp"));
  if (tiffcp.isEmpty()) return 0;
  QTemporaryDir dir;
  const QByteArray plain = QFile::encodeName(dir.filePath("plano.tif")), g4 = QFile::encodeName(dir.filePath("g4.tif"));
  TIFF* t = TIFFOpen(plain.constData(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, Width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, Height);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, Height);
  std::vector<unsigned char> row((Width + 7) / 8);
  for (int y = 0; y < Height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < Width; ++x)
      if ((textPage().pixel(x, y) & 0xFFFFFF) == 0) row[std::size_t(x / 8)] |= 0x80 >> (x % 8);
    TIFFWriteScanline(t, row.data(), std::uint32_t(y), 0);
  }
  TIFFClose(t);
  if (QProcess::execute(tiffcp, {QStringLiteral("-c"), QStringLiteral("g4"), QString::fromLocal8Bit(plain),
                                 QString::fromLocal8Bit(g4)}) != 0)
    return 0;
  t = TIFFOpen(g4.constData(), "r");
  if (!t) return 0;
  double bytes = 0;
  for (std::uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) bytes += double(TIFFGetStrileByteCount(t, s));
  TIFFClose(t);
  return bytes;
}

void encode(benchmark::State& state, const QImage& page, int quality, documents::EncodedPage::Storage storage) {
  documents::EncodedPage encoded;
  for (auto _ : state) {
    encoded = documents::EncodePage(page, quality);
    benchmark::DoNotOptimize(encoded.data.data());
  }
  if (encoded.storage != storage) state.SkipWithError("stored otherwise than expected");
  state.counters["bytes"] = double(encoded.data.size());
  state.counters["pages_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  if (storage == documents::EncodedPage::Storage::Group4) {
    if (const double theirs = tiffcpBytes(); theirs > 0) {
      state.counters["tiffcp_g4_bytes"] = theirs;
      state.counters["g4_ratio"] = double(encoded.data.size()) / theirs;
    }
  }
}

using Storage = documents::EncodedPage::Storage;
void BM_TextGroup4(benchmark::State& s) { encode(s, textPage(), 0, Storage::Group4); }
void BM_ColourFlate(benchmark::State& s) { encode(s, colourPage(), 0, Storage::Rgb); }
void BM_ColourJpeg85(benchmark::State& s) { encode(s, colourPage(), 85, Storage::Jpeg); }
void BM_GreyFlate(benchmark::State& s) { encode(s, greyPage(), 0, Storage::Grey); }

BENCHMARK(BM_TextGroup4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourFlate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourJpeg85)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GreyFlate)->Unit(benchmark::kMillisecond);

}  // namespace
