// Feeds arbitrary bytes to the picture loader: it must return a picture or a
// failure, never crash, hang or allocate what a header merely claims.
#include "pixels/codecs.h"
#include "pixels/vb.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  platform::InitCodecs();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const QImage image =
        platform::LoadPictureFromData(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (image.format() != QImage::Format_RGB32) __builtin_trap();
  } catch (const platform::Failure&) {
  }
  return 0;
}
