#pragma once
// The loops behind WalkRow, named one by one so that each can be checked
// against the rules it stands for on any processor that runs it. WalkRow
// picks the fastest of them; nothing else needs to call them.

#include "pixels/pixel_rules.h"

#include <QRgb>

#include <cstddef>

namespace filters::kernels {

// The rule called pixel by pixel in a loop the compiler vectorises for the
// baseline processor.
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

// The same eight pixels at a time, for processors with AVX2 but no AVX-512.
// Only to be called when HasAvx2().
bool HasAvx2();
void WalkRowAvx2(QRgb* row, std::ptrdiff_t count, const RemovalRule& rule);
void WalkRowAvx2(QRgb* row, std::ptrdiff_t count, const GreyTypeRule& rule);
void WalkRowAvx2(QRgb* row, std::ptrdiff_t count, const WhiteningRule& rule);

}  // namespace filters::kernels
