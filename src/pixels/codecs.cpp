#include "pixels/codecs.h"

#include "pixels/filenames.h"

#include "pixels/completeness.h"
#include "pixels/jpeg_decoder.h"
#include "pixels/large_pages.h"
#include "pixels/safe_file.h"
#include "pixels/vb.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

[[noreturn]] void invalidPicture() { Raise(errnum::InvalidPicture, QStringLiteral("Imagen no válida")); }

// No file of these formats packs more than this many pixels into each of its
// bytes; a header that claims more describes data the file does not hold.
constexpr qint64 MaxPixelsPerByte = 8192;
// Below this many pixels a claim is never questioned: decoding it is cheap.
constexpr qint64 UnquestionedPixels = qint64(1) << 24;

// A GIF's frames are drawn on a canvas of its logical screen's size, which the
// header gives apart from the frames' own sizes.
QSize gifScreenSize(QIODevice* device) {
  const QByteArray head = device ? device->peek(10) : QByteArray();
  if (head.size() < 10 || !head.startsWith("GIF8")) return {};
  const auto u16 = [&](int at) { return int(quint8(head[at])) | int(quint8(head[at + 1])) << 8; };
  return {u16(6), u16(8)};
}

// An image whose pixels lie in memory that the kernel may back with 2 MB
// pages, or a null image when the picture is small or there is no memory.
// A decoder that fills a picture of millions of pixels otherwise takes a page
// fault every 4 KB, which costs as much as the decoding itself.
QImage largePageImage(const QSize& size, QImage::Format format) {
  if (!LargePagesAdvised) return {};
  const QImage probe(1, 1, format);  // for the line length the format needs
  if (probe.isNull() || format == QImage::Format_Invalid) return {};
  const std::size_t bpl = (std::size_t(size.width()) * std::size_t(probe.depth()) + 31) / 32 * 4;
  const std::size_t bytes = bpl * std::size_t(size.height());
  if (bytes < 4 * LargePageBytes) return {};
  PixelMemory memory = AllocatePixels(bytes);
  if (!memory) return {};
  std::memset(memory.get(), 0, bytes);  // as fresh memory from the system is
  return ImageOver(std::move(memory), size.width(), size.height(), qsizetype(bpl), format);
}

}  // namespace

void CheckClaimedSize(QSize size, qint64 fileBytes) {
  const qint64 pixels = size.isValid() ? qint64(size.width()) * size.height() : 0;
  if (pixels > MaxPicturePixels || (pixels > UnquestionedPixels && pixels > fileBytes * MaxPixelsPerByte))
    Raise(errnum::OutOfMemory,
          QStringLiteral("La imagen es demasiado grande (%1 × %2 píxeles)").arg(size.width()).arg(size.height()));
}

namespace {

// Decodes what the device holds, from its start.
QImage decode(QIODevice& device) {
  switch (CheckComplete(device)) {
    case Completeness::Truncated:
      Raise(errnum::InvalidPicture, QStringLiteral("Imagen incompleta: el archivo termina antes de tiempo"));
    case Completeness::Damaged:
      Raise(errnum::InvalidPicture, QStringLiteral("Imagen dañada: sus datos se salen de la imagen"));
    default:
      break;
  }
  if (device.peek(2) == "\xFF\xD8") return DecodeJpeg(device.readAll());
  const QSize screen = gifScreenSize(&device);
  QImageReader reader(&device);
  const QSize size = reader.size().expandedTo(screen);
  CheckClaimedSize(size, device.size());
  // The BMP decoder fills an image of the right size and format that it is
  // given, every pixel of it.
  const bool fillsGivenImage = reader.format() == "bmp";
  QImage image = fillsGivenImage && size == reader.size() ? largePageImage(size, reader.imageFormat()) : QImage();
  if (!reader.read(&image)) {
    if (reader.error() == QImageReader::FileNotFoundError)
      Raise(errnum::FileNotFound, QStringLiteral("No se encontró el archivo"));
    if (reader.error() == QImageReader::DeviceError)
      Raise(errnum::FileAccess, QStringLiteral("Error de acceso al archivo"));
    invalidPicture();
  }
  if (image.isNull()) invalidPicture();
  if (!image.hasAlphaChannel()) {
    image.convertTo(QImage::Format_RGB32);
    return image;
  }
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  QPainter painter(&flat);
  painter.drawImage(0, 0, image);
  return flat;
}

}  // namespace

void InitCodecs() { QImageReader::setAllocationLimit(int(MaxPicturePixels * 4 / (1024 * 1024)) + 64); }

