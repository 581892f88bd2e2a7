// Each filter button clicked on the start picture, the result checked pixel by
// pixel against the filter's rule.
#include "support/filter_support.h"

#include <gtest/gtest.h>

using namespace filtertest;
using filters::GreyTypeRule;
using filters::RemovalRule;
using filters::WhiteningRule;
using testsupport::TestForm;

namespace {
const QStringList Finished{QStringLiteral("Dibujo terminado")};

void ExpectResult(TestForm& t, const QImage& start, const QImage& expected) {
  ASSERT_NE(Difference(expected, start), "") << "the filter must change the start picture";
  EXPECT_EQ(Difference(t->Picture1->Image(), expected), "");
  EXPECT_EQ(Difference(t->Picture1->Picture(), start), "");
  EXPECT_EQ(t->Label1->Caption(), "100 %");
  EXPECT_EQ(t.dialogs.messages, Finished);
  EXPECT_EQ(t.yields, start.width() + 1);
}
}  // namespace

TEST(FilterButtons, WhiteningOnTheStartPicture) {
  TestForm t;
  const QImage start = t->Picture1->Picture();
  t->Command3->click();
  ExpectResult(t, start, WithRule(start, WhiteningRule{}));
}

TEST(FilterButtons, GreyTypeOnTheStartPictureAndASecondRunChangesNothing) {
  TestForm t;
  const QImage start = t->Picture1->Picture();
  t->Command1->click();
  ExpectResult(t, start, WithRule(start, GreyTypeRule(140, 20)));
  const QImage once = t->Picture1->Image();
  t->Command1->click();
  EXPECT_EQ(Difference(t->Picture1->Image(), once), "");
}

TEST(FilterButtons, RemovalOfThePictureOwnColourWithAChosenReplacement) {
  TestForm t;
  const QImage start = t->Picture1->Picture();
  const ColorValue picked = t->Picture1->Point(230, 140);
  const filters::Channels target = filters::SplitChannels(picked);
  t->TargetRed = target.red;
  t->TargetGreen = target.green;
  t->TargetBlue = static_cast<std::int16_t>(target.blue);
  t->Command7->setBackColor(RGB(255, 0, 0));
  t->Text2->setText("0");  // the grey-type settings play no part
  t->Text5->setText("abc");
  t->Command6->click();
  ExpectResult(t, start, WithRule(start, RemovalRule(target.red, target.green, target.blue, RGB(255, 0, 0))));
}

TEST(FilterButtons, RemovalBeforeAnyPickWipesNearBlackToWhiteOnce) {
  TestForm t;
  const QImage start = t->Picture1->Picture();
  t->Command6->click();
  ExpectResult(t, start, WithRule(start, RemovalRule(0, 0, 0, filters::White)));
  const QImage once = t->Picture1->Image();
  t->Command6->click();
  EXPECT_EQ(Difference(t->Picture1->Image(), once), "");
}
