// Each filter button clicked on the start picture, the result checked pixel by
// pixel against the filter's rule.
#include "support/filter_support.h"

#include <gtest/gtest.h>

using namespace filtertest;
using filters::GreyTypeRule;
using filters::RemovalRule;
using filters::WhiteningRule;
using testsupport::TestWindow;

namespace {
const QStringList Finished{QStringLiteral("Dibujo terminado")};

void ExpectResult(TestWindow& t, const QImage& start, const QImage& expected) {
  ASSERT_NE(Difference(expected, start), "") << "the filter must change the start picture";
  EXPECT_EQ(Difference(t->pictureBox->Image(), expected), "");
  EXPECT_EQ(Difference(t->pictureBox->Picture(), start), "");
  EXPECT_EQ(t->progressLabel->Caption(), "100 %");
  EXPECT_EQ(t.dialogs.messages, Finished);
  EXPECT_EQ(t.yields, start.width() + 1);
}
}  // namespace

TEST(FilterButtons, WhiteningOnTheStartPicture) {
  TestWindow t;
  const QImage start = t->pictureBox->Picture();
  t->whitenButton->click();
  ExpectResult(t, start, WithRule(start, WhiteningRule{}));
}

TEST(FilterButtons, GreyTypeOnTheStartPictureAndASecondRunChangesNothing) {
  TestWindow t;
  const QImage start = t->pictureBox->Picture();
  t->greyTypeButton->click();
  ExpectResult(t, start, WithRule(start, GreyTypeRule(140, 20)));
  const QImage once = t->pictureBox->Image();
  t->greyTypeButton->click();
  EXPECT_EQ(Difference(t->pictureBox->Image(), once), "");
}

TEST(FilterButtons, RemovalOfThePictureOwnColourWithAChosenReplacement) {
  TestWindow t;
  const QImage start = t->pictureBox->Picture();
  const ColorValue picked = t->pictureBox->Point(230, 140);
  const filters::Channels target = filters::SplitChannels(picked);
  t->targetRed = target.red;
  t->targetGreen = target.green;
  t->targetBlue = static_cast<std::int16_t>(target.blue);
  t->replacementButton->setBackColor(RGB(255, 0, 0));
  t->greyTypeBox->setText("0");  // the grey-type settings play no part
  t->toleranceBox->setText("abc");
  t->removeColourButton->click();
  ExpectResult(t, start, WithRule(start, RemovalRule(target.red, target.green, target.blue, RGB(255, 0, 0))));
}

TEST(FilterButtons, RemovalBeforeAnyPickWipesNearBlackToWhiteOnce) {
  TestWindow t;
  const QImage start = t->pictureBox->Picture();
  t->removeColourButton->click();
  ExpectResult(t, start, WithRule(start, RemovalRule(0, 0, 0, filters::White)));
  const QImage once = t->pictureBox->Image();
  t->removeColourButton->click();
  EXPECT_EQ(Difference(t->pictureBox->Image(), once), "");
}