QImage LoadPicture(const QString& path) {
  const FileKind kind = KindOf(path);  // any name a folder holds, UTF-8 or not
  if (kind == FileKind::Missing) Raise(errnum::FileNotFound, QStringLiteral("No se encontró el archivo"));
  QFile file;
  if (kind == FileKind::Folder || !OpenForReading(file, path))
    Raise(errnum::FileAccess, QStringLiteral("Error de acceso al archivo"));
  return decode(file);
}

QImage LoadPictureFromData(const QByteArray& data) {
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  return decode(buffer);
}

namespace {

// What the system said when a file could not be written, in the user's words.
QString systemReason(int error, const QString& fallback) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return QStringLiteral("no queda espacio en el disco");
    case EFBIG:
      return QStringLiteral("el archivo supera el tamaño permitido");
    case EACCES:
    case EPERM:
      return QStringLiteral("permiso denegado");
    case EROFS:
      return QStringLiteral("la carpeta es de solo lectura");
    case ENOENT:
    case ENOTDIR:
      return QStringLiteral("no existe la carpeta");
    case ENAMETOOLONG:
      return QStringLiteral("el nombre es demasiado largo");
    case EISDIR:
      return QStringLiteral("es una carpeta");
    default:
      return fallback.isEmpty() ? QStringLiteral("error %1 del sistema").arg(error) : fallback;
  }
}

[[noreturn]] void writeFailure(const QString& what, int error, const QString& fallback) {
  Raise(errnum::FileAccess, QStringLiteral("%1: %2").arg(what, systemReason(error, fallback)));
}

}  // namespace

void SavePicture(const QImage& picture, const QString& path, const char* format) {
  if (picture.isNull()) invalidPicture();
  ReplacingFile file(path);
  if (!file.open()) writeFailure(QStringLiteral("No se puede crear el archivo"), file.error(), file.device().errorString());
  QImageWriter writer(&file.device(), format);
  if (qstrcmp(format, "jpg") == 0) writer.setQuality(90);
  const bool compact = picture.format() == QImage::Format_Mono || picture.format() == QImage::Format_Indexed8;
  const QImage rgb =
      picture.format() == QImage::Format_RGB32 || compact ? picture : picture.convertToFormat(QImage::Format_RGB32);
  errno = 0;
  if (!writer.write(rgb)) {
    const int error = errno;
    file.discard();
    writeFailure(QStringLiteral("No se pudo escribir el archivo"), error, file.device().errorString());
  }
  // What is still buffered is written out, made durable and only then put in
  // the target's place.
  if (!file.commit())
    writeFailure(QStringLiteral("No se pudo escribir el archivo"), file.error(), file.device().errorString());
}

QImage CompactForm(const QImage& picture) {
  if (picture.format() != QImage::Format_RGB32 || picture.isNull()) return picture;
  const int width = picture.width(), height = picture.height();
  // One pass tells which form fits; the tests are folded without a jump.
  bool blackAndWhite = true, grey = true;
  for (int y = 0; y < height && grey; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    std::uint32_t notBlackOrWhite = 0, notGrey = 0;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = line[x] & 0xFFFFFFu, r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
      notBlackOrWhite |= (p != 0) & (p != 0xFFFFFFu);
      notGrey |= (r != g) | (g != b);
    }
    blackAndWhite &= !notBlackOrWhite;
    grey &= !notGrey;
  }
  if (blackAndWhite) {
    QImage mono(width, height, QImage::Format_Mono);
    if (mono.isNull()) return picture;
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < height; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
      uchar* out = mono.scanLine(y);
      for (int x0 = 0; x0 < width; x0 += 8) {
        uchar byte = 0;
        for (int i = 0; i < 8; ++i) byte |= uchar((x0 + i < width && (line[x0 + i] & 1)) << (7 - i));
        out[x0 / 8] = byte;
      }
    }
    mono.setDotsPerMeterX(picture.dotsPerMeterX());
    mono.setDotsPerMeterY(picture.dotsPerMeterY());
    return mono;
  }
  if (grey) {
    QImage indexed(width, height, QImage::Format_Indexed8);
    if (indexed.isNull()) return picture;
    QList<QRgb> greys(256);
    for (int i = 0; i < 256; ++i) greys[i] = qRgb(i, i, i);
    indexed.setColorTable(greys);
    for (int y = 0; y < height; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
      uchar* out = indexed.scanLine(y);
      for (int x = 0; x < width; ++x) out[x] = uchar(line[x] & 0xFF);
    }
    indexed.setDotsPerMeterX(picture.dotsPerMeterX());
    indexed.setDotsPerMeterY(picture.dotsPerMeterY());
    return indexed;
  }
  return picture;
}

}  // namespace platform
