#include "core/numbers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace platform;

TEST(Val, TakesTheLongestLeadingNumber) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"140", 140}, {"  20", 20}, {"\t-5", -5}, {"+3.5", 3.5},    {"1e3", 1000},    {"2.5E-1x", 0.25}, {"12abc", 12},
      {"abc", 0},   {"", 0},      {"-", 0},     {".5", 0.5},      {"7.", 7},        {"1e", 1},         {"1e+", 1},
      {"3 4", 3},   {"1d2", 100}, {"- 5", 0},   {"140.5", 140.5}, {"40000", 40000},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Val(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(Val, BeyondDoubleRangeIsInfinite) {
  EXPECT_TRUE(std::isinf(Val("1e999")) && Val("1e999") > 0);
  EXPECT_TRUE(std::isinf(Val("-1e999")) && Val("-1e999") < 0);
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  const struct {
    double in;
    int out;
  } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4},       {0.5, 0},
               {1.5, 2}, {2.4, 2}, {-0.6, -1}, {32767.4, 32767}, {-32768.5, -32768}};
  for (const auto& c : cases) EXPECT_EQ(CInt(c.in), c.out) << c.in;
}

TEST(Rounding, OutOfRangeIsAnOverflow) {
  for (double v : {32767.5, -32769.0, 40000.0, 1e300, double(NAN), double(INFINITY)}) {
    try {
      CInt(v);
      ADD_FAILURE() << v;
    } catch (const Failure& f) {
      EXPECT_EQ(f.kind, FailureKind::Arithmetic);
    }
  }
  EXPECT_EQ(CLng(2147483647.4), 2147483647);
  EXPECT_THROW(CLng(2147483647.5), Failure);
}

TEST(IntegerArithmetic, DivisionTruncatesAndModTakesTheDividendsSign) {
  EXPECT_EQ(IntDiv(6445, 2), 3222);
  EXPECT_EQ(IntDiv(-101, 2), -50);
  EXPECT_EQ(IntDiv(-7, 2), -3);
  EXPECT_EQ(IntDiv(6.5, 2), 3);  // 6.5 rounds to 6 first
  EXPECT_EQ(Mod(-1, 256), -1);
  EXPECT_EQ(Mod(300, 256), 44);
  EXPECT_EQ(Mod(-300, 256), -44);
  EXPECT_THROW(IntDiv(1, 0), Failure);
}

TEST(RGB, ComposesAndFailsOutsideSixteenBits) {
  EXPECT_EQ(RGB(10, 20, 31), 10 + 20 * 256 + 31 * 65536);
  EXPECT_EQ(RGB(255, 255, 255), 0xFFFFFF);
  EXPECT_EQ(RGB(0, 0, 0), 0);
  EXPECT_THROW(RGB(-1, -65281, 255), Failure);
  EXPECT_THROW(RGB(32768, 0, 0), Failure);
  EXPECT_NO_THROW(RGB(-32768, 32767, 0));
}

TEST(Str, PlainDecimalForm) {
  EXPECT_EQ(Str(0), "0");
  EXPECT_EQ(Str(128), "128");
  EXPECT_EQ(Str(-65281), "-65281");
  EXPECT_EQ(Str(2.5), "2.5");
}
