#pragma once
// What a picture file's first bytes say: which of the accepted formats it is
// (BMP, GIF, JPEG, PNG, TIFF, told by content only) and the size of the
// picture it declares, read before anything is decoded or allocated; and
// whether they begin a PDF document instead.

#include <QByteArray>
#include <QSize>

namespace platform {

enum class PictureFormat { Other, Bmp, Gif, Jpeg, Png, Tiff };

PictureFormat FormatOf(const QByteArray& data);
// Whether a file's first bytes are a PDF document's ("%PDF-", perhaps after
// a little leading junk, as readers allow).
bool StartsAsPdf(const QByteArray& head);
// The name Qt's image plugins know the format by.
const char* FormatName(PictureFormat format);

// The picture's width and height as its header gives them (a GIF's canvas:
// its logical screen, widened to hold its first frame), or an invalid size
// when the header is cut short, malformed, or gives a side that is not
// positive. A bottom-up BMP's negative height counts as its size.
QSize DeclaredSize(const QByteArray& data, PictureFormat format);

}  // namespace platform
