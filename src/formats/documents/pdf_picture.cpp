#include "formats/documents/pdf_picture.h"
#include "formats/documents/readers.h"

#include "formats/codecs.h"
#include "core/numbers.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <QRegularExpression>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace documents {

namespace {

// Collects what a stream gives up to a limit: a stream that inflates to more
// than its picture needs never fills memory. Past the limit it stops the
// stream (in a document of its own, which is then dropped) or passes over
// the rest (in the document that stays open, which a stopped stream would
// leave with a complaint).
class BoundedBuffer : public Pipeline {
 public:
  BoundedBuffer(qsizetype limit, bool stops) : Pipeline("bounded", nullptr), limit_(limit), stops_(stops) {}
  struct Full {};
  void write(unsigned char const* data, size_t len) override {
    const auto room = std::size_t(limit_ - bytes_.size());
    bytes_.append(reinterpret_cast<const char*>(data), qsizetype(std::min(len, room)));
    if (len > room) {
      full_ = true;
      if (stops_) throw Full();
    }
  }
  void finish() override {}
  QByteArray& bytes() { return bytes_; }
  bool full() const { return full_; }

 private:
  qsizetype limit_;
  bool stops_;
  QByteArray bytes_;
  bool full_ = false;
};

// A page that holds only one picture says, at most this much.
constexpr qsizetype MaxPictureContents = 1024;

// "q a 0 0 d e f cm /Name Do Q": one picture drawn through a matrix.
const QRegularExpression& pictureContents() {
  static const QString number = QStringLiteral("([-+]?(?:\\d+\\.?\\d*|\\.\\d+))");
  static const QRegularExpression re(QStringLiteral("^\\s*q\\s+%1\\s+%1\\s+%1\\s+%1\\s+%1\\s+%1\\s+cm\\s*"
                                                    "/([^\\s/\\[\\]()<>{}%#]+)\\s+Do\\s+Q\\s*$")
                                         .arg(number));
  return re;
}

bool near(double a, double b) { return std::abs(a - b) <= 0.01; }

struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

std::optional<Box> boxOf(QPDFObjectHandle box) {
  if (!box.isArray() || box.getArrayNItems() != 4) return std::nullopt;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    QPDFObjectHandle n = box.getArrayItem(i);
    if (!n.isNumber()) return std::nullopt;
    v[i] = n.getNumericValue();
  }
  return Box{std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])};
}

// The one filter of a stream, or "" for none; nullopt for a chain.
std::optional<std::string> onlyFilter(QPDFObjectHandle dict, QPDFObjectHandle& parms) {
  QPDFObjectHandle filter = dict.getKey("/Filter");
  parms = dict.getKey("/DecodeParms");
  if (filter.isNull()) return std::string();
  if (filter.isArray()) {
    if (filter.getArrayNItems() != 1) return std::nullopt;
    filter = filter.getArrayItem(0);
    if (parms.isArray()) parms = parms.getArrayNItems() == 1 ? parms.getArrayItem(0) : QPDFObjectHandle::newNull();
  }
  if (!filter.isName()) return std::nullopt;
  if (!parms.isNull() && !parms.isDictionary()) return std::nullopt;
  const std::string name = filter.getName();
  if (name == "/Fl") return "/FlateDecode";
  if (name == "/LZW") return "/LZWDecode";
  if (name == "/RL") return "/RunLengthDecode";
  if (name == "/DCT") return "/DCTDecode";
  if (name == "/CCF") return "/CCITTFaxDecode";
  return name;
}

int intOr(QPDFObjectHandle dict, const char* key, int fallback) {
  if (!dict.isDictionary()) return fallback;
  QPDFObjectHandle v = dict.getKey(key);
  return v.isInteger() ? v.getIntValueAsInt() : fallback;
}

