#include "support/documents.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryFile>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <tiffio.h>

#include <array>
#include <stdexcept>

namespace documentfiles {

namespace {

// A zlib stream (qCompress adds a 4-byte length before it).
QByteArray flate(const QByteArray& bytes) { return qCompress(bytes).mid(4); }

QImage blackAndWhite(const QImage& picture) {
  return picture.convertToFormat(QImage::Format_Grayscale8)
      .convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::MonoOnly);
}

QByteArray readWhole(QFile& file) {
  file.seek(0);
  return file.readAll();
}

// Writes pages with libtiff into a temporary file and gives its bytes.
QByteArray writeTiff(const std::vector<TiffPage>& pages) {
  QTemporaryFile file;
  if (!file.open()) throw std::runtime_error("no temporary file");
  TIFF* tiff = TIFFOpen(file.fileName().toLocal8Bit().constData(), "w");
  if (!tiff) throw std::runtime_error("libtiff cannot write");
  for (const TiffPage& page : pages) {
    const bool mono = page.storage >= TiffStorage::Group4;
    QImage image = mono ? blackAndWhite(page.picture) : page.picture.convertToFormat(QImage::Format_RGB888);
    // Group 4 is coded from Qt's bits as they are (black 0), the others from
    // their inverse (black 1, as faxes code it), so that both of PDF's
    // /BlackIs1 are written.
    const bool inverse = mono && page.storage != TiffStorage::Group4;
    if (inverse) image.invertPixels();
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, image.width());
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, image.height());
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, mono ? 1 : 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, mono ? 1 : 3);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    // Qt's Format_Mono has 0 for black: the fax convention's white-is-zero is its inverse.
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                 !mono     ? PHOTOMETRIC_RGB
                 : inverse ? PHOTOMETRIC_MINISWHITE
                           : PHOTOMETRIC_MINISBLACK);
    const int compression[] = {COMPRESSION_NONE,      COMPRESSION_LZW,       COMPRESSION_ADOBE_DEFLATE,
                               COMPRESSION_CCITTFAX4, COMPRESSION_CCITTFAX3, COMPRESSION_CCITTFAX3,
                               COMPRESSION_CCITTRLE};
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression[int(page.storage)]);
    if (page.storage == TiffStorage::Group3TwoD) TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_2DENCODING);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, image.height());
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 300.0);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 300.0);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (pages.size() > 1) TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    for (int y = 0; y < image.height(); ++y)
      TIFFWriteScanline(tiff, const_cast<uchar*>(image.constScanLine(y)), std::uint32_t(y), 0);
    TIFFWriteDirectory(tiff);
  }
  TIFFClose(tiff);
  return readWhole(file);
}

TiffStorage faxStorage(PdfPage kind) {
  return kind == PdfPage::Group4       ? TiffStorage::Group4
         : kind == PdfPage::Group3     ? TiffStorage::Group3
         : kind == PdfPage::Group3TwoD ? TiffStorage::Group3TwoD
                                       : TiffStorage::ModifiedHuffman;
}

bool fax(PdfPage kind) { return kind >= PdfPage::Group3 || kind == PdfPage::Group4; }

// The CCITT stream of the picture: the one strip of a TIFF written as above.
QByteArray faxStream(const QImage& picture, TiffStorage storage) {
  QTemporaryFile file;
  if (!file.open()) throw std::runtime_error("no temporary file");
  file.write(writeTiff({{picture, storage}}));
  file.flush();
  TIFF* tiff = TIFFOpen(file.fileName().toLocal8Bit().constData(), "r");
  QByteArray strip(qsizetype(TIFFRawStripSize(tiff, 0)), '\0');
  TIFFReadRawStrip(tiff, 0, strip.data(), strip.size());
  TIFFClose(tiff);
  return strip;
}

QByteArray jpeg(const QImage& picture) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(90);
  writer.write(picture.convertToFormat(QImage::Format_RGB32));
  return buffer.data();
}

}  // namespace

QByteArray StoredPicture(const Page& page) {
  if (page.kind == PdfPage::Jpeg) return jpeg(page.picture);
  if (fax(page.kind)) return writeTiff({{page.picture, faxStorage(page.kind)}});
  return {};
}

namespace {

QRgb paletteColour(int i) { return qRgb((i * 53) & 255, (i * 101 + 40) & 255, (255 - i * 17) & 255); }

// The page's samples of `bits` bits a pixel: the top bits of its grey, rows
// starting on bytes.
QByteArray packedGrey(const QImage& picture, int bits) {
  const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
  QByteArray data;
  for (int y = 0; y < grey.height(); ++y) {
    QByteArray row((grey.width() * bits + 7) / 8, '\0');
    for (int x = 0; x < grey.width(); ++x)
      row[x * bits / 8] =
          char(row[x * bits / 8] | ((grey.constScanLine(y)[x] >> (8 - bits)) << (8 - bits - x * bits % 8)));
    data += row;
  }
  return data;
}

}  // namespace

