#include "support/pdf_producers.h"

#include "support/documents.h"

#include "formats/documents/fax.h"

#include <QRandomGenerator>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <jpeglib.h>
#include <zlib.h>

namespace pdfproducers {

namespace {

using documentfiles::RawPdf;

QByteArray num(double v) { return QByteArray::number(v, 'f', 4); }
QByteArray num(qint64 v) { return QByteArray::number(v); }
QByteArray sized(int width, int height) {
  return "/Width " + num(qint64(width)) + " /Height " + num(qint64(height)) + " ";
}

QByteArray stream(const QByteArray& dict, const QByteArray& data) {
  return "<< " + dict + " /Length " + num(qint64(data.size())) + " >>\nstream\n" + data + "\nendstream";
}

// Catalogue 1, pages 2, the page 3 of width x height points (`page` ends its
// dictionary), its contents 4 and `more` from 5.
QByteArray onePage(double width, double height, const QByteArray& page, const QByteArray& contents,
                   const std::vector<QByteArray>& more = {}) {
  std::vector<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                     "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + num(width) + " " + num(height) +
                                         "] /Contents 4 0 R " + page + " >>",
                                     contents};
  objects.insert(objects.end(), more.begin(), more.end());
  return RawPdf(objects);
}

// The page with `content` and the picture /Im0 (object 5); `more` from 6.
QByteArray picturePage(double width, double height, const QByteArray& content, const QByteArray& imageDict,
                       const QByteArray& imageData, const QByteArray& pageExtra = {},
                       std::vector<QByteArray> more = {}) {
  more.insert(more.begin(), stream("/Type /XObject /Subtype /Image " + imageDict, imageData));
  return onePage(width, height, "/Resources << /XObject << /Im0 5 0 R >> >> " + pageExtra, stream("", content), more);
}

// Content placing /Im0 over the page, or inside it with a margin.
QByteArray placeOver(double width, double height, double margin = 0) {
  return "q " + num(width - 2 * margin) + " 0 0 " + num(height - 2 * margin) + " " + num(margin) + " " + num(margin) +
         " cm /Im0 Do Q";
}

QByteArray jpegOf(int width, int height, int components, J_COLOR_SPACE space,
                  const std::function<void(int, unsigned char*)>& row) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = components;
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> samples(std::size_t(width * components));
  for (int y = 0; y < height; ++y) {
    row(y, samples.data());
    JSAMPROW rows[1] = {samples.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
  std::free(out);
  return bytes;
}

QByteArray colourJpeg(const QImage& picture) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
  return jpegOf(rgb.width(), rgb.height(), 3, JCS_RGB, [&](int y, unsigned char* out) {
    std::memcpy(out, rgb.constScanLine(y), std::size_t(rgb.width() * 3));
  });
}

const QByteArray BlackTint = "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 0 0 1] /N 1 >>";

// A blank page in Group 4: every row one vertical-0 code (a 1 bit) against
// the white row above, then two end-of-line codes.
QByteArray blankGroup4(int height) {
  QByteArray out((height + 24 + 7) / 8, '\0');
  auto put = [&](qint64 at) { out[at / 8] = char(out[at / 8] | (0x80 >> (at % 8))); };
  for (qint64 i = 0; i < height; ++i) put(i);
  put(height + 11);
  put(height + 23);
  return out;
}

QByteArray deflated(const QByteArray& bytes) {
  uLongf size = compressBound(uLong(bytes.size()));
  QByteArray out(qsizetype(size), '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.constData()),
            uLong(bytes.size()), 9);
  out.truncate(qsizetype(size));
  return out;
}

QByteArray deflatedRun(qint64 bytes, char fill) {
  z_stream z{};
  deflateInit(&z, 9);
  const QByteArray chunk(1 << 20, fill);
  QByteArray out;
  std::vector<unsigned char> buffer(1 << 16);
  for (qint64 left = bytes; left >= 0;) {
    const qint64 now = std::min<qint64>(left, chunk.size());
    left -= now;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.constData()));
    z.avail_in = uInt(now);
    const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
    int result = Z_OK;
    do {
      z.next_out = buffer.data();
      z.avail_out = uInt(buffer.size());
      result = deflate(&z, flush);
      out.append(reinterpret_cast<const char*>(buffer.data()), qsizetype(buffer.size() - z.avail_out));
    } while (z.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    if (left == 0) break;
  }
  deflateEnd(&z);
  return out;
}

// A CMYK JPEG as Adobe's programs write it (every sample inverted), of a
// plain conversion from RGB with black taken out.
QByteArray adobeCmykJpeg(const QImage& picture) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  return jpegOf(rgb.width(), rgb.height(), 4, JCS_CMYK, [&](int y, unsigned char* out) {
    const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) {
      const int c = 255 - qRed(in[x]), m = 255 - qGreen(in[x]), ye = 255 - qBlue(in[x]);
      const int k = std::min({c, m, ye});
      out[4 * x] = uchar(255 - (c - k));
      out[4 * x + 1] = uchar(255 - (m - k));
      out[4 * x + 2] = uchar(255 - (ye - k));
      out[4 * x + 3] = uchar(255 - k);
    }
  });
}

