#include "core/numbers.h"
#include "support/mouse.h"
#include "support/test_form.h"

#include <gtest/gtest.h>

using namespace colourtest;
using platform::CHOOSECOLOR;
using platform::ColorValue;
using testsupport::ScriptedDialogs;
using testsupport::TestForm;

namespace {

constexpr ColorValue A = 0x1F140A;
constexpr ColorValue B = 0x336699;
constexpr ColorValue Red = 0x0000FF;
constexpr ColorValue Green = 0x00FF00;

void LoadPicture(TestForm& t) {
  t->Picture1->setPicture(testsupport::MakePicture(10, 10, [](int x, int) { return x == 0 ? A : B; }));
}

}  // namespace

TEST(ReplacementColour, TheDialogOpensAtTheColourLastSampledNotTheTarget) {
  TestForm t;
  LoadPicture(t);
  Move(t->Picture1, OverPixel(0, 3));
  Press(t->Picture1, OverPixel(0, 3), Qt::LeftButton);
  Move(t->Picture1, OverPixel(4, 3));
  Move(t->Picture1, OverPixel(40, 3), Qt::RightButton);  // leaving the picture on the way to the button
  t->Command7->click();
  ASSERT_EQ(t.dialogs.colourCalls.size(), 1u);
  EXPECT_EQ(t.dialogs.colourCalls[0].rgbResult, B);
  EXPECT_EQ(t->Command6->BackColor(), A);
}

TEST(ReplacementColour, AConfirmedColourBecomesTheReplacementCancelKeepsIt) {
  TestForm t;
  ASSERT_EQ(t->Command7->BackColor(), 0xFFFFFF);
  t.dialogs.colourAnswers.push_back(ScriptedDialogs::ChooseColour(Red));
  t->Command7->click();
  EXPECT_EQ(t->Command7->BackColor(), Red);
  EXPECT_EQ(t->Picture1->FillColor(), Red);

  t.dialogs.colourAnswers.push_back([](CHOOSECOLOR& cc) {
    cc.rgbResult = Green;  // what the user had in the dialog before cancelling
    return 0L;
  });
  t->Command7->click();
  EXPECT_EQ(t->Command7->BackColor(), Red);
  EXPECT_EQ(t->Picture1->FillColor(), Red);

  t.dialogs.colourAnswers.push_back(ScriptedDialogs::ChooseColour(0));
  t->Command7->click();
  EXPECT_EQ(t->Command7->BackColor(), 0) << "black is a colour like any other";
  EXPECT_EQ(t->Picture1->FillColor(), 0);
  EXPECT_EQ(t.dialogs.messages, QStringList());
}

TEST(ReplacementColour, TheFirstCustomColourIsBlueOnEveryOpening) {
  TestForm t;
  t.dialogs.colourAnswers.push_back([](CHOOSECOLOR& cc) {
    (*cc.lpCustColors)[0] = Green;
    (*cc.lpCustColors)[7] = Red;
    cc.rgbResult = Green;
    return 1L;
  });
  t.dialogs.colourAnswers.push_back([](CHOOSECOLOR& cc) {
    (*cc.lpCustColors)[0] = Red;
    return 0L;
  });
  for (int i = 0; i < 3; ++i) t->Command7->click();
  ASSERT_EQ(t.dialogs.customColoursShown.size(), 3u);
  for (const platform::CustomColorTable& shown : t.dialogs.customColoursShown) {
    EXPECT_EQ(shown[0], 0xFF0000);
    EXPECT_EQ(shown[7], shown[1]) << "nothing is kept from an earlier opening";
  }
}

TEST(ReplacementColour, ADialogThatCannotBeCalledLeavesTheInitialColour) {
  TestForm t;
  LoadPicture(t);
  Move(t->Picture1, OverPixel(0, 0));
  t.dialogs.colourAnswers.push_back([](CHOOSECOLOR&) -> long { platform::Fail(platform::FailureKind::NotFound, QStringLiteral("no dialog")); });
  t->Command7->click();
  EXPECT_EQ(t->Command7->BackColor(), A);
  EXPECT_EQ(t->Picture1->FillColor(), A);
  EXPECT_EQ(t.dialogs.messages, QStringList()) << "no failure is reported";
}

TEST(SplitRGB, WritesTheThreeChannels) {
  const struct {
    std::int32_t colour, red, green, blue;
  } cases[] = {{0xC08040, 64, 128, 192},
               {-1, 255, 0, 0},
               {0x0000FF, 255, 0, 0},
               {0xFFFFFF, 255, 255, 255},
               {-257, 255, 255, 0}};  // truncated, not shifted: a shift gives 255, 254, 255
  for (const auto& c : cases) {
    std::int32_t red = -7, green = -7, blue = -7;
    Form1::SplitRGB(c.colour, red, green, blue);
    EXPECT_EQ(red, c.red) << c.colour;
    EXPECT_EQ(green, c.green) << c.colour;
    EXPECT_EQ(blue, c.blue) << c.colour;
  }
}

TEST(ReplacementColour, ARemovalAfterAPickPaintsTheMatchingPixelsOfTheStartPicture) {
  TestForm t;
  const QImage start = t->Picture1->Image();
  Move(t->Picture1, OverPixel(30, 30));
  Press(t->Picture1, OverPixel(30, 30), Qt::LeftButton);
  t.dialogs.colourAnswers.push_back(ScriptedDialogs::ChooseColour(Red));
  t->Command7->click();
  t->Command6->click();

  const ColorValue target = platform::FromQRgb(start.pixel(30, 30));
  const auto near = [](int a, int b) { return std::abs(a - b) < 25; };
  int repainted = 0;
  const QImage expected = testsupport::MakePicture(start.width(), start.height(), [&](int x, int y) {
    const ColorValue c = platform::FromQRgb(start.pixel(x, y));
    const bool match = c != 0xFFFFFF && near(c & 0xFF, target & 0xFF) && near((c >> 8) & 0xFF, (target >> 8) & 0xFF) &&
                       near(c >> 16, target >> 16);
    repainted += match;
    return match ? Red : c;
  });
  EXPECT_GT(repainted, 1000) << "the paper of the start picture matches its own colour";
  EXPECT_EQ(testsupport::FirstDifference(t->Picture1->Image(), expected), "");
  EXPECT_EQ(t.dialogs.messages.value(0), "Dibujo terminado");
}