QImage HeldPixels(const Page& page) {
  const QImage grey = page.picture.convertToFormat(QImage::Format_Grayscale8);
  QImage held(grey.size(), QImage::Format_RGB32);
  const int top = (1 << page.bits) - 1;
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x) {
      const int v = grey.constScanLine(y)[x] >> (8 - page.bits);
      held.setPixel(
          x, y, page.kind == PdfPage::Indexed ? paletteColour(v) : qRgb(v * 255 / top, v * 255 / top, v * 255 / top));
    }
  return held;
}

QByteArray Pdf(const std::vector<Page>& pages, const PdfOptions& options) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFPageDocumentHelper document(pdf);
  for (const Page& page : pages) {
    const double w = page.picture.width() * 72.0 / page.dpi, h = page.picture.height() * 72.0 / page.dpi;
    QPDFObjectHandle resources = QPDFObjectHandle::parse("<< >>");
    std::string contents;
    if (page.kind == PdfPage::Drawing) {
      contents = "0.2 0.4 0.8 rg 10 10 " + std::to_string(w / 2) + " " + std::to_string(h / 3) + " re f";
      for (int i = 0; i < 100; ++i) contents += "\n1 1 1 rg 0 0 0.01 0.01 re f";  // over a kilobyte of drawing
    } else {
      QImage rgb = page.picture.convertToFormat(QImage::Format_RGB888);
      QByteArray data, filter = "/FlateDecode", space = "/DeviceRGB", parms = "null";
      int bits = 8;
      switch (page.kind) {
        case PdfPage::Jpeg:
          data = jpeg(page.picture), filter = "/DCTDecode";
          break;
        case PdfPage::FlateRgb:
          for (int y = 0; y < rgb.height(); ++y)
            data.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
          data = flate(data);
          break;
        case PdfPage::FlateGrey:
        case PdfPage::Indexed:
          if (page.bits < 8) {
            data = flate(packedGrey(page.picture, page.bits)), bits = page.bits, space = "/DeviceGray";
            if (page.kind == PdfPage::Indexed) {
              QByteArray table;
              for (int i = 0; i < (1 << bits); ++i)
                table.append(char(qRed(paletteColour(i))))
                    .append(char(qGreen(paletteColour(i))))
                    .append(char(qBlue(paletteColour(i))));
              space = "[/Indexed /DeviceRGB " + QByteArray::number((1 << bits) - 1) + " <" + table.toHex() + ">]";
            }
            break;
          }
          if (page.kind == PdfPage::Indexed) {
            const QImage indexed = page.picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
            QByteArray table;
            for (QRgb c : indexed.colorTable())
              table.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
            for (int y = 0; y < indexed.height(); ++y)
              data.append(reinterpret_cast<const char*>(indexed.constScanLine(y)), indexed.width());
            data = flate(data);
            space =
                "[/Indexed /DeviceRGB " + QByteArray::number(indexed.colorCount() - 1) + " <" + table.toHex() + ">]";
          } else {
            const QImage grey = page.picture.convertToFormat(QImage::Format_Grayscale8);
            for (int y = 0; y < grey.height(); ++y)
              data.append(reinterpret_cast<const char*>(grey.constScanLine(y)), grey.width());
            data = flate(data), space = "/DeviceGray";
          }
          break;
        default: {  // CCITT
          data = faxStream(page.picture, faxStorage(page.kind)), filter = "/CCITTFaxDecode", space = "/DeviceGray";
          bits = 1;
          const QByteArray coding = page.kind == PdfPage::Group4       ? "/K -1 /BlackIs1 true"
                                    : page.kind == PdfPage::Group3     ? "/K 0 /EndOfLine true"
                                    : page.kind == PdfPage::Group3TwoD ? "/K 4 /EndOfLine true"
                                                                       : "/K 0 /EncodedByteAlign true";
          parms = "<< " + coding + " /Columns " + QByteArray::number(page.picture.width()) + " /Rows " +
                  QByteArray::number(page.picture.height()) + " >>";
        }
      }
      QPDFObjectHandle image = QPDFObjectHandle::newStream(&pdf);
      image.replaceStreamData(data.toStdString(), QPDFObjectHandle::parse(filter.toStdString()),
                              QPDFObjectHandle::parse(parms.toStdString()));
      QPDFObjectHandle dict = image.getDict();
      dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
      dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
      dict.replaceKey("/Width", QPDFObjectHandle::newInteger(page.picture.width()));
      dict.replaceKey("/Height", QPDFObjectHandle::newInteger(page.picture.height()));
      dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(bits));
      dict.replaceKey("/ColorSpace", QPDFObjectHandle::parse(space.toStdString()));
      resources.replaceKey("/XObject", QPDFObjectHandle::parse("<< >>"));
      resources.getKey("/XObject").replaceKey("/Im0", image);
      contents = page.nested ? "q 0.1 0 0 0.1 0 0 cm q " + std::to_string(10 * w) + " 0 0 " + std::to_string(10 * h) +
                                   " 0 0.000227 cm /Im0 Do Q Q"
                             : "q " + std::to_string(w) + " 0 0 " + std::to_string(h) + " 0 0 cm /Im0 Do Q";
    }
    std::string extra;
    if (page.rotate) extra += " /Rotate " + std::to_string(page.rotate);
    if (page.cropped) extra += " /CropBox [0 0 " + std::to_string(w / 2) + " " + std::to_string(h) + "]";
    QPDFObjectHandle pageDict = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 " + std::to_string(w) + " " + std::to_string(h) + "]" + extra + " >>"));
    pageDict.replaceKey("/Resources", resources);
    pageDict.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, contents));
    document.addPage(QPDFPageObjectHelper(pageDict), false);
  }
  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.setStreamDataMode(qpdf_s_preserve);
  writer.setStaticID(true);
  if (!options.userPassword.isEmpty() || !options.ownerPassword.isEmpty())
    writer.setR6EncryptionParameters(options.userPassword.constData(), options.ownerPassword.constData(), true, true,
                                     true, true, true, true, qpdf_r3p_full, true);
  writer.write();
  const std::shared_ptr<Buffer> out = writer.getBufferSharedPointer();
  return QByteArray(reinterpret_cast<const char*>(out->getBuffer()), qsizetype(out->getSize()));
}