QByteArray greyJpeg(const QImage& picture) {
  const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
  return jpegOf(grey.width(), grey.height(), 1, JCS_GRAYSCALE,
                [&](int y, unsigned char* out) { std::memcpy(out, grey.constScanLine(y), std::size_t(grey.width())); });
}

}  // namespace

QByteArray ForeignJpegPdf(ForeignJpeg kind, const QImage& picture) {
  QByteArray dict, data;
  switch (kind) {
    case ForeignJpeg::AdobeCmyk:
      dict = "/ColorSpace /DeviceCMYK /Decode [1 0 1 0 1 0 1 0]";
      data = adobeCmykJpeg(picture);
      break;
    case ForeignJpeg::Separation:
      dict = "/ColorSpace [/Separation /Black /DeviceCMYK " + BlackTint + "]";
      data = greyJpeg(picture);
      break;
    case ForeignJpeg::DeviceN:
      dict = "/ColorSpace [/DeviceN [/Black] /DeviceCMYK " + BlackTint + "]";
      data = greyJpeg(picture);
      break;
    case ForeignJpeg::Lab:
      dict = "/ColorSpace [/Lab << /WhitePoint [0.9505 1 1.089] /Range [-128 127 -128 127] >>]";
      data = colourJpeg(picture);
      break;
    case ForeignJpeg::Decoded:
      dict = "/ColorSpace /DeviceGray /Decode [1 0]";
      data = greyJpeg(picture);
      break;
  }
  return picturePage(144, 108, placeOver(144, 108),
                     sized(picture.width(), picture.height()) + "/BitsPerComponent 8 " + dict + " /Filter /DCTDecode",
                     data);
}

QByteArray AnnotatedPdf(const QImage& picture) {
  const double w = picture.width() * 72.0 / 100, h = picture.height() * 72.0 / 100;  // 100 dpi
  const QByteArray square = "0 0 " + num(w / 2) + " " + num(h / 2);
  return picturePage(
      w, h, placeOver(w, h),
      sized(picture.width(), picture.height()) + "/BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /FlateDecode",
      deflated([&] {
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
        QByteArray s;
        for (int y = 0; y < rgb.height(); ++y)
          s.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
        return s;
      }()),
      "/Annots [6 0 R]",
      {"<< /Type /Annot /Subtype /Square /Rect [" + square + "] /F 4 /AP << /N 7 0 R >> >>",
       stream("/Type /XObject /Subtype /Form /BBox [" + square + "]", "1 0 0 rg " + square + " re f")});
}

QByteArray UserUnitPdf(double width, double height, double unit) {
  return onePage(width, height, "/UserUnit " + num(unit) + " /Resources << >>",
                 stream("", "0.2 0.4 0.8 rg 0 0 " + num(width / 2) + " " + num(height / 2) + " re f"));
}

QByteArray TinyResolutionPdf(int width, int height, double dpi) {
  const double w = width * 72.0 / dpi, h = height * 72.0 / dpi;
  return picturePage(w, h, placeOver(w, h), sized(width, height) + "/BitsPerComponent 8 /ColorSpace /DeviceGray",
                     QByteArray(qsizetype(width) * height, '\x80'));
}

QByteArray UnreadablePdf(Unreadable kind) {
  QByteArray noise(4000, '\0');
  for (qsizetype i = 0; i < noise.size(); ++i) noise[i] = char(QRandomGenerator(7 + quint32(i)).generate());
  const double w = 200, h = 200;
  const QByteArray size = "/Width 400 /Height 400 ";
  switch (kind) {
    case Unreadable::FlateWithMargin:
      return picturePage(w, h, placeOver(w, h, 1),
                         size + "/BitsPerComponent 8 /ColorSpace /DeviceGray /Filter /FlateDecode", "x\x9c" + noise);
    case Unreadable::Jbig2:
      return picturePage(w, h, placeOver(w, h),
                         size + "/BitsPerComponent 1 /ColorSpace /DeviceGray /Filter /JBIG2Decode", noise);
    case Unreadable::MissingXObject:
      return onePage(w, h, "/Resources << /XObject << >> >>", stream("", placeOver(w, h)));
    case Unreadable::CutGroup4:
    case Unreadable::GarbageGroup4: {
      std::vector<unsigned char> rows(50 * 400);
      for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x)
          if ((x / 7 + y / 5) % 3 == 0) rows[std::size_t(y * 50 + x / 8)] |= uchar(0x80 >> (x % 8));
      const QByteArray whole = documents::Group4Stream(rows.data(), 400, 400);
      const QByteArray coded = kind == Unreadable::CutGroup4 ? whole.left(whole.size() / 5) : noise;
      return picturePage(w, h, placeOver(w, h, 1),
                         size +
                             "/BitsPerComponent 1 /ColorSpace /DeviceGray /Filter /CCITTFaxDecode "
                             "/DecodeParms << /K -1 /Columns 400 /Rows 400 >>",
                         coded);
    }
  }
  return {};
}

