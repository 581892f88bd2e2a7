#include "core/pixel_rules.h"

#include <algorithm>
#include <cmath>

namespace filters {

namespace {
// Channels split from any 32-bit colour lie within +-2^24, so limits clamped
// to +-2^30 compare with them exactly as the unclamped values would.
constexpr double Far = 1 << 30;
}  // namespace

ChannelRange ChannelRange::Around(double target, int within) {
  if (std::isnan(target)) return {1, 0};
  const double t = std::clamp(target, -Far, Far), reach = double(within) + 1;
  return {static_cast<std::int32_t>(std::floor(t - reach)) + 1, static_cast<std::int32_t>(std::ceil(t + reach)) - 1};
}

GreyTypeRule::GreyTypeRule(double darknessThreshold, std::int16_t greynessTolerance)
    : highestDarkMean_(std::isnan(darknessThreshold)
                           ? static_cast<std::int32_t>(-Far)
                           : static_cast<std::int32_t>(std::ceil(std::clamp(darknessThreshold, -Far, Far))) - 1),
      tolerance_(greynessTolerance) {}

}  // namespace filters
