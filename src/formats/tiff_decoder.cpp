#include "formats/tiff_decoder.h"

#include "core/failure.h"
#include "core/large_pages.h"
#include "formats/codecs.h"
#include "formats/tiff_device.h"
#include "formats/widening.h"

#include <QBuffer>

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

namespace {

[[noreturn]] void invalidPicture() { Fail(FailureKind::Damaged, QStringLiteral("Imagen no válida")); }

// The most pixel bytes one stored byte can give for each compression that
// bounds it: Deflate about 1032; LZW a 12-bit code for at most 4094 bytes;
// PackBits 128 bytes from two; JPEG a block of 64 samples from 2 bits at the
// least; the fax codes a row from 1 bit at the least. 0 for the others.
std::uint64_t mostBytesPerStoredByte(int compression, std::uint64_t rowBytes) {
  switch (compression) {
    case COMPRESSION_NONE:
      return 1;
    case COMPRESSION_PACKBITS:
      return 64;
    case COMPRESSION_LZW:
      return 4096;
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE:
      return 1100;
    case COMPRESSION_JPEG:
      return 1024;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
      return 8 * rowBytes + 8;
    default:
      return 0;
  }
}

// Reads the directory's entries as stored, through libtiff's own handle on
// the file: whether it says "palette" and has no colour map. libtiff takes
// such an 8-bit page for grey, which its writer never meant.
bool paletteWithoutColours(TIFF* tiff) {
  const bool big = TIFFIsBigTIFF(tiff);
  const thandle_t handle = TIFFClientdata(tiff);
  const TIFFReadWriteProc read = TIFFGetReadProc(tiff);
  const TIFFSeekProc seek = TIFFGetSeekProc(tiff);
  const auto value = [&](const unsigned char* at, int bytes) { return StoredTiffValue(tiff, at, bytes); };
  unsigned char head[8];
  const int countBytes = big ? 8 : 2, entryBytes = big ? 20 : 12;
  if (seek(handle, TIFFCurrentDirOffset(tiff), SEEK_SET) == toff_t(-1) || read(handle, head, countBytes) != countBytes)
    return false;
  const std::uint64_t count = value(head, countBytes);
  if (count > 4096) return false;  // libtiff read it: not this
  std::vector<unsigned char> entries(std::size_t(count) * std::size_t(entryBytes));
  if (read(handle, entries.data(), tmsize_t(entries.size())) != tmsize_t(entries.size())) return false;
  bool palette = false, colours = false;
  for (std::uint64_t i = 0; i < count; ++i) {
    const unsigned char* e = entries.data() + i * std::uint64_t(entryBytes);
    const std::uint64_t tag = value(e, 2), type = value(e + 2, 2);
    const int at = big ? 12 : 8;
    if (tag == TIFFTAG_PHOTOMETRIC) palette = (type == TIFF_SHORT ? value(e + at, 2) : value(e + at, 4)) == 3;
    if (tag == TIFFTAG_COLORMAP) colours = true;
  }
  return palette && !colours;
}

// Refuses, before anything is allocated, a page whose strips or tiles run
// past the file's end or whose stored bytes cannot hold the pixels claimed.
void checkStoredData(TIFF* tiff, qint64 fileBytes) {
  const std::uint32_t pieces = TIFFNumberOfStrips(tiff);  // strips or tiles
  std::uint64_t stored = 0;
  for (std::uint32_t i = 0; i < pieces; ++i) {
    const std::uint64_t offset = TIFFGetStrileOffset(tiff, i), bytes = TIFFGetStrileByteCount(tiff, i);
    if (offset > std::uint64_t(fileBytes) || bytes > std::uint64_t(fileBytes) - offset)
      Fail(FailureKind::Damaged, QStringLiteral("Imagen incompleta: el archivo termina antes de tiempo"));
    stored += bytes;
  }
  std::uint16_t compression = COMPRESSION_NONE, planar = PLANARCONFIG_CONTIG, samples = 1;
  std::uint32_t height = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  const std::uint64_t most = mostBytesPerStoredByte(compression, std::uint64_t(TIFFScanlineSize64(tiff)));
  // Planes stored apart: a row of each plane a row.
  const std::uint64_t whole = TIFFIsTiled(tiff) ? std::uint64_t(TIFFTileSize64(tiff)) * pieces
                                                : std::uint64_t(TIFFScanlineSize64(tiff)) * height *
                                                      (planar == PLANARCONFIG_SEPARATE ? samples : 1);
  if (most != 0 && stored < whole / most)
    Fail(FailureKind::Damaged, QStringLiteral("Imagen dañada: sus datos no alcanzan para el tamaño que dice tener"));
}

// The picture's resolution, as Qt's reader of TIFF files gives it.
void setResolution(TIFF* tiff, QImage& image) {
  float x = 0, y = 0;
  std::uint16_t unit = RESUNIT_INCH;
  if (!TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit)) unit = RESUNIT_INCH;
  if (!TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) || !TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y)) return;
  const double perMetre = unit == RESUNIT_CENTIMETER ? 100.0 : unit == RESUNIT_INCH ? 100 / 2.54 : 0;
  if (perMetre == 0) return;
  image.setDotsPerMeterX(qRound(x * perMetre));
  image.setDotsPerMeterY(qRound(y * perMetre));
}

