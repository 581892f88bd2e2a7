#include "window/scan_frame.h"

#include "support/filter_support.h"
#include "window/forms/runtime.h"

#include <gtest/gtest.h>

#include <string>

using namespace filtertest;
using filters::GreyTypeRule;
using filters::RemovalRule;
using filters::WhiteningRule;
using testsupport::TestWindow;

namespace {

// The three filter buttons, clicked as the user does (through dispatch).
struct Filter {
  const char* name;
  platform::CommandButton* MainWindow::*button;
  void (MainWindow::*handler)();
  bool honoursStop;
};
const Filter Removal{"Removal", &MainWindow::removeColourButton, &MainWindow::removeColourClicked, true};
const Filter GreyType{"GreyType", &MainWindow::greyTypeButton, &MainWindow::greyTypeClicked, true};
const Filter Whitening{"Whitening", &MainWindow::whitenButton, &MainWindow::whitenClicked, false};
const Filter AllFilters[] = {Removal, GreyType, Whitening};
void PrintTo(const Filter& f, std::ostream* os) { *os << f.name; }

void Click(TestWindow& t, const Filter& f) { (t.window().*f.button)->click(); }

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
  TestWindow t;
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
  t->pictureBox->setPicture(MixedPicture(200, 3));
  QStringList captions;
  t.onYield = [&](int) { captions << t->progressLabel->Caption(); };
  Click(t, f);
  ASSERT_EQ(t.yields, 201);
  EXPECT_EQ(captions[0], "%") << "the label is set after the yield";
  EXPECT_EQ(captions[1], "0 %");
  EXPECT_EQ(captions[2], "0 %");
  EXPECT_EQ(captions[3], "1 %");
  for (int x = 0; x < 200; ++x) EXPECT_EQ(captions[x + 1], *filters::ProgressText(x, 200)) << x;
  EXPECT_EQ(t->progressLabel->Caption(), "100 %");
  EXPECT_EQ(t.dialogs.messages, Finished);
}

TEST_P(EachFilter, StateAfterARun) {
  const QImage before = MixedPicture(8, 10);
  t->pictureBox->setPicture(before);
  t->pictureBox->setScaleMode(1);  // twips: the run sets pixels before reading the width
  t->pictureBox->setAutoRedraw(true);
  Click(t, f);
  EXPECT_EQ(t.yields, 9);
  EXPECT_EQ(t->pictureBox->DrawWidth(), 1);
  EXPECT_EQ(t->pictureBox->ScaleMode(), 3);
  EXPECT_FALSE(t->pictureBox->AutoRedraw());
  EXPECT_EQ(Difference(t->pictureBox->Image(), Filtered(f, before, 0, 7)), "");
  EXPECT_EQ(Difference(t->pictureBox->Picture(), before), "") << "the loaded picture stays";
}

TEST_P(EachFilter, StopDuringAColumnFinishesItAndLeavesTheRestExceptInWhitening) {
  const QImage before = MixedPicture(12, 10);
  t->pictureBox->setPicture(before);
  const int k = 4;
  t.onYield = [&](int n) {
    if (n == k + 1) t->stopButton->click();  // during the yield that closes column k
  };
  Click(t, f);
  const QImage expected = Filtered(f, before, 0, f.honoursStop ? k : 11);
  ASSERT_NE(Difference(Filtered(f, before, 0, k), Filtered(f, before, 0, k + 1)), "");
  EXPECT_EQ(Difference(t->pictureBox->Image(), expected), "");
  EXPECT_EQ(t.yields, 13);
  EXPECT_EQ(t->progressLabel->Caption(), "100 %");
  EXPECT_EQ(t.dialogs.messages, Finished);
  EXPECT_TRUE(t->stopRequested) << "the flag stays set after the run";
}

TEST_P(EachFilter, StopWhileIdleHasNoEffectOnTheNextRun) {
  const QImage before = MixedPicture(9, 10);
  t->pictureBox->setPicture(before);
  t->stopButton->click();
  EXPECT_TRUE(t->stopRequested);
  Click(t, f);
  EXPECT_EQ(Difference(t->pictureBox->Image(), Filtered(f, before, 0, 8)), "");
  EXPECT_EQ(t->stopRequested, !f.honoursStop);
}

