#pragma once
// Documents: PDF files and TIFF files of several pages, read a page at a time
// and written a page at a time, so that memory never holds a whole document.
// Each page is a picture like the ones the loader gives (formats/codecs.h):
// Format_RGB32, transparent pixels flattened onto white, its resolution set.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

namespace documents {

enum class DocumentKind { Pdf, Tiff };

// Whether a file's first bytes are a PDF's ("%PDF-", perhaps after a little
// leading junk, as readers allow).
bool StartsAsPdf(const QByteArray& head);

// A document open for reading. Pages are numbered from 0 here; messages
// number them from 1.
class DocumentReader {
 public:
  virtual ~DocumentReader() = default;
  // Bounded by the file: every page is an object or a directory of its own.
  virtual int pageCount() const = 0;
  // The picture of page `index`:
  //  - a PDF page that is one picture covering the page gives that picture's
  //    own pixels at its own resolution, decoded as the loader decodes the
  //    same picture as a file (no resampling);
  //  - any other PDF page is drawn at the resolution the reader was opened with;
  //  - a TIFF page gives the pixels the loader gives for a TIFF holding that page.
  // Several threads may ask for pages at once: what touches the file is done
  // one page at a time, decoding is not. A page whose header claims a size
  // past the loader's limits is refused before anything is allocated.
  // Throws platform::Failure with the reason in Spanish (the caller names
  // the document and the page).
  virtual QImage page(int index) = 0;
  // What had to be mended for the document to be read at all (a rebuilt
  // cross-reference table, say), in Spanish, for the user to be told; empty
  // for a sound document.
  virtual QStringList notices() const { return {}; }
};

// Bounds on the work of reading: drawing a page gives up past its budget,
// and at once when the run is told to stop (a signal, a failure elsewhere);
// either is a failure of that page.
struct ReadingLimits {
  std::chrono::milliseconds pageBudget{std::chrono::seconds(30)};
  const std::atomic<bool>* stop = nullptr;
};

// Opens a PDF, or a TIFF of any number of pages; renderDpi is the resolution
// of pages drawn rather than taken from their picture. Only a regular file is
// read. Throws platform::Failure in Spanish: not a regular file, a damaged or
// cut-short document, "el documento está protegido con contraseña".
std::unique_ptr<DocumentReader> OpenDocument(const QString& path, int renderDpi = 300, ReadingLimits limits = {});

// A page made ready for a document, in any thread, the pixels stored as suit
// them: pure black and white as 1-bit CCITT Group 4; few colours (at most
// 256) with a palette; others losslessly (Flate/Deflate), or as JPEG when a
// quality is asked for. Its physical size follows from its pixels and the
// picture's resolution.
struct EncodedPage {
  enum class Storage { Group4, Palette, Grey, Rgb, Jpeg };
  Storage storage = Storage::Rgb;
  int width = 0, height = 0;
  int bitsPerSample = 8;               // 1 for Group4; 1, 2, 4 or 8 for Palette
  int components = 1;                  // samples a pixel: 3 for Rgb and a colour Jpeg
  double dpiX = 0, dpiY = 0;           // the picture's resolution (see SetPageResolution)
  std::vector<std::uint32_t> palette;  // 0xRRGGBB entries, for Palette
  QByteArray data;                     // the compressed stream, ready to be stored
};

// A page's resolution set exactly: Qt keeps it in whole dots per metre, which
// lose a resolution far below a scan's (a picture of a few pixels over a large
// page) and round others; the exact figures go with the picture's copies, and
// EncodePage takes them while they still match its dots per metre.
void SetPageResolution(QImage& page, double dpiX, double dpiY);

// jpegQuality: 1 to 100 for JPEG, or 0 to keep every pixel (a page past
// JPEG's 65500 pixels a side keeps them too). Throws platform::Failure.
EncodedPage EncodePage(const QImage& picture, int jpegQuality = 0);

// A document being written: nothing is in the target's place until finish()
// succeeds (see pixels/safe_file.h); pages are added in their order, and
// what is added is kept on disk, not in memory. Destroying it before
// finish() leaves the target as it was and nothing behind.
class DocumentWriter {
 public:
  virtual ~DocumentWriter() = default;
  virtual void addPage(const EncodedPage& page) = 0;  // throws platform::Failure
  virtual void finish() = 0;                          // throws platform::Failure
};

// Throws platform::Failure when the new file cannot be made.
std::unique_ptr<DocumentWriter> CreateDocument(const QString& target, DocumentKind kind);

}  // namespace documents
