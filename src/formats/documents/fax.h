#pragma once
// CCITT fax streams through libtiff's codec, both ways: the Group 4 stream of
// a black-and-white page for a document, and the pixels of a PDF page's fax
// picture.

#include <QByteArray>

#include <vector>

namespace documents {

// The CCITT Group 4 stream of 1-bit rows (1 for black, the first pixel in the
// highest bit, each row starting on a byte), as libtiff encodes a TIFF strip.
// Throws platform::Failure.
QByteArray Group4Stream(const unsigned char* rows, int width, int height);

// How a CCITT stream is coded, in TIFF's terms: compression 2 (Modified
// Huffman, rows on byte boundaries), 3 (Group 3, `options` its T4 options) or
// 4 (Group 4).
struct FaxCoding {
  int compression = 4;
  int options = 0;
};

// The rows of a CCITT stream of width x height pixels (checked against the
// limits by the caller): 1 bit a pixel, 1 for the fax's black, the first pixel
// in the highest bit, (width + 7) / 8 bytes a row. Throws platform::Failure
// for a stream libtiff cannot decode whole.
std::vector<unsigned char> DecodeFax(const QByteArray& stream, int width, int height, FaxCoding coding);

}  // namespace documents