// Room for the decoded picture: where large pages are advised, memory that
// the kernel can back with them.
QImage room(int width, int height) {
  const std::size_t bytes = std::size_t(width) * 4 * std::size_t(height);
  if (!LargePagesAdvised || bytes < 4 * LargePageBytes) return QImage(width, height, QImage::Format_RGB32);
  PixelMemory memory = AllocatePixels(bytes);
  if (!memory) return {};
  return ImageOver(std::move(memory), width, height, qsizetype(width) * 4, QImage::Format_RGB32);
}

// 16-bit grey rounded to the nearest 8-bit value, as Qt's conversions round
// (libtiff keeps the high byte): x / 257 rounded.
void putGrey16(TIFFRGBAImage* reader, std::uint32_t* to, std::uint32_t, std::uint32_t, std::uint32_t w, std::uint32_t h,
               std::int32_t fromSkew, std::int32_t toSkew, unsigned char* from) {
  const bool inverse = reader->photometric == PHOTOMETRIC_MINISWHITE;
  for (; h > 0; --h) {
    std::uint16_t sample = 0;
    for (std::uint32_t x = 0; x < w; ++x) {
      std::memcpy(&sample, from + 2 * std::size_t(x), 2);  // in the machine's order: libtiff has swapped it
      const std::uint32_t g = (std::uint32_t(sample) * 255 + 32767) / 65535;
      const std::uint32_t v = inverse ? 255 - g : g;
      *to++ = 0xFF000000u | v << 16 | v << 8 | v;  // TIFFGetR..A's order; the same for grey
    }
    from += 2 * (std::size_t(w) + std::size_t(fromSkew));
    to += toSkew;
  }
}

// A one-dimensional Group 3 page written without end-of-line codes, as some
// fax software writes them, is one Modified Huffman row after another:
// libtiff 4.5's Group 3 decoder looks for the codes that are not there and
// reads nothing, so the page goes to its Modified Huffman decoder instead,
// rows aligned on bytes only where the page says it fills them.
void readFaxRowsWithoutEndOfLine(TIFF* tiff) {
  std::uint16_t compression = COMPRESSION_NONE, fillOrder = FILLORDER_MSB2LSB;
  std::uint32_t options = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
  if (compression != COMPRESSION_CCITTFAX3 || TIFFIsTiled(tiff)) return;
  TIFFGetField(tiff, TIFFTAG_GROUP3OPTIONS, &options);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_FILLORDER, &fillOrder);
  unsigned char head[2] = {};
  if ((options & GROUP3OPT_2DENCODING) || TIFFReadRawStrip(tiff, 0, head, 2) != 2) return;
  if (fillOrder == FILLORDER_LSB2MSB) TIFFReverseBits(head, 2);
  // An end-of-line code, and the fill before one, starts with eleven 0 bits;
  // the code a row starts with, a white run's, with at most seven.
  if (((unsigned(head[0]) << 8 | head[1]) >> 5) == 0) return;
  const bool aligned = options & GROUP3OPT_FILLBITS;
  if (!TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTRLE) ||
      !TIFFSetField(tiff, TIFFTAG_FAXMODE, FAXMODE_NORTC | FAXMODE_NOEOL | (aligned ? FAXMODE_BYTEALIGN : 0)))
    invalidPicture();
}

}  // namespace

std::uint64_t StoredTiffValue(TIFF* tiff, const unsigned char* at, int bytes) {
  const bool bigEndian = TIFFIsBigEndian(tiff);
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= std::uint64_t(at[bigEndian ? bytes - 1 - i : i]) << (8 * i);
  return v;
}

