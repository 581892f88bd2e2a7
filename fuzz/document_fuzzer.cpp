// Feeds arbitrary bytes to the document reader as a file: opening it and
// reading its first pages must give pictures or a failure, never crash, hang
// or allocate what a header merely claims. Only inputs that start as a PDF
// or a TIFF are taken (seeds in fuzz/seeds/pdf).
#include "formats/documents/document.h"
#include "formats/codecs.h"
#include "core/numbers.h"

#include <QByteArray>
#include <QGuiApplication>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <unistd.h>

namespace {

// Pages drawn rather than taken are drawn small: the largest page a PDF can
// describe stays a few hundred megabytes.
constexpr int FuzzDpi = 36;
constexpr int PagesRead = 3;

// The file each input is written to, removed at exit.
char scratch[] = "/tmp/document_fuzzer-XXXXXX";

void makeScratch() {
  const int fd = ::mkstemp(scratch);
  if (fd < 0) std::abort();
  ::close(fd);
  std::atexit([] { ::unlink(scratch); });
}

// A page whose drawing takes longer is given up, as the batch gives it up
// later: the fuzzer looks for crashes, not for slow pages.
constexpr std::chrono::milliseconds DrawingBudget{2000};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  platform::InitCodecs();
  makeScratch();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // Classic TIFF and BigTIFF, in either byte order.
  const bool tiff = bytes.startsWith(QByteArray("II*\0", 4)) || bytes.startsWith(QByteArray("MM\0*", 4)) ||
                    bytes.startsWith(QByteArray("II+\0", 4)) || bytes.startsWith(QByteArray("MM\0+", 4));
  if (!tiff && !documents::StartsAsPdf(bytes)) return -1;
  FILE* file = std::fopen(scratch, "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) std::abort();
  try {
    const auto reader = documents::OpenDocument(QString::fromLocal8Bit(scratch), FuzzDpi, {DrawingBudget, nullptr});
    if (reader->pageCount() < 1) __builtin_trap();
    for (int i = 0; i < reader->pageCount() && i < PagesRead; ++i) {
      try {
        const QImage page = reader->page(i);
        if (page.format() != QImage::Format_RGB32 || page.isNull()) __builtin_trap();
      } catch (const platform::Failure&) {
      }
    }
  } catch (const platform::Failure&) {
  }
  return 0;
}
