#include "support/test_form.h"
#include "window/forms/runtime.h"
#include "window/layout.h"

#include <QWidget>
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
    platform::testing::SetScreenPixels(width, 768);
    TestForm t(false);
    platform::testing::SetScreenPixels(width, 768);
    t->Form_Load();
    EXPECT_FLOAT_EQ(t->Command8->Left(), left) << width;
  }
}

TEST(Startup, OnAScreenTooSmallTheWholeLayoutShrinksToFitIt) {
  const struct {
    int width, height;
    double scale;  // of the window's 792 x 705 pixels
  } cases[] = {{640, 450, 450.0 / 705}, {853, 600, 600.0 / 705}, {600, 900, 600.0 / 792}, {1024, 768, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    EXPECT_DOUBLE_EQ(app::LayoutScale(792, 705, c.width, c.height), c.scale);
    TestForm t(false);
    platform::testing::SetScreenPixels(c.width, c.height);
    t->Form_Load();
    for (const QWidget* w : t->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!w->isHidden() && w != t->Picture2)
        EXPECT_TRUE(QRect(0, 0, c.width, c.height).contains(w->geometry())) << w->objectName().toStdString();
    }
    EXPECT_NEAR(t->Command6->font().pointSizeF(), 12 * c.scale, 0.01);
    EXPECT_NEAR(t->Picture2->geometry().right(), c.width - 1 - 50 / 15.0 * c.scale, 1) << "the frame fills the rest";
  }
  platform::testing::ClearScreenPixels();
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
