#include "formats/codecs.h"

#include "formats/filenames.h"

#include "core/large_pages.h"
#include "core/numbers.h"
#include "formats/completeness.h"
#include "formats/jpeg_decoder.h"
#include "formats/mapped_file.h"
#include "formats/picture_encoding.h"
#include "formats/picture_header.h"
#include "formats/png_key.h"
#include "formats/safe_file.h"
#include "formats/tiff_decoder.h"
#include "formats/widening.h"

#include <QBuffer>
#include <QImageReader>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace platform {

namespace {

[[noreturn]] void invalidPicture() { Fail(FailureKind::Damaged, QStringLiteral("Imagen no válida")); }

// No file of these formats packs more than this many pixels into each of its
// bytes; a header that claims more describes data the file does not hold.
constexpr qint64 MaxPixelsPerByte = 8192;
// Below this many pixels a claim is never questioned: decoding it is cheap.
constexpr qint64 UnquestionedPixels = qint64(1) << 24;

// An image of the size and format given, every byte of it zero, for a
// decoder that fills an image it is given: what the file leaves uncovered (a
// run-length BMP's skipped pixels) is the palette's first colour, never what
// the memory held. The size has been checked against the limits. A picture of
// millions of pixels lies in memory that the kernel may back with 2 MB pages:
// a decoder filling it otherwise takes a page fault every 4 KB, which costs as
// much as the decoding itself. Null when there is no memory.
QImage clearedImage(const QSize& size, QImage::Format format) {
  if (size.isEmpty() || format == QImage::Format_Invalid) return {};
  const QImage probe(1, 1, format);  // for the line length the format needs
  if (probe.isNull()) return {};
  const std::size_t bpl = (std::size_t(size.width()) * std::size_t(probe.depth()) + 31) / 32 * 4;
  const std::size_t bytes = bpl * std::size_t(size.height());
  if (!LargePagesAdvised || bytes < 4 * LargePageBytes) {
    QImage image(size, format);
    if (!image.isNull()) std::memset(image.bits(), 0, std::size_t(image.sizeInBytes()));
    return image;
  }
  PixelMemory memory = AllocatePixels(bytes);
  if (!memory) return {};
  std::memset(memory.get(), 0, bytes);
  return ImageOver(std::move(memory), size.width(), size.height(), qsizetype(bpl), format);
}

}  // namespace

void CheckClaimedSize(QSize size, qint64 fileBytes) {
  const qint64 pixels = size.isValid() ? qint64(size.width()) * size.height() : 0;
  if (pixels > MaxPicturePixels || (pixels > UnquestionedPixels && pixels > fileBytes * MaxPixelsPerByte))
    Fail(FailureKind::OutOfMemory,
         QStringLiteral("La imagen es demasiado grande (%1 × %2 píxeles)").arg(size.width()).arg(size.height()));
}

namespace {

// The picture in Format_RGB32, transparent pixels painted over white (the
// same values as painting it over a white picture gives), in the picture's own
// memory where its pixels are 32 bits, never through a second picture of its size.
QImage flattened(QImage image) {
  if (image.hasAlphaChannel()) {
    if (image.depth() <= 8) {  // a palette: only its colours change
      QList<QRgb> colours = image.colorTable();
      for (QRgb& c : colours) c = OverWhite(qPremultiply(c));
      image.setColorTable(colours);
    } else {
      image.convertTo(QImage::Format_ARGB32_Premultiplied);
      for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] = OverWhite(line[x]);
      }
      image.reinterpretAsFormat(QImage::Format_RGB32);
    }
  }
  image.convertTo(QImage::Format_RGB32);
  if (image.isNull()) Fail(FailureKind::OutOfMemory, QStringLiteral("No hay memoria suficiente para la imagen"));
  return image;
}

// A file larger than the largest picture uncompressed, with room for its headers.
constexpr qint64 MaxFileBytes = MaxPicturePixels * 4 + (qint64(64) << 20);

// Reads the picture from device with Qt's decoder for format, then flattens
// it as every loaded picture is.
QImage readAndFlatten(QIODevice& device, PictureFormat format, QSize size, const TransparentColour& transparent) {
  QImage image;
  std::optional<WideningRoom> room;
  {  // the reader's plugin may keep a copy of the picture (Qt's GIF reader does) until it goes
    QImageReader reader(&device, FormatName(format));
    reader.setAutoDetectImageFormat(false);  // no other plugin is asked
    // The BMP and PNG decoders fill an image of the right size and format that they are given.
    const bool fillsGiven = (format == PictureFormat::Bmp || format == PictureFormat::Png) && size == reader.size();
    room.emplace(fillsGiven ? size : QSize(), reader.imageFormat());
    image = room->TakeNarrow();
    if (image.isNull() && fillsGiven && format == PictureFormat::Bmp) image = clearedImage(size, reader.imageFormat());
    if (!reader.read(&image) || image.isNull()) invalidPicture();
  }
  WhitenTransparentColour(image, transparent);
  return flattened(room->Widen(std::move(image)));
}

