#include "platform/codecs.h"

#include "platform/filenames.h"

#include "platform/completeness.h"
#include "platform/vb.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include <cerrno>

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

// Decodes what the device holds, from its start.
QImage decode(QIODevice& device) {
  if (CheckComplete(device) == Completeness::Truncated)
    Raise(errnum::InvalidPicture, QStringLiteral("Imagen incompleta: el archivo termina antes de tiempo"));
  const QSize screen = gifScreenSize(&device);
  QImageReader reader(&device);
  const QSize size = reader.size().expandedTo(screen);
  const qint64 pixels = size.isValid() ? qint64(size.width()) * size.height() : 0;
  const qint64 bytes = device.size();
  if (pixels > MaxPicturePixels || (pixels > UnquestionedPixels && pixels > bytes * MaxPixelsPerByte))
    Raise(errnum::OutOfMemory, QStringLiteral("La imagen es demasiado grande (%1 × %2 píxeles)")
                                   .arg(size.width())
                                   .arg(size.height()));
  QImage image;
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
      return fallback;
  }
}

[[noreturn]] void writeFailure(const QString& what, int error, const QString& fallback) {
  Raise(errnum::FileAccess, QStringLiteral("%1: %2").arg(what, systemReason(error, fallback)));
}

}  // namespace

void SavePicture(const QImage& picture, const QString& path) {
  if (picture.isNull()) invalidPicture();
  QSaveFile file(path);
  errno = 0;
  if (!file.open(QIODevice::WriteOnly))
    writeFailure(QStringLiteral("No se puede crear el archivo"), errno, file.errorString());
  QImageWriter writer(&file, "bmp");
  const QImage rgb = picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
  errno = 0;
  if (!writer.write(rgb)) {
    const int error = errno;
    file.cancelWriting();
    writeFailure(QStringLiteral("No se pudo escribir el archivo"), error, file.errorString());
  }
  errno = 0;
  if (!file.commit()) writeFailure(QStringLiteral("No se pudo escribir el archivo"), errno, file.errorString());
}

}  // namespace platform