QByteArray PagesTreeBomb(int depth) {
  std::vector<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>"};
  for (int level = 0; level < depth; ++level) {
    const QByteArray next = QByteArray::number(level + 3) + " 0 R";
    objects.push_back("<< /Type /Pages /Kids [" + next + " " + next + "] /Count " +
                      QByteArray::number(1LL << (depth - level)) +
                      (level ? " /Parent " + QByteArray::number(level + 1) + " 0 R" : "") + " >>");
  }
  objects.push_back("<< /Type /Page /Parent " + QByteArray::number(depth + 1) + " 0 R /MediaBox [0 0 72 72] >>");
  return RawPdf(objects);
}

QByteArray HugePicturePdf(int width, int height) {
  const QByteArray matrix = "q 72 0 0 72 0 0 cm /Im0 Do Q";
  return RawPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 72] /Contents 4 0 R "
                 "/Resources << /XObject << /Im0 5 0 R >> >> >>",
                 "<< /Length " + QByteArray::number(matrix.size()) + " >>\nstream\n" + matrix + "\nendstream",
                 "<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(width) + " /Height " +
                     QByteArray::number(height) +
                     " /BitsPerComponent 8 /ColorSpace /DeviceGray /Length 3 >>\nstream\nabc\nendstream"});
}

QByteArray Tiff(const std::vector<TiffPage>& pages) { return writeTiff(pages); }

QByteArray HugePictureTiff(int width, int height) {
  // Tag, type (3 short, 4 long), value; the 3 bytes of pixels follow the directory.
  const std::vector<std::array<quint32, 3>> entries = {
      {256, 4, quint32(width)},     {257, 4, quint32(height)}, {258, 3, 8}, {259, 3, 1}, {262, 3, 1},
      {273, 4, 8 + 2 + 8 * 12 + 4}, {278, 4, quint32(height)}, {279, 4, 3}};
  QByteArray tiff("II*\0\x08\0\0\0\x08\0", 10);
  for (const auto& [tag, type, value] : entries) {
    const quint16 head[4] = {quint16(tag), quint16(type), 1, 0};
    tiff.append(reinterpret_cast<const char*>(head), 8);  // little-endian machines only
    tiff.append(reinterpret_cast<const char*>(&value), 4);
  }
  return tiff.append(QByteArray(4, '\0')).append("abc");
}

QByteArray RawPdf(const std::vector<QByteArray>& objects, const RawLayout& layout) {
  QByteArray pdf = "%PDF-1.7\n";
  std::vector<qsizetype> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += QByteArray::number(qulonglong(i + 1)) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const qsizetype gap = pdf.size();
  pdf += layout.beforeXref;
  const qsizetype xref = pdf.size();
  pdf += "xref\n0 " + QByteArray::number(qulonglong(objects.size() + 1)) + "\n0000000000 65535 f \n";
  for (qsizetype o : offsets) pdf += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
  pdf += "trailer\n<< /Size " + QByteArray::number(qulonglong(objects.size() + 1)) + " /Root 1 0 R >>\nstartxref\n" +
         QByteArray::number((layout.startxrefAtGap ? gap : xref) + layout.startxrefShift) + "\n%%EOF\n";
  return pdf;
}

}  // namespace documentfiles
