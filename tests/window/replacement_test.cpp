#include "core/numbers.h"
#include "support/mouse.h"
#include "support/test_window.h"

#include <gtest/gtest.h>

using namespace colourtest;
using platform::ColorValue;
using platform::ColourRequest;
using testsupport::ScriptedDialogs;
using testsupport::TestWindow;

namespace {

constexpr ColorValue A = 0x1F140A;
constexpr ColorValue B = 0x336699;
constexpr ColorValue Red = 0x0000FF;
constexpr ColorValue Green = 0x00FF00;

void LoadPicture(TestWindow& t) {
  t->pictureBox->setPicture(testsupport::MakePicture(10, 10, [](int x, int) { return x == 0 ? A : B; }));
}

}  // namespace

TEST(ReplacementColour, TheDialogOpensAtTheColourLastSampledNotTheTarget) {
  TestWindow t;
  LoadPicture(t);
  Move(t->pictureBox, OverPixel(0, 3));
  Press(t->pictureBox, OverPixel(0, 3), Qt::LeftButton);
  Move(t->pictureBox, OverPixel(4, 3));
  Move(t->pictureBox, OverPixel(40, 3), Qt::RightButton);  // leaving the picture on the way to the button
  t->replacementButton->click();
  ASSERT_EQ(t.dialogs.colourCalls.size(), 1u);
  EXPECT_EQ(t.dialogs.colourCalls[0].colour, B);
  EXPECT_EQ(t->removeColourButton->BackColor(), A);
}

TEST(ReplacementColour, AConfirmedColourBecomesTheReplacementCancelKeepsIt) {
  TestWindow t;
  ASSERT_EQ(t->replacementButton->BackColor(), 0xFFFFFF);
  t.dialogs.colourAnswers.push_back(ScriptedDialogs::ChooseColour(Red));
  t->replacementButton->click();
  EXPECT_EQ(t->replacementButton->BackColor(), Red);
  EXPECT_EQ(t->pictureBox->FillColor(), Red);

  t.dialogs.colourAnswers.push_back([](ColourRequest& request) {
    request.colour = Green;  // what the user had in the dialog before cancelling
    return false;
  });
  t->replacementButton->click();
  EXPECT_EQ(t->replacementButton->BackColor(), Red);
  EXPECT_EQ(t->pictureBox->FillColor(), Red);

  t.dialogs.colourAnswers.push_back(ScriptedDialogs::ChooseColour(0));
  t->replacementButton->click();
  EXPECT_EQ(t->replacementButton->BackColor(), 0) << "black is a colour like any other";
  EXPECT_EQ(t->pictureBox->FillColor(), 0);
  EXPECT_EQ(t.dialogs.messages, QStringList());
}

TEST(ReplacementColour, TheFirstCustomColourIsBlueOnEveryOpening) {
  TestWindow t;
  t.dialogs.colourAnswers.push_back([](ColourRequest& request) {
    request.customColours[0] = Green;
    request.customColours[7] = Red;
    request.colour = Green;
    return true;
  });
  t.dialogs.colourAnswers.push_back([](ColourRequest& request) {
    request.customColours[0] = Red;
    return false;
  });
  for (int i = 0; i < 3; ++i) t->replacementButton->click();
  ASSERT_EQ(t.dialogs.colourCalls.size(), 3u);
  for (const ColourRequest& call : t.dialogs.colourCalls) {
    const platform::CustomColorTable& shown = call.customColours;
    EXPECT_EQ(shown[0], 0xFF0000);
    EXPECT_EQ(shown[7], shown[1]) << "nothing is kept from an earlier opening";
  }
}

TEST(ReplacementColour, ADialogThatCannotBeCalledLeavesTheInitialColour) {
  TestWindow t;
  LoadPicture(t);
  Move(t->pictureBox, OverPixel(0, 0));
  t.dialogs.colourAnswers.push_back(
      [](ColourRequest&) -> bool { platform::Fail(platform::FailureKind::NotFound, QStringLiteral("no dialog")); });
  t->replacementButton->click();
  EXPECT_EQ(t->replacementButton->BackColor(), A);
  EXPECT_EQ(t->pictureBox->FillColor(), A);
  EXPECT_EQ(t.dialogs.messages, QStringList()) << "no failure is reported";
}

TEST(ReplacementColour, ARemovalAfterAPickPaintsTheMatchingPixelsOfTheStartPicture) {
  TestWindow t;
  const QImage start = t->pictureBox->Image();
  Move(t->pictureBox, OverPixel(30, 30));
  Press(t->pictureBox, OverPixel(30, 30), Qt::LeftButton);
  t.dialogs.colourAnswers.push_back(ScriptedDialogs::ChooseColour(Red));
  t->replacementButton->click();
  t->removeColourButton->click();

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
  EXPECT_EQ(testsupport::FirstDifference(t->pictureBox->Image(), expected), "");
  EXPECT_EQ(t.dialogs.messages.value(0), "Dibujo terminado");
}
