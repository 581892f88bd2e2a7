// A PDF page's own picture decoded, in any thread: JPEG by the loader's
// decoder, fax by libtiff's, samples by qpdf's filters in a document of
// their own.
#include "formats/documents/bounded_buffer.h"
#include "formats/documents/pdf_picture.h"
#include "formats/documents/readers.h"

#include "core/numbers.h"
#include "formats/codecs.h"
#include "formats/resolution.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <array>
#include <cstring>

namespace documents {

namespace {

QImage newPicture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull())
    platform::Fail(platform::FailureKind::OutOfMemory, QStringLiteral("No hay memoria suficiente para la imagen"));
  return image;
}

// Sample i of a row of samples of `bits` bits each.
inline int sampleAt(const uchar* row, qsizetype i, int bits) {
  if (bits == 8) return row[i];
  const qsizetype bit = i * bits;
  return (row[bit >> 3] >> (8 - bits - (bit & 7))) & ((1 << bits) - 1);
}

QImage fromSamples(const PagePicture& p, const QByteArray& samples) {
  const qsizetype rowBytes = (qsizetype(p.width) * p.components * p.bitsPerComponent + 7) / 8;
  QImage image = newPicture(p.width, p.height);
  const int top = (1 << p.bitsPerComponent) - 1;
  const auto level = [&](int v) { return (v * 255 + top / 2) / top; };
  const int lastIndex = int(p.palette.size()) - 1;
  for (int y = 0; y < p.height; ++y) {
    const auto* row = reinterpret_cast<const uchar*>(samples.constData()) + y * rowBytes;
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < p.width; ++x) {
      if (!p.palette.empty()) {
        out[x] = p.palette[std::size_t(std::min(sampleAt(row, x, p.bitsPerComponent), lastIndex))];
      } else if (p.components == 1) {
        const int g = level(sampleAt(row, x, p.bitsPerComponent));
        out[x] = qRgb(g, g, g);
      } else {
        const qsizetype i = qsizetype(x) * 3;
        out[x] = qRgb(level(sampleAt(row, i, p.bitsPerComponent)), level(sampleAt(row, i + 1, p.bitsPerComponent)),
                      level(sampleAt(row, i + 2, p.bitsPerComponent)));
      }
    }
  }
  return image;
}

// A fax picture: the decoded 1 bits are the fax's black, which PDF gives as
// 0 (black in grey) unless /BlackIs1.
QImage fromFax(const PagePicture& p) {
  const std::vector<unsigned char> rows = DecodeFax(p.stored, p.width, p.height, p.fax);
  QImage image = newPicture(p.width, p.height);
  const std::size_t rowBytes = (std::size_t(p.width) + 7) / 8;
  const QRgb one = p.blackIs1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0), zero = one ^ 0xFFFFFFu;
  // The eight pixels of each byte's value, the first from its highest bit.
  std::vector<std::array<QRgb, 8>> eights(256);
  for (int v = 0; v < 256; ++v)
    for (int i = 0; i < 8; ++i) eights[std::size_t(v)][std::size_t(i)] = (v >> (7 - i)) & 1 ? one : zero;
  const int whole = p.width / 8, rest = p.width % 8;
  for (int y = 0; y < p.height; ++y) {
    const unsigned char* row = rows.data() + rowBytes * std::size_t(y);
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int i = 0; i < whole; ++i) std::memcpy(out + 8 * i, eights[row[i]].data(), sizeof(QRgb) * 8);
    if (rest) std::memcpy(out + 8 * whole, eights[row[whole]].data(), sizeof(QRgb) * std::size_t(rest));
  }
  return image;
}

// The samples of the stored stream, decoded by qpdf in a document of their
// own (so that no lock is held), never more than the picture needs; none
// when qpdf does not decode that filter with those parameters (the page is
// then drawn).
std::optional<QByteArray> decodedSamples(const PagePicture& p) {
  const qsizetype need = (qsizetype(p.width) * p.components * p.bitsPerComponent + 7) / 8 * p.height;
  if (p.filter.isEmpty()) return p.stored.left(need);
  QPDF scratch;
  scratch.setSuppressWarnings(true);
  scratch.emptyPDF();
  QPDFObjectHandle stream = QPDFObjectHandle::newStream(&scratch);
  stream.replaceStreamData(p.stored.toStdString(), QPDFObjectHandle::parse(p.filter.toStdString()),
                           QPDFObjectHandle::parse(p.decodeParms.isEmpty() ? "null" : p.decodeParms.toStdString()));
  BoundedBuffer buffer(need);
  bool decoded = false, attempted = true;
  try {
    decoded = stream.pipeStreamData(&buffer, &attempted, 0, qpdf_dl_generalized, true, false) && !scratch.anyWarnings();
  } catch (const std::exception&) {
  }
  if (!attempted && !buffer.full()) return std::nullopt;
  if (buffer.full()) decoded = true;  // stopped once the picture had all it needs
  if (!decoded) RaiseDamaged(QStringLiteral("los datos de la imagen de la página están dañados"));
  return std::move(buffer.bytes());
}

}  // namespace

QImage DecodePagePicture(const PagePicture& picture, qint64 fileBytes) {
  QImage image;
  if (picture.kind == PagePicture::Kind::Samples) {
    const std::optional<QByteArray> samples = decodedSamples(picture);
    if (!samples) return {};
    const qsizetype rowBytes = (qsizetype(picture.width) * picture.components * picture.bitsPerComponent + 7) / 8;
    if (samples->size() < rowBytes * picture.height)
      RaiseDamaged(QStringLiteral("la imagen de la página tiene menos datos de los que dice su tamaño"));
    image = fromSamples(picture, *samples);
  } else {
    platform::CheckClaimedSize(QSize(picture.width, picture.height), fileBytes);
    if (picture.kind == PagePicture::Kind::Fax) {
      image = fromFax(picture);
    } else {
      image = platform::LoadPictureFromData(picture.stored);
      if (image.size() != QSize(picture.width, picture.height)) return {};
    }
  }
  image.setDotsPerMeterX(platform::DotsPerMetre(picture.width / (picture.widthPoints / 72.0)));
  image.setDotsPerMeterY(platform::DotsPerMetre(picture.height / (picture.heightPoints / 72.0)));
  return image;
}

}  // namespace documents
