#pragma once
// A PDF page that is one picture covering the page, as scanners write it:
// found in the page's objects (while the document is held), then decoded
// anywhere, as the loader decodes the same picture as a file.

#include "formats/documents/fax.h"

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include <optional>
#include <vector>

class QPDFPageObjectHelper;

namespace documents {

struct PagePicture {
  enum class Kind { Jpeg, Fax, Samples };
  Kind kind = Kind::Samples;
  int width = 0, height = 0;
  int bitsPerComponent = 8;
  int components = 1;         // of the samples: 1 or 3 (1 for a palette)
  std::vector<QRgb> palette;  // for Indexed: the colour of each index
  QByteArray stored;          // the stream as the file holds it
  QByteArray filter;          // for Samples: the /Filter and /DecodeParms, as PDF text
  QByteArray decodeParms;
  FaxCoding fax;                             // for Fax: how the stream is coded
  bool blackIs1 = false;                     // for Fax: 1 bits are black
  double widthPoints = 0, heightPoints = 0;  // the page's
  // Notes shown over the picture (a stamp, a signature): the page is drawn,
  // at the picture's own resolution, rather than its picture taken.
  bool drawnOver = false;
};

// The page's picture when the page is nothing but one picture placed over
// all of it, unrotated and unflipped, in a form decoded here; none when the
// page must be drawn. Throws platform::Failure for a damaged page.
std::optional<PagePicture> FindPagePicture(QPDFPageObjectHelper& page, qint64 fileBytes);

// The picture's pixels in Format_RGB32 with its resolution; a null image
// when they cannot be taken as the page shows them (a JPEG of another size or
// number of components, a filter's parameters qpdf does not decode), so that
// the page is drawn.
// Throws platform::Failure.
QImage DecodePagePicture(const PagePicture& picture, qint64 fileBytes);

}  // namespace documents
