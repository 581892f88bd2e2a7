#pragma once
// The page maker's chance, the same on every machine for one seed: the
// standard engine, and the uniform and normal draws written out here rather
// than taken from the library's distributions, whose numbers differ between
// standard libraries.

#include <cmath>
#include <cstdint>
#include <random>

namespace quality {

class Chance {
 public:
  explicit Chance(std::uint32_t seed) : engine_(seed) {}

  // Uniform in [low, high).
  double Uniform(double low = 0, double high = 1) {
    const double unit = (engine_() >> 5) * (1.0 / 134217728.0);  // 27 bits
    return low + (high - low) * unit;
  }
  // Uniform among low, ..., high.
  int Whole(int low, int high) { return low + static_cast<int>(engine_() % std::uint32_t(high - low + 1)); }

  // Standard normal (Box and Muller, both halves used).
  double Normal() {
    if (spare_) {
      spare_ = false;
      return second_;
    }
    double u = 0;
    while (u <= 0) u = Uniform();
    const double radius = std::sqrt(-2 * std::log(u)), angle = 2 * M_PI * Uniform();
    second_ = radius * std::sin(angle);
    spare_ = true;
    return radius * std::cos(angle);
  }

 private:
  std::mt19937 engine_;
  bool spare_ = false;
  double second_ = 0;
};

}  // namespace quality