TEST(ScanFrame, ANestedRunEndsBeforeTheOuterGoesOn) {
  TestWindow t;
  const QImage before = MixedPicture(10, 10);
  t->pictureBox->setPicture(before);
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
  EXPECT_EQ(Difference(t->pictureBox->Image(), expected), "");
  EXPECT_EQ(messagesWhenOuterResumed, Finished);
  EXPECT_EQ(t.dialogs.messages, Finished + Finished);
  EXPECT_EQ(t.yields, 22);
  EXPECT_EQ(t->progressLabel->Caption(), "100 %");
  EXPECT_FALSE(t->pictureBox->AutoRedraw());
}

TEST(ScanFrame, ANestedStoppableRunCancelsTheOuterStopRequestANestedWhiteningDoesNot) {
  const struct {
    Filter outer, nested;
    bool stopped;
  } cases[] = {{GreyType, Removal, false}, {Removal, Whitening, true}};
  for (const auto& c : cases) {
    TestWindow t;
    const QImage before = MixedPicture(10, 10);
    t->pictureBox->setPicture(before);
    t.onYield = [&](int n) {
      if (n != 3) return;  // during the yield that closes the outer's column 2
      t->stopButton->click();
      Click(t, c.nested);
    };
    Click(t, c.outer);
    QImage expected = Filtered(c.nested, Filtered(c.outer, before, 0, 2), 0, 9);
    if (!c.stopped) expected = Filtered(c.outer, expected, 3, 9);
    EXPECT_EQ(Difference(t->pictureBox->Image(), expected), "") << c.outer.name << " / " << c.nested.name;
    EXPECT_EQ(t->stopRequested, c.stopped) << c.outer.name << " / " << c.nested.name;
    EXPECT_EQ(t.dialogs.messages, Finished + Finished);
  }
}

TEST(ScanFrame, ATargetOrReplacementPickedDuringARunAppliesFromTheNextColumn) {
  TestWindow t;
  const QImage before = MixedPicture(10, 10);
  t->pictureBox->setPicture(before);
  const int k = 5;
  t.onYield = [&](int n) {
    if (n != k + 1) return;
    t->targetRed = 121;
    t->targetGreen = 100;
    t->targetBlue = 79;
    t->replacementButton->setBackColor(RGB(0, 0, 255));
  };
  Click(t, Removal);
  QImage expected = WithColumns(before, 0, k, RemovalRule(0, 0, 0, filters::White));
  expected = WithColumns(expected, k + 1, 9, RemovalRule(121, 100, 79, RGB(0, 0, 255)));
  ASSERT_NE(Difference(expected, Filtered(Removal, before, 0, 9)), "");
  EXPECT_EQ(Difference(t->pictureBox->Image(), expected), "");
}

TEST(ScanFrame, ADarknessThresholdTypedDuringARunAppliesFromTheNextColumnTheToleranceNot) {
  TestWindow t;
  const QImage before = MixedPicture(10, 10);
  t->pictureBox->setPicture(before);
  const int k = 3;
  t.onYield = [&](int n) {
    if (n != k + 1) return;
    t->greyTypeBox->setText("1e999");
    t->toleranceBox->setText("22");
  };
  Click(t, GreyType);
  QImage expected = WithColumns(before, 0, k, GreyTypeRule(140, 20));
  expected = WithColumns(expected, k + 1, 9, GreyTypeRule(platform::Val("1e999"), 20));
  ASSERT_NE(Difference(expected, Filtered(GreyType, before, 0, 9)), "");
  EXPECT_EQ(Difference(t->pictureBox->Image(), expected), "");
}

TEST(ScanFrame, TheGreynessToleranceIsRoundedOnceAndLeftAtZeroWhenItDoesNotFit) {
  const struct {
    const char* text;
    int d;
  } cases[] = {{"20", 20}, {"20.5", 20}, {"21.5", 22},  {" 22abc", 22}, {"0", 0},
               {"abc", 0}, {"40000", 0}, {"-40000", 0}, {"32767.5", 0}, {"1e999", 0}};
  const QImage before = MixedPicture(6, 10);
  for (const auto& c : cases) {
    TestWindow t;
    t->pictureBox->setPicture(before);
    t->toleranceBox->setText(QString::fromLatin1(c.text));
    Click(t, GreyType);
    EXPECT_EQ(Difference(t->pictureBox->Image(), WithRule(before, GreyTypeRule(140, std::int16_t(c.d)))), "") << c.text;
    EXPECT_EQ(t.dialogs.messages, Finished) << c.text;
  }
}