bool boolOr(QPDFObjectHandle dict, const char* key, bool fallback) {
  if (!dict.isDictionary()) return fallback;
  QPDFObjectHandle v = dict.getKey(key);
  return v.isBool() ? v.getBoolValue() : fallback;
}

// The number of components of a grey or RGB colour space (ICC-based ones by
// their /N), or 0 for any other.
int plainComponents(QPDFObjectHandle space) {
  if (space.isName()) {
    const std::string n = space.getName();
    return n == "/DeviceGray" || n == "/G" ? 1 : n == "/DeviceRGB" || n == "/RGB" ? 3 : 0;
  }
  if (space.isArray() && space.getArrayNItems() == 2 && space.getArrayItem(0).isNameAndEquals("/ICCBased")) {
    QPDFObjectHandle profile = space.getArrayItem(1);
    if (!profile.isStream()) return 0;
    const int n = intOr(profile.getDict(), "/N", 0);
    return n == 1 || n == 3 ? n : 0;
  }
  return 0;
}

// Fills the palette of an indexed colour space over grey or RGB; false for any other.
bool readPalette(QPDFObjectHandle space, PagePicture& picture) {
  if (!space.isArray() || space.getArrayNItems() != 4 || !space.getArrayItem(0).isNameAndEquals("/Indexed"))
    return false;
  const int base = plainComponents(space.getArrayItem(1));
  QPDFObjectHandle high = space.getArrayItem(2), lookup = space.getArrayItem(3);
  if (base == 0 || !high.isInteger() || high.getIntValue() < 0 || high.getIntValue() > 255) return false;
  const int entries = high.getIntValueAsInt() + 1;
  std::string table;
  if (lookup.isString()) {
    table = lookup.getStringValue();
  } else if (lookup.isStream()) {
    BoundedBuffer buffer(entries * base, false);
    lookup.pipeStreamData(&buffer, 0, qpdf_dl_generalized);
    table = buffer.bytes().toStdString();
  } else {
    return false;
  }
  if (table.size() < std::size_t(entries * base)) return false;
  const auto* t = reinterpret_cast<const unsigned char*>(table.data());
  for (int i = 0; i < entries; ++i, t += base)
    picture.palette.push_back(base == 1 ? qRgb(t[0], t[0], t[0]) : qRgb(t[0], t[1], t[2]));
  picture.components = 1;
  return true;
}

// The TIFF compression and options that hold a CCITT stream as it is, or
// false when none does (a G4 stream whose rows start on byte boundaries, a
// G3 stream without end-of-line codes).
bool faxForm(QPDFObjectHandle parms, PagePicture& picture) {
  const int k = intOr(parms, "/K", 0);
  const bool aligned = boolOr(parms, "/EncodedByteAlign", false), eol = boolOr(parms, "/EndOfLine", false);
  const int rows = intOr(parms, "/Rows", 0);
  if (intOr(parms, "/Columns", 1728) != picture.width || (rows != 0 && rows != picture.height)) return false;
  picture.blackIs1 = boolOr(parms, "/BlackIs1", false);
  if (k < 0 && !aligned) {
    picture.faxCompression = 4;
  } else if (k == 0 && aligned && !eol) {
    picture.faxCompression = 2;  // Modified Huffman: rows byte-aligned, no end-of-line codes
  } else if (k >= 0 && eol && !aligned) {
    picture.faxCompression = 3;
    picture.faxOptions = k > 0 ? 1 : 0;
  } else {
    return false;
  }
  return true;
}

