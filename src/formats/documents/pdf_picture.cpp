// Which PDF pages are one picture over the whole page: qpdf parses the page's
// few words of content and the picture's dictionary.
#include "formats/documents/pdf_picture.h"
#include "formats/documents/bounded_buffer.h"
#include "formats/documents/readers.h"

#include "core/numbers.h"
#include "formats/codecs.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <tiff.h>

#include <cmath>
#include <limits>
#include <map>

namespace documents {

namespace {

// A page that holds only one picture says at most this much; a page's
// content is decoded no further (it may inflate to a gigabyte).
constexpr qsizetype MaxPictureContents = 1024;
// Nor does it save its graphics state deeper than this.
constexpr std::size_t MaxSavedStates = 16;

// Within this many points: far below a pixel of any scan.
bool near(double a, double b) { return std::abs(a - b) <= 0.01; }

// A transformation of PDF's user space: [x y 1] times
// | a b 0 |
// | c d 0 |
// | e f 1 |
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  // m applied first, then this, as the cm operator adds m to the current one.
  Matrix after(const Matrix& m) const {
    return {m.a * a + m.b * c, m.a * b + m.b * d,     m.c * a + m.d * c,
            m.c * b + m.d * d, m.e * a + m.f * c + e, m.e * b + m.f * d + f};
  }
};

// Follows the content of a page that draws one picture: only q, Q, cm and
// one Do, the whole transformation at the Do composed from every cm before it
// in the states saved then.
class OnePicture : public QPDFObjectHandle::ParserCallbacks {
 public:
  void handleObject(QPDFObjectHandle object) override {
    if (!object.isOperator()) {
      if ((!object.isNumber() && !object.isName()) || operands_.size() == 6) return refuse();
      operands_.push_back(object);
      return;
    }
    const std::string op = object.getOperatorValue();
    if (op == "q" && operands_.empty() && saved_.size() < MaxSavedStates) {
      saved_.push_back(current_);
    } else if (op == "Q" && operands_.empty() && !saved_.empty()) {
      current_ = saved_.back();
      saved_.pop_back();
    } else if (op == "cm" && operands_.size() == 6) {
      double v[6];
      for (int i = 0; i < 6; ++i) {
        if (!operands_[std::size_t(i)].isNumber()) return refuse();
        v[i] = operands_[std::size_t(i)].getNumericValue();
      }
      current_ = current_.after(Matrix{v[0], v[1], v[2], v[3], v[4], v[5]});
    } else if (op == "Do" && operands_.size() == 1 && operands_[0].isName() && name_.empty()) {
      name_ = operands_[0].getName();
      placed_ = current_;
    } else {
      return refuse();
    }
    operands_.clear();
  }
  void handleEOF() override { whole_ = operands_.empty(); }

  // The picture's resource name and where its unit square lands; none when
  // the content is anything else.
  std::optional<std::pair<std::string, Matrix>> picture() const {
    if (!whole_ || name_.empty()) return std::nullopt;
    return std::make_pair(name_, placed_);
  }

