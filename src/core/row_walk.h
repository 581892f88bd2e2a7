#pragma once
// The filters' rules walked in row order over a whole picture, for work that
// has no window to show progress in. The window walks its picture column by
// column and this walks it row by row; both apply the same rules of
// pixel_rules.h to every pixel, so they leave the same pixels behind.

#include "core/pixel_rules.h"

#include <QImage>

#include <variant>
#include <vector>

namespace filters {

// One filter run over the whole picture.
using RowStep = std::variant<RemovalRule, GreyTypeRule, WhiteningRule>;

// Applies the steps in order to every pixel of an RGB32 picture, in place.
// The picture is taken a band of rows at a time, every step over the band
// before the next band, so that the rows stay in the cache between steps:
// each rule depends on its pixel alone, which makes this the same as running
// the steps one after the other over the whole picture.
void ApplyInRowOrder(QImage& picture, const std::vector<RowStep>& steps);

// pixel = rule(pixel) for the count pixels of an RGB32 row, branch-free and
// vectorised (AVX2 or AVX-512 where the processor has them).
void WalkRow(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule);
void WalkRow(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule);
void WalkRow(QRgb* row, std::ptrdiff_t count, const WhiteningRule& rule);

}  // namespace filters