QByteArray MissingFontPdf() {
  return onePage(200, 100, "/Resources << /Font << /F1 5 0 R >> >>", stream("", "BT /F1 24 Tf 10 40 Td (Hola) Tj ET"),
                 {"<< /Type /Font /Subtype /TrueType /BaseFont /NoSuchFontAnywhere-Bold /FirstChar 32 /LastChar 126 "
                  "/Widths [" +
                      QByteArray("500 ").repeated(95) + "] /FontDescriptor 6 0 R >>",
                  "<< /Type /FontDescriptor /FontName /NoSuchFontAnywhere-Bold /Flags 32 /FontBBox [0 0 1000 1000] "
                  "/ItalicAngle 0 /Ascent 800 /Descent -200 /CapHeight 700 /StemV 80 >>"});
}

QByteArray SparseGroup4Pdf() {
  return picturePage(595.2, 841.92, placeOver(595.2, 841.92),
                     "/Width 4960 /Height 7016 /BitsPerComponent 1 /ColorSpace /DeviceGray /Filter /CCITTFaxDecode "
                     "/DecodeParms << /K -1 /Columns 4960 /Rows 7016 >>",
                     blankGroup4(7016));
}

QByteArray NestedFormsPdf(int depth, int fanout) {
  const QByteArray calls = QByteArray("q 0.9 0 0 0.9 1 1 cm /F Do Q\n").repeated(fanout);
  std::vector<QByteArray> forms;
  for (int level = 1; level <= depth; ++level)
    forms.push_back(level == depth
                        ? stream("/Type /XObject /Subtype /Form /BBox [0 0 72 72]", "0 0 1 rg 0 0 72 72 re f")
                        : stream("/Type /XObject /Subtype /Form /BBox [0 0 72 72] /Resources << /XObject << /F " +
                                     num(qint64(5 + level)) + " 0 R >> >>",
                                 calls));
  return onePage(72, 72, "/Resources << /XObject << /F 5 0 R >> >>", stream("", "/F Do"), forms);
}

QByteArray ContentBombPdf(qint64 bytes) {
  return onePage(72, 72, "/Resources << >>", stream("/Filter /FlateDecode", deflatedRun(bytes, ' ')));
}

QByteArray LargeFlateGreyPdf(int side) {
  const double points = side * 72.0 / 300;
  return picturePage(points, points, placeOver(points, points),
                     sized(side, side) + "/BitsPerComponent 8 /ColorSpace /DeviceGray /Filter /FlateDecode",
                     deflatedRun(qint64(side) * side, '\xff'));
}

QByteArray IndexedLookupBombPdf(qint64 lookupBytes) {
  const double w = 40 * 72.0 / 100, h = 50 * 72.0 / 100;
  return picturePage(
      w, h, placeOver(w, h), "/Width 40 /Height 50 /BitsPerComponent 8 /ColorSpace [/Indexed /DeviceRGB 255 6 0 R]",
      QByteArray(40 * 50, '\x01'), {}, {stream("/Filter /FlateDecode", deflatedRun(lookupBytes, '\x40'))});
}

std::vector<Attack> Attacks() {
  const QImage picture = [] {
    QImage p(120, 90, QImage::Format_RGB32);
    for (int y = 0; y < p.height(); ++y)
      for (int x = 0; x < p.width(); ++x) p.setPixel(x, y, qRgb(x * 2, y * 2, 128));
    return p;
  }();
  return {
      {"p02-cmyk-jpeg.pdf", ForeignJpegPdf(ForeignJpeg::AdobeCmyk, picture)},
      {"p02-separation-jpeg.pdf", ForeignJpegPdf(ForeignJpeg::Separation, picture)},
      {"p03-annots.pdf", AnnotatedPdf(picture)},
      {"p04-userunit.pdf", UserUnitPdf(144, 72, 2)},
      {"p04-tiny-resolution.pdf", TinyResolutionPdf(2, 2, 0.01)},
      {"p06-flate-margin.pdf", UnreadablePdf(Unreadable::FlateWithMargin)},
      {"p06-jbig2.pdf", UnreadablePdf(Unreadable::Jbig2)},
      {"p06-missing-xobject.pdf", UnreadablePdf(Unreadable::MissingXObject)},
      {"p06-cut-g4.pdf", UnreadablePdf(Unreadable::CutGroup4)},
      {"p06-garbage-g4.pdf", UnreadablePdf(Unreadable::GarbageGroup4)},
      {"p08-sparse-g4.pdf", SparseGroup4Pdf()},
      {"p15-nested-forms.pdf", NestedFormsPdf(9, 10)},
      {"p16-content-bomb.pdf", ContentBombPdf(qint64(1) << 30)},
      {"p17-flate-grey-16384.pdf", LargeFlateGreyPdf(16384)},
      {"p17-indexed-lookup.pdf", IndexedLookupBombPdf(qint64(1) << 30)},
  };
}

}  // namespace pdfproducers