 private:
  void refuse() {
    whole_ = false;
    name_.clear();
    terminateParsing();
  }
  std::vector<QPDFObjectHandle> operands_;
  std::vector<Matrix> saved_;
  Matrix current_, placed_;
  std::string name_;
  bool whole_ = false;
};

// Decodes a stream into the buffer until it is full; qpdf's warnings about a
// decoding stopped that way are not the document's, and are taken back.
bool pipeBounded(QPDFObjectHandle stream, BoundedBuffer& buffer) {
  QPDF* owner = stream.getOwningQPDF();
  const std::size_t before = owner ? owner->numWarnings() : 0;
  const bool piped = stream.pipeStreamData(&buffer, 0, qpdf_dl_generalized, true);
  if (owner && buffer.full()) {
    std::vector<QPDFExc> warnings = owner->getWarnings();
    for (std::size_t i = 0; i < before && i < warnings.size(); ++i) owner->warn(warnings[i]);
  }
  return piped;
}

// The page's content when it is short enough to be one picture's: each
// stream decoded only that far, and none when a stream cannot be decoded
// (poppler then draws what it can of the page).
std::optional<std::string> shortContents(QPDFPageObjectHelper& page) {
  QPDFObjectHandle contents = page.getObjectHandle().getKey("/Contents");
  if (!contents.isStream() && !(contents.isArray() && contents.getArrayNItems() <= 8)) return std::nullopt;
  std::vector<QPDFObjectHandle> streams =
      contents.isStream() ? std::vector<QPDFObjectHandle>{contents} : contents.getArrayAsVector();
  std::string text;
  for (QPDFObjectHandle& stream : streams) {
    if (!stream.isStream()) return std::nullopt;
    BoundedBuffer buffer(MaxPictureContents - qsizetype(text.size()));
    if (!pipeBounded(stream, buffer) || buffer.full()) return std::nullopt;
    text.append(buffer.bytes().constData(), std::size_t(buffer.bytes().size()));
    text += '\n';  // streams are joined as if by white space
  }
  return text;
}

// The one picture the page draws and where; parsed by qpdf in a document of
// its own, so that nothing of it reaches the open document.
std::optional<std::pair<std::string, Matrix>> drawnPicture(QPDFPageObjectHelper& page) {
  const std::optional<std::string> contents = shortContents(page);
  if (!contents) return std::nullopt;
  QPDF scratch;
  scratch.setSuppressWarnings(true);
  OnePicture parsed;
  try {
    scratch.emptyPDF();
    QPDFObjectHandle::parseContentStream(scratch.newStream(*contents), &parsed);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return parsed.picture();
}

QPDFObjectHandle::Rectangle normalized(QPDFObjectHandle box) {
  const QPDFObjectHandle::Rectangle r = box.getArrayAsRectangle();
  return {std::min(r.llx, r.urx), std::min(r.lly, r.ury), std::max(r.llx, r.urx), std::max(r.lly, r.ury)};
}

bool sameBox(const QPDFObjectHandle::Rectangle& p, const QPDFObjectHandle::Rectangle& q) {
  return near(p.llx, q.llx) && near(p.lly, q.lly) && near(p.urx, q.urx) && near(p.ury, q.ury);
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
    BoundedBuffer buffer(entries * base);
    pipeBounded(lookup, buffer);
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

// How a CCITT stream is coded in TIFF's terms, or false when TIFF has no
// coding for it (a Group 4 stream whose rows start on byte boundaries, a
// Group 3 stream without end-of-line codes).
bool faxForm(QPDFObjectHandle parms, PagePicture& picture) {
  const int k = intOr(parms, "/K", 0);
  const bool aligned = boolOr(parms, "/EncodedByteAlign", false), eol = boolOr(parms, "/EndOfLine", false);
  const int rows = intOr(parms, "/Rows", 0);
  if (intOr(parms, "/Columns", 1728) != picture.width || (rows != 0 && rows != picture.height)) return false;
  picture.blackIs1 = boolOr(parms, "/BlackIs1", false);
  if (k < 0 && !aligned)
    picture.fax = {COMPRESSION_CCITTFAX4, 0};
  else if (k == 0 && aligned && !eol)
    picture.fax = {COMPRESSION_CCITTRLE, 0};  // Modified Huffman: rows byte-aligned, no end-of-line codes
  else if (k >= 0 && eol && !aligned)
    picture.fax = {COMPRESSION_CCITTFAX3, k > 0 ? GROUP3OPT_2DENCODING : 0};
  else
    return false;
  return true;
}

// Whether the page has notes that show over its picture: any annotation but
// a link or a pop-up without an appearance of its own, or one marked hidden.
bool showsNotes(QPDFPageObjectHelper& page) {
  QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots");
  if (!annots.isArray()) return false;
  for (QPDFObjectHandle annot : annots.getArrayAsVector()) {
    if (!annot.isDictionary()) continue;
    QPDFObjectHandle subtype = annot.getKey("/Subtype");
    if ((subtype.isNameAndEquals("/Link") || subtype.isNameAndEquals("/Popup")) && !annot.hasKey("/AP")) continue;
    if (intOr(annot, "/F", 0) & 2) continue;  // hidden
    return true;
  }
  return false;
}

}  // namespace

std::optional<PagePicture> FindPagePicture(QPDFPageObjectHelper& page, qint64 fileBytes) {
  QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
  if (!rotate.isNull() && !(rotate.isInteger() && rotate.getIntValue() % 360 == 0)) return std::nullopt;
  if (page.getObjectHandle().hasKey("/UserUnit")) return std::nullopt;
  QPDFObjectHandle mediaBox = page.getMediaBox(), cropBox = page.getCropBox();
  if (!mediaBox.isRectangle() || !cropBox.isRectangle()) return std::nullopt;
  const QPDFObjectHandle::Rectangle media = normalized(mediaBox);
  if (!sameBox(media, normalized(cropBox))) return std::nullopt;

  const auto drawn = drawnPicture(page);
  if (!drawn) return std::nullopt;
  const Matrix& m = drawn->second;
  if (!near(m.b, 0) || !near(m.c, 0) || m.a <= 0 || m.d <= 0 || !sameBox({m.e, m.f, m.e + m.a, m.f + m.d}, media))
    return std::nullopt;
  // qpdf complains of resources of the wrong kind, which would refuse the
  // page; poppler draws it instead.
  QPDFObjectHandle resources = page.getAttribute("/Resources", false);
  if (!resources.isDictionary() || !resources.getKey("/XObject").isDictionary()) return std::nullopt;
  const std::map<std::string, QPDFObjectHandle> images = page.getImages();
  const auto found = images.find(drawn->first);
  if (found == images.end()) return std::nullopt;
  QPDFObjectHandle image = found->second;
  QPDFObjectHandle dict = image.getDict();
  if (boolOr(dict, "/ImageMask", false)) return std::nullopt;
  for (const char* key : {"/Mask", "/SMask", "/Decode", "/OC"})
    if (!dict.getKey(key).isNull()) return std::nullopt;
  if (intOr(dict, "/SMaskInData", 0) != 0) return std::nullopt;

  PagePicture picture;
  picture.width = intOr(dict, "/Width", 0);
  picture.height = intOr(dict, "/Height", 0);
  picture.bitsPerComponent = intOr(dict, "/BitsPerComponent", 0);
  picture.widthPoints = media.urx - media.llx;
  picture.heightPoints = media.ury - media.lly;
  if (picture.width <= 0 || picture.height <= 0) RaiseDamaged(QStringLiteral("la imagen de la página no tiene tamaño"));
  QPDFObjectHandle parms;
  const std::optional<std::string> filter = onlyFilter(dict, parms);
  // Refused before anything is read or allocated for it. A fax stream packs a
  // page in far fewer bytes than any other (a blank A4 page at 600 dpi in a
  // few hundred): its decoding works in proportion to its pixels, and stops
  // at the end of its data, so only the pixels are bounded.
  if (filter && *filter == "/CCITTFaxDecode") {
    platform::CheckClaimedSize(QSize(picture.width, picture.height), qint64(1) << 40);
  } else {
    qint64 stored = fileBytes;
    if (QPDFObjectHandle length = dict.getKey("/Length"); length.isInteger() && length.getIntValue() >= 0)
      stored = std::min<qint64>(stored, length.getIntValue());
    platform::CheckClaimedSize(QSize(picture.width, picture.height), std::max<qint64>(stored, 1));
  }
  if (!filter) return std::nullopt;
  QPDFObjectHandle space = dict.getKey("/ColorSpace");
  if (space.isName() && !plainComponents(space)) {  // a name given in the resources
    QPDFObjectHandle spaces = resources.getKey("/ColorSpace");
    if (spaces.isDictionary() && spaces.hasKey(space.getName())) space = spaces.getKey(space.getName());
  }
  if (*filter == "/DCTDecode") {
    // Only grey and RGB are the JPEG's own colours: CMYK (perhaps inverted),
    // Separation, DeviceN and Lab pictures are drawn in their colours.
    picture.kind = PagePicture::Kind::Jpeg;
    picture.components = plainComponents(space);
    if (picture.components == 0) return std::nullopt;
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
  picture.drawnOver = showsNotes(page);
  return picture;
}

}  // namespace documents
