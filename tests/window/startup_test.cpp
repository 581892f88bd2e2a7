#include "support/test_window.h"
#include "window/forms/runtime.h"
#include "window/layout.h"

#include <QWidget>
#include <gtest/gtest.h>

using testsupport::TestWindow;

TEST(Startup, FitsTheWindowToA1024By768Screen) {
  TestWindow t;
  EXPECT_FLOAT_EQ(t->pictureFrame->Width(), 13390);
  EXPECT_FLOAT_EQ(t->pictureFrame->Height(), 10750);
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), 3222);
  EXPECT_FLOAT_EQ(t->pictureBox->Top(), 3215);
  EXPECT_FLOAT_EQ(t->exitButton->Left(), 13975);
  EXPECT_FLOAT_EQ(t->pictureFrame->Left(), 1920) << "the frame keeps its corner";
  EXPECT_FLOAT_EQ(t->exitButton->Top(), 0);
  EXPECT_FLOAT_EQ(t->exitButton->Left() + t->exitButton->Width(), 15360 - 50);
}

TEST(Startup, TheExitButtonFollowsTheScreensRightEdge) {
  for (auto [width, left] : {std::pair{800, 10615.0f}, {1920, 27415.0f}}) {
    platform::testing::SetScreenPixels(width, 768);
    TestWindow t(false);
    platform::testing::SetScreenPixels(width, 768);
    t->start();
    EXPECT_FLOAT_EQ(t->exitButton->Left(), left) << width;
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
    TestWindow t(false);
    platform::testing::SetScreenPixels(c.width, c.height);
    t->start();
    for (const QWidget* w : t->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!w->isHidden() && w != t->pictureFrame)
        EXPECT_TRUE(QRect(0, 0, c.width, c.height).contains(w->geometry())) << w->objectName().toStdString();
    }
    EXPECT_NEAR(t->removeColourButton->font().pointSizeF(), 12 * c.scale, 0.01);
    EXPECT_NEAR(t->pictureFrame->geometry().right(), c.width - 1 - 50 / 15.0 * c.scale, 1)
        << "the frame fills the rest";
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
  TestWindow t;
  t->pictureBox->setPicture(testsupport::MakePicture(900, 10, [](int, int) { return 0; }));
  EXPECT_FLOAT_EQ(t->pictureBox->Width(), 902 * 15);
  t->fitToScreen();
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), app::CentredOffset(13390, 13530));
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), -70);
}

TEST(Dispatch, TheExitButtonEndsTheProgram) {
  TestWindow t;
  testsupport::ExpectEnd([&] { t->exitClicked(); });
}