// Checks and decodes the bytes of one picture file: the checks and the
// decoder see the same bytes, read once.
QImage decode(const QByteArray& data) {
  const PictureFormat format = FormatOf(data);
  if (format == PictureFormat::Other) invalidPicture();  // none of the formats read
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  switch (CheckComplete(buffer)) {
    case Completeness::Truncated:
      Fail(FailureKind::Damaged, QStringLiteral("Imagen incompleta: el archivo termina antes de tiempo"));
    case Completeness::Damaged:
      Fail(FailureKind::Damaged, QStringLiteral("Imagen dañada: sus datos se salen de la imagen"));
    default:
      break;
  }
  // Sizes come from the header as read here, and only sizes checked here
  // decide what is allocated.
  const QSize size = DeclaredSize(data, format);
  if (!size.isValid()) Fail(FailureKind::Damaged, QStringLiteral("Imagen dañada: su cabecera no es válida"));
  CheckClaimedSize(size, data.size());
  if (format == PictureFormat::Jpeg) return DecodeJpeg(data);
  if (format == PictureFormat::Tiff) return DecodeTiff(data);
  TransparentColour transparent;
  if (format == PictureFormat::Png) {
    buffer.close();
    buffer.setData(TakeTransparentColour(data, transparent));
    buffer.open(QIODevice::ReadOnly);
  }
  return readAndFlatten(buffer, format, size, transparent);
}

}  // namespace

void InitCodecs() { QImageReader::setAllocationLimit(int(MaxPicturePixels * 4 / (1024 * 1024)) + 64); }

QImage LoadPicture(const QString& path) {
  MappedFile file;  // read in place: no copy, no fresh memory for the file's bytes
  const ReadResult result = file.open(path, MaxFileBytes);
  if (result != ReadResult::Read) RaiseUnread(result);
  QImage picture;
  try {
    picture = decode(file.bytes());
  } catch (const Failure&) {
    if (!file.cut()) throw;
  }
  // Cut short while it was read: whatever its zeros decoded to, it is told as what it is.
  if (file.cut()) Fail(FailureKind::Damaged, QStringLiteral("Imagen incompleta: el archivo termina antes de tiempo"));
  return picture;
}

QImage LoadPictureFromData(const QByteArray& data) { return decode(data); }

void RaiseUnread(ReadResult result) {
  switch (result) {
    case ReadResult::Missing:
      Fail(FailureKind::NotFound, QStringLiteral("No se encontró el archivo"));
    case ReadResult::NotRegular:
      Fail(FailureKind::Access, QStringLiteral("No es un archivo normal (es una tubería, un dispositivo o un socket)"));
    case ReadResult::TooLarge:
      Fail(FailureKind::OutOfMemory, QStringLiteral("El archivo es demasiado grande para ser una imagen"));
    default:
      Fail(FailureKind::Access, QStringLiteral("Error de acceso al archivo"));
  }
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
    case EIO:
      return QStringLiteral("error de entrada o salida del disco");
    case EMFILE:
    case ENFILE:
      return QStringLiteral("hay demasiados archivos abiertos");
    case ENOMEM:
      return QStringLiteral("memoria insuficiente");
    case ELOOP:
      return QStringLiteral("demasiados enlaces simbólicos encadenados");
    case EBUSY:
    case ETXTBSY:
      return QStringLiteral("el archivo está en uso");
    case EEXIST:
      return QStringLiteral("ya existe");
    default:
      // The system's own text is not the user's language: only its number is told.
      (void)fallback;
      return error ? QStringLiteral("error %1 del sistema").arg(error)
                   : QStringLiteral("error desconocido del sistema");
  }
}

}  // namespace

void RaiseWriteFailure(const QString& what, int error, const QString& fallback) {
  Fail(FailureKind::Access, QStringLiteral("%1: %2").arg(what, systemReason(error, fallback)));
}

void SavePicture(const QImage& picture, const QString& path, const char* format, int jpegQuality) {
  if (picture.isNull()) invalidPicture();
  ReplacingFile file(path);
  if (!file.open())
    RaiseWriteFailure(QStringLiteral("No se puede crear el archivo"), file.error(), file.device().errorString());
  const bool compact = picture.format() == QImage::Format_Mono || picture.format() == QImage::Format_Indexed8;
  const QImage rgb =
      picture.format() == QImage::Format_RGB32 || compact ? picture : picture.convertToFormat(QImage::Format_RGB32);
  errno = 0;
  if (!EncodePicture(rgb, format, file.device(), jpegQuality)) {
    const int error = errno;
    file.discard();
    RaiseWriteFailure(QStringLiteral("No se pudo escribir el archivo"), error, file.device().errorString());
  }
  // What is still buffered is written out, made durable and only then put in
  // the target's place.
  if (!file.commit())
    RaiseWriteFailure(QStringLiteral("No se pudo escribir el archivo"), file.error(), file.device().errorString());
}

}  // namespace platform
