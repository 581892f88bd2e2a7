#pragma once
// The runtime's number conversions, integer arithmetic and units. A value out
// of range fails with FailureKind::Arithmetic (core/failure.h).

#include "core/failure.h"

#include <QString>

#include <cstdint>

namespace platform {

// A colour as &H00BBGGRR: red in the low byte; -1 for a point outside a picture.
using ColorValue = std::int32_t;

[[noreturn]] void RaiseOverflow();

// Lenient text to number: blanks skipped, the longest leading number taken,
// 0 when the text does not begin with one. A number beyond the range of a
// double gives plus or minus infinity.
double Val(const QString& text);

// Real to integer, halves to the even neighbour; Overflow when out of range.
std::int16_t CInt(double value);
std::int32_t CLng(double value);

// a \ b: both rounded as CLng does, then divided truncating toward zero.
std::int32_t IntDiv(double a, double b);
// a mod b: both rounded as CLng does; the remainder takes the sign of a.
std::int32_t Mod(double a, double b);

// red + 256 * green + 65536 * blue, each channel first converted to a 16-bit
// integer (blue, then green, then red).
ColorValue RGB(double red, double green, double blue);

// Positions and sizes of the window are in twips, 15 to the pixel.
constexpr float TwipsPerPixel = 15.0f;
int TwipsToPixels(float twips);

// The plain decimal form used in text boxes and labels: 0, 128, -1, 2.5.
QString Str(double value);

}  // namespace platform
