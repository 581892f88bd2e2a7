#pragma once
// A picture's resolution: Qt keeps it in whole dots per metre, files and
// documents in dots per inch.

#include <cmath>

namespace platform {

constexpr double MetresPerInch = 0.0254;

// Whole dots per metre nearest to dpi dots per inch.
inline int DotsPerMetre(double dpi) { return int(std::lround(dpi / MetresPerInch)); }

// Dots per inch for whole dots per metre; a picture without a resolution
// (0) is taken at 72. Whole dots per metre hold a resolution in whole dots
// per inch only to within 0.0127, so one that close to a whole number is
// that number.
inline double DotsPerInch(int perMetre) {
  const double inch = perMetre > 0 ? perMetre * MetresPerInch : 72.0;
  return std::abs(inch - std::round(inch)) <= MetresPerInch / 2 ? std::round(inch) : inch;
}

}  // namespace platform
