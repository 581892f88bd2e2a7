// libtiff's CCITT codec has no public entry of its own: it codes and decodes
// only the strips of a TIFF it writes or reads. So a stream to be made is
// written as the one strip of a TIFF in memory and taken from there, and a
// stream to be decoded is handed, as it is, to a TIFF in memory that holds
// little but its directory (TIFFReadFromUserBuffer).
#include "formats/documents/fax.h"

#include "core/numbers.h"
#include "formats/documents/readers.h"
#include "formats/tiff_device.h"

#include <QBuffer>

namespace documents {

namespace {

[[noreturn]] void noMemory() {
  platform::Fail(platform::FailureKind::OutOfMemory, QStringLiteral("No hay memoria suficiente para la página"));
}

// The fields of a 1-bit page of one strip, white as 0.
void describe(TIFF* t, int width, int height, FaxCoding coding) {
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, std::uint32_t(width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, std::uint32_t(height));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, coding.compression);
  if (coding.compression == COMPRESSION_CCITTFAX3)
    TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, std::uint32_t(coding.options));
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, std::uint32_t(height));
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

}  // namespace

QByteArray Group4Stream(const unsigned char* rows, int width, int height) {
  QByteArray memory;
  QBuffer buffer(&memory);
  buffer.open(QIODevice::ReadWrite);
  platform::TiffOnDevice tiff;
  if (!tiff.open(buffer, "w")) noMemory();
  TIFF* t = tiff.get();
  describe(t, width, height, FaxCoding{COMPRESSION_CCITTFAX4, 0});
  const tmsize_t bytes = tmsize_t((std::size_t(width) + 7) / 8 * std::size_t(height));
  // Rows in the bit order libtiff writes are encoded as they are, not changed.
  if (TIFFWriteEncodedStrip(t, 0, const_cast<unsigned char*>(rows), bytes) < 0) noMemory();
  // The strip is where libtiff put it, after the file's header.
  const std::uint64_t offset = TIFFGetStrileOffset(t, 0), size = TIFFGetStrileByteCount(t, 0);
  if (tiff.failed() || offset + size > std::uint64_t(memory.size())) noMemory();
  tiff.abandon();  // no directory: the strip is all that is wanted
  memory.truncate(qsizetype(offset + size));
  return memory.remove(0, qsizetype(offset));
}

std::vector<unsigned char> DecodeFax(const QByteArray& stream, int width, int height, FaxCoding coding) {
  QByteArray directory;
  {
    QBuffer buffer(&directory);
    buffer.open(QIODevice::WriteOnly);
    platform::TiffOnDevice tiff;
    if (!tiff.open(buffer, "w")) noMemory();
    describe(tiff.get(), width, height, coding);
    // libtiff writes no directory without a strip: one byte stands for it,
    // never read.
    char stand = 0;
    if (TIFFWriteRawStrip(tiff.get(), 0, &stand, 1) != 1 || !tiff.closeTiff()) noMemory();
  }
  QBuffer buffer(&directory);
  buffer.open(QIODevice::ReadOnly);
  platform::TiffOnDevice tiff;
  if (!tiff.open(buffer, "rm")) noMemory();
  std::vector<unsigned char> rows((std::size_t(width) + 7) / 8 * std::size_t(height));
  QByteArray input(stream.constData(), stream.size());  // libtiff may reverse its bits in place
  if (!TIFFReadFromUserBuffer(tiff.get(), 0, input.data(), tmsize_t(input.size()), rows.data(),
                              tmsize_t(rows.size())) ||
      tiff.failed())
    RaiseDamaged(QStringLiteral("los datos de la imagen de la página están dañados"));
  return rows;
}

}  // namespace documents
