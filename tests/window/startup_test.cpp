#include "support/test_form.h"
#include "window/forms/runtime.h"
#include "window/layout.h"

#include <gtest/gtest.h>

using testsupport::TestForm;

TEST(Startup, FitsTheWindowToA1024By768Screen) {
  TestForm t;
  EXPECT_FLOAT_EQ(t->Picture2->Width(), 13390);
  EXPECT_FLOAT_EQ(t->Picture2->Height(), 10750);
  EXPECT_FLOAT_EQ(t->Picture1->Left(), 3222);
  EXPECT_FLOAT_EQ(t->Picture1->Top(), 3215);
  EXPECT_FLOAT_EQ(t->Command8->Left(), 13975);
  EXPECT_FLOAT_EQ(t->Picture2->Left(), 1920) << "the frame keeps its corner";
  EXPECT_FLOAT_EQ(t->Command8->Top(), 0);
  EXPECT_FLOAT_EQ(t->Command8->Left() + t->Command8->Width(), 15360 - 50);
}

TEST(Startup, TheExitButtonFollowsTheScreensRightEdge) {
  for (auto [width, left] : {std::pair{800, 10615.0f}, {1920, 27415.0f}}) {
    platform::testing::SetScreenPixels(width, 600);
    TestForm t(false);
    platform::testing::SetScreenPixels(width, 600);
    t->Form_Load();
    EXPECT_FLOAT_EQ(t->Command8->Left(), left) << width;
  }
}

TEST(Centring, RoundsHalvesToEvenThenHalvesTowardZero) {
  const struct {
    float outer, inner;
    int offset;
  } cases[] = {{13390, 6945, 3222}, {10750, 4320, 3215}, {100, 201, -50}, {0, 7, -3},
               {10.5f, 0, 5},       {11.5f, 0, 6},       {6945, 6945, 0}};
  for (const auto& c : cases) EXPECT_EQ(app::CentredOffset(c.outer, c.inner), c.offset) << c.outer << " " << c.inner;
}

TEST(Startup, ABoxWiderThanTheFrameGetsANegativeLeft) {
  TestForm t;
  t->Picture1->setPicture(testsupport::MakePicture(900, 10, [](int, int) { return 0; }));
  EXPECT_FLOAT_EQ(t->Picture1->Width(), 902 * 15);
  t->FitToScreen();
  EXPECT_FLOAT_EQ(t->Picture1->Left(), app::CentredOffset(13390, 13530));
  EXPECT_FLOAT_EQ(t->Picture1->Left(), -70);
}

TEST(Dispatch, TheExitButtonEndsTheProgram) {
  TestForm t;
  testsupport::ExpectEnd([&] { t->Command8_Click(); });
}
