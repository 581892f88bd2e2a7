#include "pixels/colour_rules.h"

#include <gtest/gtest.h>

using namespace colour;

TEST(InlineSplit, GivesTheBytesOfAColourAndTheOutsideFiguresOfMinusOne) {
  const struct {
    std::int32_t colour;
    std::int32_t red;
    double green, blue;
  } cases[] = {{0x1F140A, 10, 20, 31}, {0xFFFFFF, 255, 255, 255}, {0xFEFFFF, 255, 255, 254},
               {0, 0, 0, 0},          {0xC08040, 64, 128, 192},   {-1, -1, -65281, 255}};
  for (const auto& c : cases) {
    EXPECT_EQ(RedOf(c.colour), c.red) << std::hex << c.colour;
    EXPECT_EQ(GreenOf(c.colour), c.green) << std::hex << c.colour;
    EXPECT_EQ(BlueOf(c.colour), c.blue) << std::hex << c.colour;
  }
}