// A minimal TIFF holding one CCITT-coded strip as the PDF stores it.
QByteArray faxAsTiff(const PagePicture& p) {
  struct Entry {
    quint16 tag, type;
    quint32 value;
  };
  std::vector<Entry> entries = {{256, 4, quint32(p.width)},
                                {257, 4, quint32(p.height)},
                                {258, 3, 1},
                                {259, 3, quint32(p.faxCompression)},
                                {262, 3, p.blackIs1 ? 1u : 0u},
                                {273, 4, 0},
                                {277, 3, 1},
                                {278, 4, quint32(p.height)},
                                {279, 4, quint32(p.stored.size())}};
  if (p.faxCompression == 3) entries.push_back({292, 4, quint32(p.faxOptions)});
  const quint32 dataOffset = 8 + 2 + quint32(entries.size()) * 12 + 4;
  entries[5].value = dataOffset;
  QByteArray tiff("II*\0", 4);
  auto put16 = [&](quint16 v) {
    v = qToLittleEndian(v);
    tiff.append(reinterpret_cast<const char*>(&v), 2);
  };
  auto put32 = [&](quint32 v) {
    v = qToLittleEndian(v);
    tiff.append(reinterpret_cast<const char*>(&v), 4);
  };
  put32(8);
  put16(quint16(entries.size()));
  for (const Entry& e : entries) {
    put16(e.tag);
    put16(e.type);
    put32(1);
    if (e.type == 3) {
      put16(quint16(e.value));
      put16(0);
    } else {
      put32(e.value);
    }
  }
  put32(0);
  return tiff + p.stored;
}

// Sample i of a row of samples of `bits` bits each.
inline int sampleAt(const uchar* row, qsizetype i, int bits) {
  if (bits == 8) return row[i];
  const qsizetype bit = i * bits;
  return (row[bit >> 3] >> (8 - bits - (bit & 7))) & ((1 << bits) - 1);
}

QImage fromSamples(const PagePicture& p, const QByteArray& samples) {
  const qsizetype rowBytes = (qsizetype(p.width) * p.components * p.bitsPerComponent + 7) / 8;
  QImage image(p.width, p.height, QImage::Format_RGB32);
  if (image.isNull())
    platform::Fail(platform::FailureKind::OutOfMemory, QStringLiteral("No hay memoria suficiente para la imagen"));
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
  BoundedBuffer buffer(need, true);
  bool decoded = false, attempted = true;
  try {
    decoded = stream.pipeStreamData(&buffer, &attempted, 0, qpdf_dl_generalized, true, false) && !scratch.anyWarnings();
  } catch (const BoundedBuffer::Full&) {
    decoded = true;
  } catch (const std::exception&) {
  }
  if (!attempted && !buffer.full()) return std::nullopt;
  if (buffer.full()) decoded = true;  // stopped once the picture had all it needs
  if (!decoded) RaiseDamaged(QStringLiteral("los datos de la imagen de la página están dañados"));
  return std::move(buffer.bytes());
}

}  // namespace

