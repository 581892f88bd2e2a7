#include "core/pixel_rules.h"

#include "core/numbers.h"

#include <gtest/gtest.h>

#include <limits>

using namespace filters;
using platform::RGB;

namespace {
constexpr double Infinity = std::numeric_limits<double>::infinity();
}  // namespace

TEST(WhiteningRule, OnlyExactBlackSurvives) {
  const struct {
    ColorValue in, out;
  } cases[] = {{Black, Black}, {RGB(1, 0, 0), White}, {RGB(0, 0, 1), White}, {RGB(10, 10, 10), White},
               {White, White}, {RGB(0, 1, 0), White}, {0x123456, White}};
  for (const auto& c : cases) EXPECT_EQ(WhiteningRule{}(c.in), c.out) << std::hex << c.in;
}

TEST(RemovalRule, RepaintsWithinTwentyFourOfTheTargetInEveryChannel) {
  const ColorValue replacement = RGB(1, 2, 3);
  const struct {
    int tr, tg, tb;
    ColorValue pixel;
    bool repainted;
  } cases[] = {
      {200, 30, 30, RGB(200, 30, 30), true},   // the target itself
      {200, 30, 30, RGB(224, 6, 54), true},    // 24 away in every channel
      {200, 30, 30, RGB(176, 54, 6), true},    // 24 away the other way
      {200, 30, 30, RGB(225, 30, 30), false},  // 25 in red
      {200, 30, 30, RGB(175, 30, 30), false},
      {200, 30, 30, RGB(200, 30, 55), false},  // 25 in blue
      {200, 30, 30, RGB(200, 5, 30), false},   // 25 in green
      {255, 255, 255, White, false},           // pure white is never repainted
      {255, 255, 255, RGB(254, 254, 254), true},
      {255, 255, 255, RGB(231, 240, 255), true},
      {0, 0, 0, Black, true},  // the target before any click is black
      {0, 0, 0, RGB(24, 24, 24), true},
      {0, 0, 0, RGB(25, 0, 0), false},
      {0, 0, 0, RGB(0, 0, 25), false},
      {0, 0, 0, -1, false},  // outside the picture
      {100, 100, 100, RGB(100, 100, 100), true},
      {250, 250, 250, White, false},
      {0, 0, 0, RGB(24, 0, 24), true},
      {-1, -65281, 255, RGB(0, 0, 255), false},  // the channels sampled outside the picture
  };
  for (const auto& c : cases) {
    const ColorValue out = RemovalRule(c.tr, c.tg, c.tb, replacement)(c.pixel);
    EXPECT_EQ(out, c.repainted ? replacement : c.pixel)
        << "target " << c.tr << "," << c.tg << "," << c.tb << " pixel " << std::hex << c.pixel;
  }
}

// Another tolerance N: within N either way, in every channel.
TEST(RemovalRule, ATolerancePutsTheEdgeAtThatDistance) {
  const struct {
    int tolerance;
    ColorValue pixel;
    bool repainted;
  } cases[] = {
      {0, RGB(200, 30, 30), true},     {0, RGB(201, 30, 30), false},
      {0, RGB(200, 30, 29), false},    {60, RGB(255, 90, 0), true},
      {60, RGB(139, 30, 30), false},   {60, RGB(140, 90, 90), true},
      {60, RGB(200, 91, 30), false},   {255, Black, true},
      {255, RGB(254, 255, 255), true}, {255, White, false},
      {24, RGB(224, 6, 54), true},     {24, RGB(225, 30, 30), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RemovalRule(200, 30, 30, RGB(1, 2, 3), c.tolerance)(c.pixel), c.repainted ? RGB(1, 2, 3) : c.pixel)
        << "tolerance " << c.tolerance << " pixel " << std::hex << c.pixel;
}

TEST(GreyTypeRule, DefaultSettings) {
  const GreyTypeRule rule(140, 20);
  const struct {
    ColorValue in, out;
  } cases[] = {
      {RGB(100, 100, 100), Black},
      {RGB(139, 139, 139), Black},
      {RGB(140, 140, 140), White},
      {RGB(120, 100, 80), White},  // red 20 from the mean, not less than 20
      {RGB(119, 100, 81), Black},
      {RGB(100, 101, 101), Black},  // mean 302 \ 3 = 100
      {RGB(0, 0, 1), Black},
      {RGB(254, 255, 255), White},
      {Black, Black},
      {White, White},
      {RGB(0, 0, 20), Black},  // mean 6, differences 6, 6, 14
      {RGB(0, 0, 29), White},  // mean 9, blue 20 away
  };
  for (const auto& c : cases) EXPECT_EQ(rule(c.in), c.out) << std::hex << c.in;
  for (ColorValue c : {RGB(100, 100, 100), RGB(120, 100, 80), RGB(3, 250, 7)}) EXPECT_EQ(rule(rule(c)), rule(c));
}

TEST(GreyTypeRule, OtherSettings) {
  const struct {
    double t;
    int d;
    ColorValue in, out;
  } cases[] = {
      {140, 0, RGB(100, 100, 100), White},  // no difference is below 0
      {140, -5, RGB(100, 100, 100), White},
      {0, 20, RGB(1, 1, 1), White},  // no mean is below 0
      {-5, 20, RGB(1, 1, 1), White},
      {140.5, 20, RGB(140, 140, 140), Black},
      {140.5, 20, RGB(141, 141, 141), White},
      {Infinity, 20, RGB(250, 250, 250), Black},  // no mean reaches +infinity
      {Infinity, 20, RGB(250, 200, 250), White},  // still not grey
      {-Infinity, 20, RGB(1, 1, 1), White},
      {140, 22, RGB(121, 100, 79), Black},
      {140, 32767, RGB(255, 0, 0), Black},  // mean 85: any colour is grey enough
      {140, 20, Black, Black},
      {-Infinity, 0, White, White},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GreyTypeRule(c.t, static_cast<std::int16_t>(c.d))(c.in), c.out)
        << "T " << c.t << " D " << c.d << " pixel " << std::hex << c.in;
}
