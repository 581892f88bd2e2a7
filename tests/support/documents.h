#pragma once
// PDF files and TIFF files of several pages written for the tests and the
// benchmarks (Qt Gui, qpdf and libtiff; no test framework): each page is a
// picture stored one way, so that a reader's pages can be checked against
// the loader's pixels for the same picture.

#include <QByteArray>
#include <QImage>

#include <vector>

namespace documentfiles {

// How a PDF page holds its picture: a JPEG stream, Flate samples in RGB,
// grey (the picture in Qt's 8-bit grey, or its top `bits`) or a palette (of
// its colours; with fewer bits, of colours of its own indexed by the top bits
// of its grey), a CCITT stream of its black and white (pixels darker than
// mid-grey are black) in Group 4, Group 3 one- or two-dimensional, or Modified
// Huffman, or no picture at all but a vector drawing of the page's size.
enum class PdfPage { Jpeg, FlateRgb, FlateGrey, Indexed, Group4, Drawing, Group3, Group3TwoD, ModifiedHuffman };

struct Page {
  PdfPage kind = PdfPage::FlateRgb;
  QImage picture;        // placed over the whole page
  double dpi = 300;      // the page's size follows from the picture's and this
  int bits = 8;          // of a FlateGrey or Indexed page's samples: 1, 2, 4 or 8
  int rotate = 0;        // the page's /Rotate
  bool cropped = false;  // a /CropBox of the page's left half
  // The picture placed through nested states and matrices, as some writers
  // do: q 0.1 0 0 0.1 0 0 cm q (10 w) 0 0 (10 h) 0 0.000227 cm /Im0 Do Q Q
  bool nested = false;
};

struct PdfOptions {
  QByteArray userPassword;   // asked to open it
  QByteArray ownerPassword;  // not asked to read it
};

// A document cut short is the bytes' left(n).
QByteArray Pdf(const std::vector<Page>& pages, const PdfOptions& options = {});

// The bytes the loader decodes to give the page's own pixels: the JPEG file,
// or a one-page TIFF holding the CCITT stream; empty for other kinds.
QByteArray StoredPicture(const Page& page);

// The pixels a FlateGrey or Indexed page of fewer than 8 bits holds, as its
// colour space gives them.
QImage HeldPixels(const Page& page);

// Hostile PDFs: a pages tree whose every level names the next one twice
// (2^depth pages claimed in well under a kilobyte), and a page whose one
// picture claims width x height pixels over a few bytes.
QByteArray PagesTreeBomb(int depth);
QByteArray HugePicturePdf(int width, int height);

enum class TiffStorage { None, Lzw, Deflate, Group4, Group3, Group3TwoD, ModifiedHuffman };
struct TiffPage {
  QImage picture;  // CCITT: black and white as above, 1 bit; others RGB
  TiffStorage storage = TiffStorage::Lzw;
};
// A TIFF of the pages in order, one directory each.
QByteArray Tiff(const std::vector<TiffPage>& pages);
// A TIFF of one grey page that claims width x height pixels over 3 bytes.
QByteArray HugePictureTiff(int width, int height);

// A PDF of the objects, numbered from 1 (the catalogue), with an exact
// cross-reference table; `beforeXref` is written between the last object and
// the table, and startxref names the table (or those bytes), moved by
// `startxrefShift`.
struct RawLayout {
  QByteArray beforeXref;
  bool startxrefAtGap = false;
  int startxrefShift = 0;
};
QByteArray RawPdf(const std::vector<QByteArray>& objects, const RawLayout& layout = {});

}  // namespace documentfiles