std::optional<PagePicture> FindPagePicture(QPDFPageObjectHelper& page, qint64 fileBytes) {
  QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
  if (!rotate.isNull() && !(rotate.isInteger() && rotate.getIntValue() % 360 == 0)) return std::nullopt;
  if (page.getObjectHandle().hasKey("/UserUnit")) return std::nullopt;
  const std::optional<Box> media = boxOf(page.getMediaBox()), crop = boxOf(page.getCropBox());
  if (!media || !crop || !near(media->x0, crop->x0) || !near(media->y0, crop->y0) || !near(media->x1, crop->x1) ||
      !near(media->y1, crop->y1))
    return std::nullopt;

  BoundedBuffer contents(MaxPictureContents, false);
  page.pipeContents(&contents);
  if (contents.full()) return std::nullopt;
  const QRegularExpressionMatch m = pictureContents().match(QString::fromLatin1(contents.bytes()));
  if (!m.hasMatch()) return std::nullopt;
  double a = m.captured(1).toDouble(), b = m.captured(2).toDouble(), c = m.captured(3).toDouble(),
         d = m.captured(4).toDouble(), e = m.captured(5).toDouble(), f = m.captured(6).toDouble();
  if (b != 0 || c != 0 || a <= 0 || d <= 0 || !near(e, media->x0) || !near(f, media->y0) ||
      !near(a, media->x1 - media->x0) || !near(d, media->y1 - media->y0))
    return std::nullopt;

  QPDFObjectHandle resources = page.getAttribute("/Resources", false);
  if (!resources.isDictionary()) return std::nullopt;
  QPDFObjectHandle xobjects = resources.getKey("/XObject");
  if (!xobjects.isDictionary()) return std::nullopt;
  QPDFObjectHandle image = xobjects.getKey("/" + m.captured(7).toStdString());
  if (!image.isStream()) return std::nullopt;
  QPDFObjectHandle dict = image.getDict();
  if (!dict.getKey("/Subtype").isNameAndEquals("/Image") || boolOr(dict, "/ImageMask", false)) return std::nullopt;
  for (const char* key : {"/Mask", "/SMask", "/Decode", "/OC"})
    if (!dict.getKey(key).isNull()) return std::nullopt;
  if (intOr(dict, "/SMaskInData", 0) != 0) return std::nullopt;

  PagePicture picture;
  picture.width = intOr(dict, "/Width", 0);
  picture.height = intOr(dict, "/Height", 0);
  picture.bitsPerComponent = intOr(dict, "/BitsPerComponent", 0);
  picture.widthPoints = a;
  picture.heightPoints = d;
  if (picture.width <= 0 || picture.height <= 0) RaiseDamaged(QStringLiteral("la imagen de la página no tiene tamaño"));
  // Refused before anything is read or allocated for it.
  qint64 stored = fileBytes;
  if (QPDFObjectHandle length = dict.getKey("/Length"); length.isInteger() && length.getIntValue() >= 0)
    stored = std::min<qint64>(stored, length.getIntValue());
  platform::CheckClaimedSize(QSize(picture.width, picture.height), std::max<qint64>(stored, 1));

  QPDFObjectHandle parms;
  const std::optional<std::string> filter = onlyFilter(dict, parms);
  if (!filter) return std::nullopt;
  QPDFObjectHandle space = dict.getKey("/ColorSpace");
  if (space.isName() && !plainComponents(space)) {  // a name given in the resources
    QPDFObjectHandle spaces = resources.getKey("/ColorSpace");
    if (spaces.isDictionary() && spaces.hasKey(space.getName())) space = spaces.getKey(space.getName());
  }
  if (*filter == "/DCTDecode") {
    picture.kind = PagePicture::Kind::Jpeg;
  } else if (*filter == "/CCITTFaxDecode") {
    picture.kind = PagePicture::Kind::Fax;
    if ((!space.isNull() && plainComponents(space) != 1) || !faxForm(parms, picture)) return std::nullopt;
  } else if (filter->empty() || *filter == "/FlateDecode" || *filter == "/LZWDecode" || *filter == "/RunLengthDecode") {
    const int bits = picture.bitsPerComponent;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return std::nullopt;
    picture.components = plainComponents(space);
    if (picture.components == 0 && !readPalette(space, picture)) return std::nullopt;
    if (!filter->empty()) {
      picture.filter = QByteArray::fromStdString(*filter);
      if (!parms.isNull()) picture.decodeParms = QByteArray::fromStdString(parms.unparseResolved());
    }
  } else {
    return std::nullopt;
  }
  const std::shared_ptr<Buffer> raw = image.getRawStreamData();
  picture.stored = QByteArray(reinterpret_cast<const char*>(raw->getBuffer()), qsizetype(raw->getSize()));
  return picture;
}

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
    image =
        platform::LoadPictureFromData(picture.kind == PagePicture::Kind::Jpeg ? picture.stored : faxAsTiff(picture));
    if (image.size() != QSize(picture.width, picture.height)) return {};
  }
  image.setDotsPerMeterX(int(std::lround(picture.width / (picture.widthPoints / 72.0) / 0.0254)));
  image.setDotsPerMeterY(int(std::lround(picture.height / (picture.heightPoints / 72.0) / 0.0254)));
  return image;
}

}  // namespace documents
