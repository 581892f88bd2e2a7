#include "colour/colour_rules.h"

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

TEST(Mean, TruncatesTowardZero) {
  EXPECT_EQ(MeanOf(10, 20, 31), 20);
  EXPECT_EQ(MeanOf(255, 255, 254), 254);
  EXPECT_EQ(MeanOf(255, 255, 255), 255);
  EXPECT_EQ(MeanOf(-1, -65281, 255), -21675);
}

TEST(SplitChannels, MasksEachByteAfterATruncatingDivision) {
  const struct {
    std::int32_t colour, red, green, blue;
  } cases[] = {{0xC08040, 64, 128, 192}, {-1, 255, 0, 0}, {0, 0, 0, 0}, {0xFFFFFF, 255, 255, 255},
               {0x0000FF, 255, 0, 0},    {-257, 255, 255, 0}};
  for (const auto& c : cases) {
    const Channels got = SplitChannels(c.colour);
    EXPECT_EQ(got.red, c.red) << c.colour;
    EXPECT_EQ(got.green, c.green) << c.colour;
    EXPECT_EQ(got.blue, c.blue) << c.colour;
  }
}

TEST(Drag, MovesTheBoxByThePointersDistanceInTwips) {
  const Position p = DraggedTo(3222, 3215, 50, 40, 80, 10);
  EXPECT_FLOAT_EQ(p.left, 3222 + 30 * 15);
  EXPECT_FLOAT_EQ(p.top, 3215 - 30 * 15);
  const Position same = DraggedTo(100, 200, 7.5f, 3, 7.5f, 3);
  EXPECT_FLOAT_EQ(same.left, 100);
  EXPECT_FLOAT_EQ(same.top, 200);
}

TEST(ColourDialogRecord, CarriesTheFieldsTheDialogNeeds) {
  platform::CustomColorTable table = FreshCustomColours();
  const platform::CHOOSECOLOR cc = ReplacementColourRecord(0x1234, 0x99, 0x1F140A, &table);
  EXPECT_EQ(cc.lStructSize, 36u);
  EXPECT_EQ(cc.hwndOwner, 0x1234u);
  EXPECT_EQ(cc.hInstance, 0x99u);
  EXPECT_EQ(cc.rgbResult, 0x1F140A);
  EXPECT_EQ(cc.lpCustColors, &table);
  EXPECT_EQ(cc.Flags, 263u);
  EXPECT_EQ(cc.lCustData, 0);
  EXPECT_EQ(cc.lpfnHook, 0u);
  EXPECT_TRUE(cc.lpTemplateName.isNull());
}

TEST(ColourDialogRecord, CustomColoursStartWithBlueThenWhite) {
  const platform::CustomColorTable table = FreshCustomColours();
  EXPECT_EQ(table[0], 0xFF0000);
  for (std::size_t i = 1; i < table.size(); ++i) EXPECT_EQ(table[i], 0xFFFFFF) << i;
}
