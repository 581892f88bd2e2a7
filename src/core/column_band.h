#pragma once
// Columns of an RGB32 image copied out into a band that holds them column
// after column, and back. A walk down a column of the image touches one line
// and one page of memory in every row; a column of the band is adjacent
// pixels, which the walker (row_walk.h) runs over as it does over a row.

#include <QRgb>

#include <cstddef>

namespace platform {

// band[c * rows + y] = pixel (x0 + c, y) for c < columns and y < rows.
void TakeColumns(const uchar* bits, std::ptrdiff_t bytesPerLine, std::ptrdiff_t x0, std::size_t columns,
                 std::size_t rows, QRgb* band);

// pixel (x0 + c, y) = band[c * rows + y] for first <= c <= last and y < rows.
void PutColumns(const QRgb* band, std::size_t rows, std::size_t first, std::size_t last, uchar* bits,
                std::ptrdiff_t bytesPerLine, std::ptrdiff_t x0);

}  // namespace platform
