#include "window/scan_frame.h"

#include "support/filter_support.h"
#include "window/forms/runtime.h"

#include <gtest/gtest.h>

#include <string>

using namespace filtertest;
using filters::GreyTypeRule;
using filters::RemovalRule;
using filters::WhiteningRule;
using testsupport::TestForm;

namespace {

// The three filter buttons, clicked as the user does (through dispatch).
struct Filter {
  const char* name;
  platform::CommandButton* Form1::*button;
  void (Form1::*handler)();
  bool honoursStop;
};
const Filter Removal{"Removal", &Form1::Command6, &Form1::Command6_Click, true};
const Filter GreyType{"GreyType", &Form1::Command1, &Form1::Command1_Click, true};
const Filter Whitening{"Whitening", &Form1::Command3, &Form1::Command3_Click, false};
const Filter AllFilters[] = {Removal, GreyType, Whitening};
void PrintTo(const Filter& f, std::ostream* os) { *os << f.name; }

void Click(TestForm& t, const Filter& f) { (t.form().*f.button)->click(); }

// The rule each filter applies with the start-up settings (black target,
// white replacement, T = 140, D = 20).
QImage Filtered(const Filter& f, const QImage& image, int first, int last) {
  if (f.button == Removal.button) return WithColumns(image, first, last, RemovalRule(0, 0, 0, filters::White));
  if (f.button == GreyType.button) return WithColumns(image, first, last, GreyTypeRule(140, 20));
  return WithColumns(image, first, last, WhiteningRule{});
}

const QStringList Finished{QStringLiteral("Dibujo terminado")};

// One filter on a fresh window: each test of this suite runs for all three.
class EachFilter : public ::testing::TestWithParam<Filter> {
 protected:
  const Filter& f = GetParam();
  TestForm t;
};
INSTANTIATE_TEST_SUITE_P(ScanFrame, EachFilter, ::testing::ValuesIn(AllFilters),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(ProgressText, IntegerPartOfThePercentage) {
  const struct {
    double x, width;
    const char* text;
  } cases[] = {{0, 200, "0 %"},     {1, 200, "0 %"}, {2, 200, "1 %"}, {199, 200, "99 %"},
               {200, 200, "100 %"}, {1, 3, "33 %"},  {2, 3, "66 %"},  {10, 4, "250 %"}};
  for (const auto& c : cases) EXPECT_EQ(filters::ProgressText(c.x, c.width), QString::fromLatin1(c.text)) << c.x;
  EXPECT_FALSE(filters::ProgressText(0, 0)) << "0 / 0";
  EXPECT_FALSE(filters::ProgressText(1, 0));
}

TEST_P(EachFilter, EachColumnClosesWithTheYieldThenTheProgress) {
  t->Picture1->setPicture(MixedPicture(200, 3));
  QStringList captions;
  std::vector<bool> autoRedraw;
  t.onYield = [&](int) {
    captions << t->Label1->Caption();
    autoRedraw.push_back(t->Picture1->AutoRedraw());
  };
  Click(t, f);
  ASSERT_EQ(t.yields, 201);
  EXPECT_EQ(captions[0], "%") << "the label is set after the yield";
  EXPECT_EQ(captions[1], "0 %");
  EXPECT_EQ(captions[2], "0 %");
  EXPECT_EQ(captions[3], "1 %");
  for (int x = 0; x < 200; ++x) EXPECT_EQ(captions[x + 1], *filters::ProgressText(x, 200)) << x;
  EXPECT_EQ(t->Label1->Caption(), "100 %");
  // Colour removal switches AutoRedraw off before the yield, the others after it.
  EXPECT_EQ(autoRedraw, std::vector<bool>(201, f.button != Removal.button));
  EXPECT_EQ(t.dialogs.messages, Finished);
}

TEST_P(EachFilter, StateAfterARun) {
  const QImage before = MixedPicture(8, 10);
  t->Picture1->setPicture(before);
  t->Picture1->setScaleMode(1);  // twips: the run sets pixels before reading the width
  t->Picture1->setAutoRedraw(true);
  Click(t, f);
  EXPECT_EQ(t.yields, 9);
  EXPECT_EQ(t->Picture1->DrawWidth(), 1);
  EXPECT_EQ(t->Picture1->ScaleMode(), 3);
  EXPECT_FALSE(t->Picture1->AutoRedraw());
  EXPECT_EQ(Difference(t->Picture1->Image(), Filtered(f, before, 0, 7)), "");
  EXPECT_EQ(Difference(t->Picture1->Picture(), before), "") << "the loaded picture stays";
}

TEST_P(EachFilter, StopDuringAColumnFinishesItAndLeavesTheRestExceptInWhitening) {
  const QImage before = MixedPicture(12, 10);
  t->Picture1->setPicture(before);
  const int k = 4;
  t.onYield = [&](int n) {
    if (n == k + 1) t->Command4->click();  // during the yield that closes column k
  };
  Click(t, f);
  const QImage expected = Filtered(f, before, 0, f.honoursStop ? k : 11);
  ASSERT_NE(Difference(Filtered(f, before, 0, k), Filtered(f, before, 0, k + 1)), "");
  EXPECT_EQ(Difference(t->Picture1->Image(), expected), "");
  EXPECT_EQ(t.yields, 13);
  EXPECT_EQ(t->Label1->Caption(), "100 %");
  EXPECT_EQ(t.dialogs.messages, Finished);
  EXPECT_TRUE(t->StopRequested) << "the flag stays set after the run";
}

TEST_P(EachFilter, StopWhileIdleHasNoEffectOnTheNextRun) {
  const QImage before = MixedPicture(9, 10);
  t->Picture1->setPicture(before);
  t->Command4->click();
  EXPECT_TRUE(t->StopRequested);
  Click(t, f);
  EXPECT_EQ(Difference(t->Picture1->Image(), Filtered(f, before, 0, 8)), "");
  EXPECT_EQ(t->StopRequested, !f.honoursStop);
}

TEST(ScanFrame, ANestedRunEndsBeforeTheOuterGoesOn) {
  TestForm t;
  const QImage before = MixedPicture(10, 10);
  t->Picture1->setPicture(before);
  QStringList messagesWhenOuterResumed;
  t.onYield = [&](int n) {
    if (n == 5) {
      Click(t, GreyType);  // during the yield that closes the outer's column 4
      messagesWhenOuterResumed = t.dialogs.messages;
    }
  };
  Click(t, Whitening);
  QImage expected = Filtered(Whitening, before, 0, 4);
  expected = WithRule(expected, GreyTypeRule(140, 20));
  expected = WithColumns(expected, 5, 9, WhiteningRule{});
  EXPECT_EQ(Difference(t->Picture1->Image(), expected), "");
  EXPECT_EQ(messagesWhenOuterResumed, Finished);
  EXPECT_EQ(t.dialogs.messages, Finished + Finished);
  EXPECT_EQ(t.yields, 22);
  EXPECT_EQ(t->Label1->Caption(), "100 %");
  EXPECT_FALSE(t->Picture1->AutoRedraw());
}

TEST(ScanFrame, ANestedStoppableRunCancelsTheOuterStopRequestANestedWhiteningDoesNot) {
  const struct {
    Filter outer, nested;
    bool stopped;
  } cases[] = {{GreyType, Removal, false}, {Removal, Whitening, true}};
  for (const auto& c : cases) {
    TestForm t;
    const QImage before = MixedPicture(10, 10);
    t->Picture1->setPicture(before);
    t.onYield = [&](int n) {
      if (n != 3) return;  // during the yield that closes the outer's column 2
      t->Command4->click();
      Click(t, c.nested);
    };
    Click(t, c.outer);
    QImage expected = Filtered(c.nested, Filtered(c.outer, before, 0, 2), 0, 9);
    if (!c.stopped) expected = Filtered(c.outer, expected, 3, 9);
    EXPECT_EQ(Difference(t->Picture1->Image(), expected), "") << c.outer.name << " / " << c.nested.name;
    EXPECT_EQ(t->StopRequested, c.stopped) << c.outer.name << " / " << c.nested.name;
    EXPECT_EQ(t.dialogs.messages, Finished + Finished);
  }
}

TEST(ScanFrame, ATargetOrReplacementPickedDuringARunAppliesFromTheNextColumn) {
  TestForm t;
  const QImage before = MixedPicture(10, 10);
  t->Picture1->setPicture(before);
  const int k = 5;
  t.onYield = [&](int n) {
    if (n != k + 1) return;
    t->TargetRed = 121;
    t->TargetGreen = 100;
    t->TargetBlue = 79;
    t->Command7->setBackColor(RGB(0, 0, 255));
  };
  Click(t, Removal);
  QImage expected = WithColumns(before, 0, k, RemovalRule(0, 0, 0, filters::White));
  expected = WithColumns(expected, k + 1, 9, RemovalRule(121, 100, 79, RGB(0, 0, 255)));
  ASSERT_NE(Difference(expected, Filtered(Removal, before, 0, 9)), "");
  EXPECT_EQ(Difference(t->Picture1->Image(), expected), "");
}

TEST(ScanFrame, ADarknessThresholdTypedDuringARunAppliesFromTheNextColumnTheToleranceNot) {
  TestForm t;
  const QImage before = MixedPicture(10, 10);
  t->Picture1->setPicture(before);
  const int k = 3;
  t.onYield = [&](int n) {
    if (n != k + 1) return;
    t->Text2->setText("1e999");
    t->Text5->setText("22");
  };
  Click(t, GreyType);
  QImage expected = WithColumns(before, 0, k, GreyTypeRule(140, 20));
  expected = WithColumns(expected, k + 1, 9, GreyTypeRule(platform::Val("1e999"), 20));
  ASSERT_NE(Difference(expected, Filtered(GreyType, before, 0, 9)), "");
  EXPECT_EQ(Difference(t->Picture1->Image(), expected), "");
}

TEST(ScanFrame, TheGreynessToleranceIsRoundedOnceAndLeftAtZeroWhenItDoesNotFit) {
  const struct {
    const char* text;
    int d;
  } cases[] = {{"20", 20}, {"20.5", 20}, {"21.5", 22},  {" 22abc", 22}, {"0", 0},
               {"abc", 0}, {"40000", 0}, {"-40000", 0}, {"32767.5", 0}, {"1e999", 0}};
  const QImage before = MixedPicture(6, 10);
  for (const auto& c : cases) {
    TestForm t;
    t->Picture1->setPicture(before);
    t->Text5->setText(QString::fromLatin1(c.text));
    Click(t, GreyType);
    EXPECT_EQ(Difference(t->Picture1->Image(), WithRule(before, GreyTypeRule(140, std::int16_t(c.d)))), "") << c.text;
    EXPECT_EQ(t.dialogs.messages, Finished) << c.text;
  }
}

TEST_P(EachFilter, ThePictureChangedDuringARunIsScannedToTheFirstWidthAndItsOwnHeight) {
  t->Picture1->setPicture(MixedPicture(10, 10));
  const QImage wider = MixedPicture(20, 30).mirrored(true, false);
  t.onYield = [&](int n) {
    if (n == 1) t->Picture1->setPicture(wider);
  };
  Click(t, f);
  EXPECT_EQ(t.yields, 11) << "the column bound is read once";
  // Column 10, inside the new picture, is the last scanned: the bound is inclusive.
  EXPECT_EQ(Difference(t->Picture1->Image(), Filtered(f, wider, 1, 10)), "");
  EXPECT_EQ(t->Label1->Caption(), "50 %") << "the width is read anew for the progress";
}

TEST_P(EachFilter, ASurfaceZeroPixelsWideLeavesTheLabelAndEndsNormally) {
  t->Picture1->setPicture(QImage());
  ASSERT_EQ(t->Picture1->ScaleWidth(), 0);
  t->Label1->setCaption("37 %");
  Click(t, f);
  EXPECT_EQ(t.yields, 1);
  EXPECT_EQ(t->Label1->Caption(), "37 %");
  EXPECT_EQ(t.dialogs.messages, Finished);
}

TEST_P(EachFilter, EndingTheProgramDuringTheYieldLeavesTheRunAtOnce) {
  const QImage before = MixedPicture(10, 10);
  t->Picture1->setPicture(before);
  t.onYield = [&](int n) {
    if (n == 3) t->Command8_Click();
  };
  // Skip-and-continue must not swallow the end: nothing of the run follows it.
  testsupport::ExpectEnd([&] { (t.form().*f.handler)(); });
  EXPECT_EQ(t.yields, 3);
  EXPECT_TRUE(t.dialogs.messages.isEmpty());
  EXPECT_EQ(t->Label1->Caption(), "10 %");
  EXPECT_EQ(Difference(t->Picture1->Image(), Filtered(f, before, 0, 2)), "");
}

TEST(ScanFrame, ThePictureTakenDuringTheYieldIsThatOfTheMoment) {
  // Large enough for the box to take its own copy in 2 MB pages.
  TestForm t;
  QImage before = MixedPicture(800, 700);
  before.setDotsPerMeterX(3780);
  before.setDotsPerMeterY(2835);
  t->Picture1->setPicture(before);
  QImage taken;
  t.onYield = [&](int n) {
    if (n == 301) taken = t->Picture1->Image();  // as saving or copying takes it
  };
  Click(t, GreyType);
  EXPECT_EQ(Difference(taken, Filtered(GreyType, before, 0, 300)), "");
  const QImage after = t->Picture1->Image();
  EXPECT_EQ(Difference(after, Filtered(GreyType, before, 0, 799)), "");
  EXPECT_EQ(after.dotsPerMeterX(), 3780);
  EXPECT_EQ(after.dotsPerMeterY(), 2835);
}

TEST(ScanFrame, TheRealYieldHandlesTheEventsPendingThen) {
  TestForm t;
  platform::testing::SetDoEvents({});  // QCoreApplication::processEvents
  const QImage before = MixedPicture(10, 10);
  t->Picture1->setPicture(before);
  QMetaObject::invokeMethod(
      t->Command4, [&] { t->Command4->click(); }, Qt::QueuedConnection);
  Click(t, Removal);
  EXPECT_EQ(Difference(t->Picture1->Image(), Filtered(Removal, before, 0, 0)), "");
  EXPECT_EQ(t->Label1->Caption(), "100 %");
  EXPECT_EQ(t.dialogs.messages, Finished);
}