QImage DecodeTiffDirectory(TIFF* tiff, qint64 fileBytes) {
  std::uint32_t width = 0, height = 0;
  if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) ||
      width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
    Fail(FailureKind::Damaged, QStringLiteral("Imagen dañada: su cabecera no es válida"));
  CheckClaimedSize(QSize(int(width), int(height)), fileBytes);
  if (paletteWithoutColours(tiff))
    Fail(FailureKind::Damaged, QStringLiteral("Imagen dañada: es de paleta y le falta su tabla de colores"));
  checkStoredData(tiff, fileBytes);
  readFaxRowsWithoutEndOfLine(tiff);
  char message[1024] = {};
  TIFFRGBAImage reader{};
  if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&reader, tiff, 1, message))
    invalidPicture();                           // a form of samples libtiff does not draw
  reader.req_orientation = reader.orientation;  // the rows as stored, as Qt's reader gives them
  if (reader.isContig && reader.bitspersample == 16 && reader.samplesperpixel == 1 &&
      (reader.photometric == PHOTOMETRIC_MINISBLACK || reader.photometric == PHOTOMETRIC_MINISWHITE))
    reader.put.contig = &putGrey16;
  QImage image = room(int(width), int(height));
  if (image.isNull()) {
    TIFFRGBAImageEnd(&reader);
    Fail(FailureKind::OutOfMemory, QStringLiteral("No hay memoria suficiente para la imagen"));
  }
  // libtiff writes its pixels (R in the low byte, premultiplied) straight into
  // the picture's rows. Strips of whole pixels are read a row at a time and
  // put through libtiff's own conversion: never a whole strip decoded at once
  // beside the picture; tiles a tile at a time; YCbCr through libtiff's
  // reading of whole blocks.
  auto* pixels = reinterpret_cast<std::uint32_t*>(image.bits());
  bool decoded = true;
  if (!TIFFIsTiled(tiff) && reader.isContig && reader.photometric != PHOTOMETRIC_YCBCR) {
    std::vector<unsigned char> row(std::size_t(TIFFScanlineSize64(tiff)));
    for (std::uint32_t y = 0; y < height && decoded; ++y) {
      decoded = TIFFReadScanline(tiff, row.data(), y, 0) >= 0;
      if (decoded) reader.put.contig(&reader, pixels + std::size_t(y) * width, 0, y, width, 1, 0, 0, row.data());
    }
  } else if (TIFFIsTiled(tiff) && reader.isContig && reader.photometric != PHOTOMETRIC_YCBCR) {
    // Each tile read into a buffer of ours: libtiff 4.5's own buffer for
    // uncompressed tiles fails unless their size is a multiple of 1 KB.
    std::uint32_t tileWidth = 0, tileHeight = 0;
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight);
    std::vector<unsigned char> tile(std::size_t(TIFFTileSize64(tiff)));
    decoded = tileWidth > 0 && tileHeight > 0 && !tile.empty();
    for (std::uint32_t y = 0; decoded && y < height; y += tileHeight)
      for (std::uint32_t x = 0; decoded && x < width; x += tileWidth) {
        decoded = TIFFReadTile(tiff, tile.data(), x, y, 0, 0) >= 0;
        const std::uint32_t columns = std::min(tileWidth, width - x), rows = std::min(tileHeight, height - y);
        if (decoded)
          reader.put.contig(&reader, pixels + std::size_t(y) * width + x, x, y, columns, rows,
                            std::int32_t(tileWidth - columns), std::int32_t(width - columns), tile.data());
      }
  } else {
    decoded = TIFFRGBAImageGet(&reader, pixels, width, height) != 0;
  }
  TIFFRGBAImageEnd(&reader);
  if (!decoded) invalidPicture();
  const std::size_t count = std::size_t(width) * height;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t p = pixels[i];
    pixels[i] = OverWhite(qRgba(int(TIFFGetR(p)), int(TIFFGetG(p)), int(TIFFGetB(p)), int(TIFFGetA(p))));
  }
  setResolution(tiff, image);
  return image;
}

namespace {

class TiffInMemory {
 public:
  explicit TiffInMemory(const QByteArray& data) {
    buffer_.setData(data);
    buffer_.open(QIODevice::ReadOnly);
    if (!tiff_.open(buffer_, "r")) invalidPicture();
  }
  TIFF* get() const { return tiff_.get(); }

 private:
  QBuffer buffer_;
  TiffOnDevice tiff_;
};

}  // namespace

QImage DecodeTiff(const QByteArray& data) {
  const TiffInMemory tiff(data);
  return DecodeTiffDirectory(tiff.get(), data.size());
}

bool TiffLinksFurther(QIODevice& device) {
  TiffOnDevice tiff;
  return tiff.open(device, "r") && !TIFFLastDirectory(tiff.get());
}

}  // namespace platform
