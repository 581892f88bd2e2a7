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
#include <optional>

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

// One row of samples as the picture's pixels.
void convertRow(const PagePicture& p, const uchar* row, QRgb* out) {
  const int top = (1 << p.bitsPerComponent) - 1;
  const auto level = [&](int v) { return (v * 255 + top / 2) / top; };
  const int lastIndex = int(p.palette.size()) - 1;
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

// A qpdf pipeline that turns decoded samples into the picture's rows as they
// come: only one row of samples is ever held beside the picture. Once the
// last row is made it stops the decoding (BoundedBuffer's way).
class PictureRows : public Pipeline {
 public:
  explicit PictureRows(const PagePicture& p)
      : Pipeline("rows", nullptr),
        p_(p),
        image_(newPicture(p.width, p.height)),
        row_((qsizetype(p.width) * p.components * p.bitsPerComponent + 7) / 8, '\0') {}
  void write(unsigned char const* data, size_t len) override {
    while (len > 0) {
      if (y_ == p_.height) throw BoundedBuffer::Full();
      const auto take = std::min<std::size_t>(len, std::size_t(row_.size() - filled_));
      std::memcpy(row_.data() + filled_, data, take);
      filled_ += qsizetype(take);
      data += take;
      len -= take;
      if (filled_ == row_.size()) {
        convertRow(p_, reinterpret_cast<const uchar*>(row_.constData()), reinterpret_cast<QRgb*>(image_.scanLine(y_)));
        ++y_;
        filled_ = 0;
      }
    }
    if (y_ == p_.height) throw BoundedBuffer::Full();
  }
  void finish() override {}
  bool whole() const { return y_ == p_.height; }
  QImage& image() { return image_; }

 private:
  const PagePicture& p_;
  QImage image_;
  QByteArray row_;
  qsizetype filled_ = 0;
  int y_ = 0;
};

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

// The picture of the stored samples, decoded by qpdf in a document of their
// own (so that no lock is held) and made into rows as they come, never more
// than the picture needs; none when qpdf does not decode that filter with
// those parameters (the page is then drawn).
std::optional<QImage> fromSamples(const PagePicture& p) {
  PictureRows rows(p);
  if (p.filter.isEmpty()) {
    try {
      rows.write(reinterpret_cast<const unsigned char*>(p.stored.constData()), std::size_t(p.stored.size()));
    } catch (const BoundedBuffer::Full&) {
    }
  } else {
    QPDF scratch;
    scratch.setSuppressWarnings(true);
    scratch.emptyPDF();
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(&scratch);
    stream.replaceStreamData(p.stored.toStdString(), QPDFObjectHandle::parse(p.filter.toStdString()),
                             QPDFObjectHandle::parse(p.decodeParms.isEmpty() ? "null" : p.decodeParms.toStdString()));
    bool decoded = false, attempted = true;
    try {
      decoded = stream.pipeStreamData(&rows, &attempted, 0, qpdf_dl_generalized, true, false) && !scratch.anyWarnings();
    } catch (const std::exception&) {
    }
    if (!attempted && !rows.whole()) return std::nullopt;
    if (!decoded && !rows.whole()) RaiseDamaged(QStringLiteral("los datos de la imagen de la página están dañados"));
  }
  if (!rows.whole()) RaiseDamaged(QStringLiteral("la imagen de la página tiene menos datos de los que dice su tamaño"));
  return std::move(rows.image());
}

// The number of components of a JPEG stream's frame, or 0 when none is found.
int jpegComponents(const QByteArray& jpeg) {
  const auto* b = reinterpret_cast<const uchar*>(jpeg.constData());
  const qsizetype n = jpeg.size();
  for (qsizetype i = 2; i + 9 < n;) {
    if (b[i] != 0xFF) return 0;
    const uchar marker = b[i + 1];
    if (marker == 0xFF) {
      ++i;
      continue;
    }
    const int length = (b[i + 2] << 8) | b[i + 3];
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) return b[i + 9];
    i += 2 + length;
  }
  return 0;
}

}  // namespace

QImage DecodePagePicture(const PagePicture& picture, qint64 fileBytes) {
  QImage image;
  if (picture.kind == PagePicture::Kind::Samples) {
    std::optional<QImage> rows = fromSamples(picture);
    if (!rows) return {};
    image = std::move(*rows);
  } else if (picture.kind == PagePicture::Kind::Fax) {
    // Bounded by its pixels alone (see FindPagePicture).
    platform::CheckClaimedSize(QSize(picture.width, picture.height), qint64(1) << 40);
    image = fromFax(picture);
  } else {
    platform::CheckClaimedSize(QSize(picture.width, picture.height), fileBytes);
    if (jpegComponents(picture.stored) != picture.components) return {};
    image = platform::LoadPictureFromData(picture.stored);
    if (image.size() != QSize(picture.width, picture.height)) return {};
  }
  SetPageResolution(image, picture.width / (picture.widthPoints / 72.0),
                    picture.height / (picture.heightPoints / 72.0));
  return image;
}

}  // namespace documents
