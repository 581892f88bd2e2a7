// Loading a 24-megapixel JPEG photograph (6000 x 4000, 4:2:0) through the
// loader, which decodes it with libjpeg-turbo directly, beside Qt's reader,
// which the loader used before; and refusing a JPEG whose header claims
// 10000 x 10000 over 13 KB of zeros.
#include "formats/codecs.h"
#include "core/large_pages.h"
#include "core/numbers.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <benchmark/benchmark.h>

#include <cstring>

namespace {

QByteArray jpegOf(const QImage& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpg");
  writer.setQuality(90);
  writer.write(picture);
  return bytes;
}

// Smooth shading with detail on top, as a photograph has.
const QByteArray& photograph() {
  static const QByteArray bytes = [] {
    QImage picture(6000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
      for (int x = 0; x < picture.width(); ++x)
        line[x] = qRgb(x * 255 / 6000, y * 255 / 4000, ((x * 7) ^ (y * 3)) & 0xFF);
    }
    return jpegOf(picture);
  }();
  return bytes;
}

// As the loader read JPEG files before: Qt's reader filling a cleared picture
// in large-page memory.
void BM_LoadJpeg_QtReader(benchmark::State& state) {
  photograph();
  for (auto _ : state) {
    QBuffer buffer;
    buffer.setData(photograph());
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    const std::size_t bytes = std::size_t(size.width()) * 4 * std::size_t(size.height());
    platform::PixelMemory memory = platform::AllocatePixels(bytes);
    std::memset(memory.get(), 0, bytes);
    QImage image =
        platform::ImageOver(std::move(memory), size.width(), size.height(), size.width() * 4, QImage::Format_RGB32);
    reader.read(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetBytesProcessed(state.iterations() * photograph().size());
}
BENCHMARK(BM_LoadJpeg_QtReader)->Unit(benchmark::kMillisecond);

void BM_LoadJpeg_Loader(benchmark::State& state) {
  photograph();
  for (auto _ : state) {
    const QImage image = platform::LoadPictureFromData(photograph());
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetBytesProcessed(state.iterations() * photograph().size());
}
BENCHMARK(BM_LoadJpeg_Loader)->Unit(benchmark::kMillisecond);

void BM_RefuseJpegOfZeros(benchmark::State& state) {
  QByteArray claim = jpegOf(QImage(16, 16, QImage::Format_RGB32));
  const qsizetype frame = claim.indexOf("\xFF\xC0"), scan = claim.indexOf("\xFF\xDA");
  claim[frame + 5] = claim[frame + 7] = char(0x27);  // 10000 = 0x2710
  claim[frame + 6] = claim[frame + 8] = char(0x10);
  claim = claim.left(scan + 2 + 12) + QByteArray(13000, '\0') + "\xFF\xD9";
  for (auto _ : state) {
    try {
      platform::LoadPictureFromData(claim);
      state.SkipWithError("accepted");
    } catch (const platform::Failure&) {
    }
  }
}
BENCHMARK(BM_RefuseJpegOfZeros)->Unit(benchmark::kMillisecond);

}  // namespace
