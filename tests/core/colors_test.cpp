#include "core/colors.h"

#include <gtest/gtest.h>

using namespace platform;

// The sampling's split and SplitRGB's agree on every colour a picture holds
// and differ only on what is read outside it.
TEST(ChannelSplits, GiveTheBytesOfAColourAndDifferOnlyOutsideThePicture) {
  const struct {
    ColorValue colour;
    Channels split, masked;
  } cases[] = {{0x1F140A, {10, 20, 31}, {10, 20, 31}},       {0xFFFFFF, {255, 255, 255}, {255, 255, 255}},
               {0xFEFFFF, {255, 255, 254}, {255, 255, 254}}, {0, {0, 0, 0}, {0, 0, 0}},
               {0xC08040, {64, 128, 192}, {64, 128, 192}},   {-1, {-1, -65281, 255}, {255, 0, 0}},
               {-257, {-1, -65282, 255}, {255, 255, 0}}};  // truncated, not shifted: a shift gives 255, 254, 255
  for (const auto& c : cases) {
    const Channels s = SplitChannels(c.colour), m = MaskedChannels(c.colour);
    EXPECT_EQ(std::tie(s.red, s.green, s.blue), std::tie(c.split.red, c.split.green, c.split.blue)) << c.colour;
    EXPECT_EQ(std::tie(m.red, m.green, m.blue), std::tie(c.masked.red, c.masked.green, c.masked.blue)) << c.colour;
  }
}
