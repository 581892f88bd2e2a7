#pragma once
// TIFF files of the kinds that once went wrong, built with libtiff and, where
// libtiff writes nothing so broken, by changing the bytes it wrote: a chain
// of pages that loops or leads nowhere, a palette without its colours, small
// tiles, BigTIFF, one-dimensional fax without end-of-line codes, a page that
// claims more than its bytes hold, thousands of pages (Qt Gui and libtiff; no
// test framework).

#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

namespace tiffproducers {

// A TIFF of `pages` small RGB pages (LZW), each a gradient of its own.
QByteArray Pages(int pages, int width = 24, int height = 16);

// How a chain of directories goes wrong: the last one's link leads back to
// the first, to itself, past the end of the file, or to bytes that are no
// directory (its count runs past the end).
enum class Chain { BackToFirst, ToItself, PastEnd, Unreadable };
QByteArray BrokenChain(const QByteArray& tiff, Chain how);

// An 8-bit palette page whose colour map was left out.
QByteArray PaletteWithoutColourMap(int width = 20, int height = 12);
// An RGB picture stored in square tiles of the given side, compressed with
// Deflate or not at all.
QByteArray TiledRgb(const QImage& picture, int tile, bool compressed = true);
// The picture as a BigTIFF (RGB, Deflate).
QByteArray BigTiff(const QImage& picture);
// The picture's black and white (darker than mid-grey is black) as
// one-dimensional Group 3 without end-of-line codes, as some fax software
// writes: rows one after another, or aligned on bytes with the fill-bits option.
QByteArray Group3WithoutEol(const QImage& picture, bool alignedRows);
// Two pages: a small one, then one that claims side x side RGB pixels
// compressed with Deflate over 64 KB.
QByteArray SecondPageHuge(int side);

// libtiff's own decoding of directory `index`, top row first, as RGB32
// flattened onto white; a null picture when libtiff refuses it.
QImage LibtiffPixels(const QByteArray& tiff, int index = 0);

struct Named {
  QString name;
  QByteArray bytes;
};
// The files above, named for bench/hostile.sh.
std::vector<Named> HostileFiles();

}  // namespace tiffproducers
