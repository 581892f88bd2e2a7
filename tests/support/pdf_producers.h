#pragma once
// PDFs written the way other producers, and attackers, write them: pictures
// in colour spaces a scan rarely uses, pages with notes over their picture,
// damaged or missing pictures, streams that inflate far past their size, and
// drawings that multiply their own work. For the document tests and
// bench/write_hostile alike (Qt Gui, zlib, libjpeg; no test framework).

#include <QByteArray>
#include <QImage>

#include <vector>

namespace pdfproducers {

// Pages whose one picture must not be taken as it is: a CMYK JPEG; a grey
// JPEG through a Separation, a DeviceN, a Lab space; a grey JPEG with
// /Decode [1 0]. Each of 2 x 1.5 inches.
enum class ForeignJpeg { AdobeCmyk, Separation, DeviceN, Lab, Decoded };
QByteArray ForeignJpegPdf(ForeignJpeg kind, const QImage& picture);

// A one-picture page with a stamp (a square annotation with its own
// appearance: a red square at the page's lower left quarter).
QByteArray AnnotatedPdf(const QImage& picture);

// A drawing page of width x height points (a blue rectangle over its lower
// left quarter), with /UserUnit unit.
QByteArray UserUnitPdf(double width, double height, double unit);
// A page of a grey picture of width x height pixels covering it at dpi.
QByteArray TinyResolutionPdf(int width, int height, double dpi);

// Pages whose picture cannot be read; each is drawn, not taken.
enum class Unreadable {
  FlateWithMargin,  // garbage Flate samples, the picture 1 pt inside the page
  Jbig2,            // garbage JBIG2 data
  MissingXObject,   // /Im0 named but not in the resources
  CutGroup4,        // a Group 4 stream cut to a fifth, with a margin
  GarbageGroup4,    // a Group 4 stream of noise, with a margin
};
QByteArray UnreadablePdf(Unreadable kind);
// A drawing that names a font the machine lacks (substituted) and text: a
// good page that poppler warns about.
QByteArray MissingFontPdf();

// A blank A4 page at 600 dpi as a Group 4 picture (a few hundred bytes).
QByteArray SparseGroup4Pdf();

// Forms nested `depth` deep, each drawing the next `fanout` times, under a
// page of 72 x 72 points.
QByteArray NestedFormsPdf(int depth, int fanout);

// A page whose content stream inflates to `bytes` of white space after a
// picture's placing (a stream no one-picture page writes).
QByteArray ContentBombPdf(qint64 bytes);

// A grey Flate picture of side x side pixels, all white, covering the page
// at 300 dpi.
QByteArray LargeFlateGreyPdf(int side);
// A 40 x 50 Indexed picture whose lookup stream inflates to `lookupBytes`.
QByteArray IndexedLookupBombPdf(qint64 lookupBytes);

// The attack files above, named as bench/hostile.sh reports them.
struct Attack {
  const char* name;
  QByteArray bytes;
};
std::vector<Attack> Attacks();

}  // namespace pdfproducers
