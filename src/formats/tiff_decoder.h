#pragma once
// TIFF pictures decoded by libtiff: every photometric it knows (black and
// white, grey, palette, RGB, CMYK, YCbCr), strips or tiles of any size,
// classic TIFF and BigTIFF, into Format_RGB32 with transparent pixels
// flattened onto white, as the loader gives every picture.

#include <QByteArray>
#include <QImage>

class QIODevice;

#include <cstdint>

#include <tiffio.h>

namespace platform {

// The picture of the directory `tiff` is at, in a file of fileBytes bytes.
// What its header claims is checked before anything is allocated for it: its
// size against the loader's limits (CheckClaimedSize), its strips or tiles
// against the file's end, and the pixels its compressed bytes can hold at
// most. Throws platform::Failure in Spanish.
QImage DecodeTiffDirectory(TIFF* tiff, qint64 fileBytes);

// An unsigned integer of `bytes` bytes (at most 8) read as stored in the
// file, in its byte order: for what libtiff keeps to itself (a directory's
// link, its entries as written).
std::uint64_t StoredTiffValue(TIFF* tiff, const unsigned char* at, int bytes);

// The first picture of a TIFF file's bytes. Throws platform::Failure.
QImage DecodeTiff(const QByteArray& data);

// Whether the first directory of the TIFF file read from device links to
// another: a TIFF of several pages, or one whose chain of pages is broken.
bool TiffLinksFurther(QIODevice& device);

}  // namespace platform
