#pragma once
// The one walker of the filters' rules: WalkRow applies a rule of
// pixel_rules.h to a run of adjacent pixels, vectorised for the best
// instruction set the processor runs (row_kernels.h). Every walk goes
// through it: the rows of a whole picture in row order, for work that has no
// window to show progress in (the batch command, a document's pages), the
// preview's rows, and the window's columns, which it takes out into a band
// where each column is adjacent memory (column_band.h) and walks one by one.

#include "core/pixel_rules.h"

#include <QImage>

#include <cstdint>
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

// pixel = ToQRgb(rule(FromQRgb(pixel))) for the count adjacent pixels of an
// RGB32 row or column, branch-free and vectorised (AVX2 or AVX-512 where the
// processor has them).
void WalkRow(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule);
void WalkRow(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule);
void WalkRow(QRgb* row, std::ptrdiff_t count, const WhiteningRule& rule);

// The same, built from the same loops, and true when the rule changed any
// pixel's colour, that is rule(c) != c for some colour c read: a column of
// the window's band left as it was need not be drawn on.
bool WalkRowChanged(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule);
bool WalkRowChanged(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule);
bool WalkRowChanged(QRgb* row, std::ptrdiff_t count, const WhiteningRule& rule);

// The page steps' walks (row_walk_page.cpp), over count adjacent pixels of
// an RGB32 row with a value for each pixel beside it. Brightness is that of
// pixel_rules.h.
// A pixel darker than limit[i] becomes black, any other white.
void WalkRowBelow(QRgb* row, std::ptrdiff_t count, const std::uint8_t* limit);
// mask[i] = 1 where the pixel is darker than limit[i], 0 elsewhere.
void InkMask(const QRgb* row, std::ptrdiff_t count, const std::uint8_t* limit, std::uint8_t* mask);
// A pixel with near[i] != 0 that is darker than light[i] keeps its shade,
// each channel c of it becoming min(255, (c * tint[channel] * gain[i]) >> 16)
// (tint red, green, blue); any other pixel becomes white. tint * gain must
// stay below 2^24.
void KeepInk(QRgb* row, std::ptrdiff_t count, const std::uint8_t* near, const std::uint8_t* light,
             const std::uint16_t* gain, const std::uint32_t tint[3]);

}  // namespace filters
