#pragma once
// The loops behind WalkRow, named one by one so that each can be checked
// against the rules it stands for on any processor that runs it. WalkRow
// picks the fastest of them; nothing else needs to call them.

#include "filters/pixel_rules.h"

#include <QRgb>

#include <cstddef>

namespace filters::kernels {

// The rule called pixel by pixel in a loop the compiler vectorises, with a
// version for AVX2 and one for the plain x86-64 the loader chooses between.
void WalkRowPortable(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule);
void WalkRowPortable(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule);
void WalkRowPortable(QRgb* row, std::ptrdiff_t count, const WhiteningRule& rule);

// Whether this processor and its system run the AVX-512 loops below
// (AVX-512 F and BW, with the system saving their registers).
bool HasAvx512();

// Sixteen pixels at a time, each channel a byte of its own: the rules'
// comparisons become saturating byte arithmetic and masks. Only to be called
// when HasAvx512().
void WalkRowAvx512(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule);
void WalkRowAvx512(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule);
void WalkRowAvx512(QRgb* row, std::ptrdiff_t count, const WhiteningRule& rule);

}  // namespace filters::kernels
