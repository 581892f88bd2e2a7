// Feeds arbitrary bytes to the picture loader: it must return a picture or a
// failure, never crash, hang or allocate what a header merely claims.
//
// Built once for each format the loader reads (TINTABORRA_FUZZ_FORMAT), each
// target takes only inputs that start with its format's signature, so that
// every target's time goes to its own decoder and the seeds of fuzz/seeds/<format>.
#include "formats/codecs.h"
#include "core/numbers.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QList>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

// The signatures a file of this target's format starts with.
QList<QByteArray> signatures() {
  const QByteArrayView format = TINTABORRA_FUZZ_FORMAT;
  if (format == "bmp") return {"BM"};
  if (format == "gif") return {"GIF87a", "GIF89a"};
  if (format == "jpeg") return {"\xFF\xD8"};
  if (format == "png") return {"\x89PNG\r\n\x1A\n"};
  if (format == "tiff") return {QByteArray("II*\0", 4), QByteArray("MM\0*", 4)};
  return {QByteArray()};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  platform::InitCodecs();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  static const QList<QByteArray> ours = signatures();
  if (std::none_of(ours.begin(), ours.end(), [&](const QByteArray& s) { return bytes.startsWith(s); }))
    return -1;  // another target's input: kept out of this one's corpus
  try {
    const QImage image = platform::LoadPictureFromData(bytes);
    if (image.format() != QImage::Format_RGB32) __builtin_trap();
  } catch (const platform::Failure&) {
  }
  return 0;
}