TEST_P(EachFilter, ThePictureChangedDuringARunIsScannedToTheFirstWidthAndItsOwnHeight) {
  t->pictureBox->setPicture(MixedPicture(10, 10));
  const QImage wider = MixedPicture(20, 30).mirrored(true, false);
  t.onYield = [&](int n) {
    if (n == 1) t->pictureBox->setPicture(wider);
  };
  Click(t, f);
  EXPECT_EQ(t.yields, 11) << "the column bound is read once";
  // Column 10, inside the new picture, is the last scanned: the bound is inclusive.
  EXPECT_EQ(Difference(t->pictureBox->Image(), Filtered(f, wider, 1, 10)), "");
  EXPECT_EQ(t->progressLabel->Caption(), "50 %") << "the width is read anew for the progress";
}

TEST_P(EachFilter, ASurfaceZeroPixelsWideLeavesTheLabelAndEndsNormally) {
  t->pictureBox->setPicture(QImage());
  ASSERT_EQ(t->pictureBox->ScaleWidth(), 0);
  t->progressLabel->setCaption("37 %");
  Click(t, f);
  EXPECT_EQ(t.yields, 1);
  EXPECT_EQ(t->progressLabel->Caption(), "37 %");
  EXPECT_EQ(t.dialogs.messages, Finished);
}

TEST_P(EachFilter, EndingTheProgramDuringTheYieldLeavesTheRunAtOnce) {
  const QImage before = MixedPicture(10, 10);
  t->pictureBox->setPicture(before);
  t.onYield = [&](int n) {
    if (n == 3) t->exitClicked();
  };
  // Skip-and-continue must not swallow the end: nothing of the run follows it.
  testsupport::ExpectEnd([&] { (t.window().*f.handler)(); });
  EXPECT_EQ(t.yields, 3);
  EXPECT_TRUE(t.dialogs.messages.isEmpty());
  EXPECT_EQ(t->progressLabel->Caption(), "10 %");
  EXPECT_EQ(Difference(t->pictureBox->Image(), Filtered(f, before, 0, 2)), "");
}

TEST(ScanFrame, ThePictureTakenDuringTheYieldIsThatOfTheMoment) {
  // Large enough for the box to take its own copy in 2 MB pages.
  TestWindow t;
  QImage before = MixedPicture(800, 700);
  before.setDotsPerMeterX(3780);
  before.setDotsPerMeterY(2835);
  t->pictureBox->setPicture(before);
  QImage taken;
  t.onYield = [&](int n) {
    if (n == 301) taken = t->pictureBox->Image();  // as saving or copying takes it
  };
  Click(t, GreyType);
  EXPECT_EQ(Difference(taken, Filtered(GreyType, before, 0, 300)), "");
  const QImage after = t->pictureBox->Image();
  EXPECT_EQ(Difference(after, Filtered(GreyType, before, 0, 799)), "");
  EXPECT_EQ(after.dotsPerMeterX(), 3780);
  EXPECT_EQ(after.dotsPerMeterY(), 2835);
}

TEST(ScanFrame, TheRealYieldHandlesTheEventsPendingThen) {
  TestWindow t;
  platform::testing::SetDoEvents({});  // QCoreApplication::processEvents
  const QImage before = MixedPicture(10, 10);
  t->pictureBox->setPicture(before);
  QMetaObject::invokeMethod(
      t->stopButton, [&] { t->stopButton->click(); }, Qt::QueuedConnection);
  Click(t, Removal);
  EXPECT_EQ(Difference(t->pictureBox->Image(), Filtered(Removal, before, 0, 0)), "");
  EXPECT_EQ(t->progressLabel->Caption(), "100 %");
  EXPECT_EQ(t.dialogs.messages, Finished);
}
