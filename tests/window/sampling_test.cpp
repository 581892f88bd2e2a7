#include "support/mouse.h"
#include "support/test_window.h"

#include <gtest/gtest.h>

using namespace colourtest;
using platform::ColorValue;
using testsupport::TestWindow;

namespace {

constexpr ColorValue A = 0x1F140A;  // red 10, green 20, blue 31
constexpr ColorValue B = 0x336699;
constexpr ColorValue Grey = 0x808080;
constexpr int Width = 60, Height = 50;

// Column 0 holds A, column 1 holds B, the rest is grey.
void LoadPicture(TestWindow& t) {
  t->pictureBox->setPicture(testsupport::MakePicture(Width, Height, [](int x, int) {
    return x == 0 ? A : x == 1 ? B : Grey;
  }));
}

struct Readouts {
  QString red, green, blue, mean;
  ColorValue background;
  bool operator==(const Readouts&) const = default;
};
Readouts ReadoutsOf(TestWindow& t) {
  return {t->redBox->Text(), t->greenBox->Text(), t->blueBox->Text(), t->meanBox->Text(), t->meanBox->BackColor()};
}
void PrintTo(const Readouts& r, std::ostream* os) {
  *os << (QStringList{r.red, r.green, r.blue, r.mean}.join(u' ')).toStdString() << " on &H" << std::hex << r.background;
}

}  // namespace

TEST(Sampling, ShowsTheChannelsAndTheirMeanOnTheColour) {
  const struct {
    ColorValue colour;
    Readouts shown;
  } cases[] = {{A, {"10", "20", "31", "20", A}},
               {0xFFFFFF, {"255", "255", "255", "255", 0xFFFFFF}},
               {0xFEFFFF, {"255", "255", "254", "254", 0xFEFFFF}},
               {0x000000, {"0", "0", "0", "0", 0x000000}}};
  TestWindow t;
  t->pictureBox->setPicture(testsupport::MakePicture(4, 3, [&](int x, int) { return cases[x].colour; }));
  for (int x = 3; x >= 0; --x) {
    Move(t->pictureBox, OverPixel(x, 2));
    EXPECT_EQ(ReadoutsOf(t), cases[x].shown) << x;
    EXPECT_EQ(t->sampledColour, cases[x].colour);
  }
}

TEST(Sampling, AMoveOutsideThePictureKeepsTheLastSample) {
  TestWindow t;
  LoadPicture(t);
  Move(t->pictureBox, OverPixel(0, 5));
  const Readouts before = ReadoutsOf(t);
  for (QPointF outside : {OverPixel(-5, -5), OverPixel(Width, 3), OverPixel(3, Height), QPointF(0, 0)}) {
    Move(t->pictureBox, outside, Qt::RightButton);
    EXPECT_EQ(ReadoutsOf(t), before) << outside.x() << "," << outside.y();
    EXPECT_EQ(t->sampledColour, A);
    EXPECT_EQ(t->sampledRed, 10);
    EXPECT_EQ(t->sampledGreen, 20);
    EXPECT_EQ(t->sampledBlue, 31);
  }
  // A press out there still picks the last colour seen inside.
  Press(t->pictureBox, OverPixel(-5, -5), Qt::LeftButton, Qt::RightButton);
  EXPECT_EQ(t->removeColourButton->BackColor(), A);
  EXPECT_EQ(t->targetGreen, 20);
}

TEST(Press, AnyButtonMakesTheLastSampleTheTargetAndRecordsTheDragStart) {
  for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    TestWindow t;
    LoadPicture(t);
    Move(t->pictureBox, OverPixel(0, 9));
    // The press itself reads no pixel: over B, the target is still A.
    Press(t->pictureBox, OverPixel(1, 12.5), button);
    EXPECT_EQ(t->removeColourButton->BackColor(), A) << button;
    EXPECT_EQ(t->targetRed, 10);
    EXPECT_EQ(t->targetGreen, 20);
    EXPECT_EQ(t->targetBlue, 31);
    EXPECT_FLOAT_EQ(t->dragStartX, 1);
    EXPECT_EQ(t->dragStartY, 12) << "12.5 rounds to the even neighbour";
  }
}

TEST(Press, RoundsTheDragStartYHalvesToEven) {
  TestWindow t;
  for (auto [y, rounded] : {std::pair{2.5f, 2}, {3.5f, 4}, {4.6f, 5}}) {
    t->picturePressed(0.25f, y);
    EXPECT_EQ(t->dragStartY, rounded) << y;
    EXPECT_FLOAT_EQ(t->dragStartX, 0.25f);
  }
}

TEST(Press, BeforeAnyMoveMakesBlackTheTarget) {
  TestWindow t;
  ASSERT_EQ(t->removeColourButton->BackColor(), 0xFFFFFF);
  Press(t->pictureBox, OverPixel(1, 1), Qt::LeftButton);
  EXPECT_EQ(t->removeColourButton->BackColor(), 0);
  EXPECT_EQ(t->targetRed, 0);
  EXPECT_EQ(t->targetGreen, 0);
  EXPECT_EQ(t->targetBlue, 0);
}

TEST(Drag, OnlyTheLeftButtonAloneDrags) {
  const struct {
    Qt::MouseButton pressed;
    Qt::MouseButtons held;
    bool drags;
  } cases[] = {{Qt::LeftButton, Qt::LeftButton, true},
               {Qt::RightButton, Qt::RightButton, false},
               {Qt::MiddleButton, Qt::MiddleButton, false},
               {Qt::RightButton, Qt::LeftButton | Qt::RightButton, false},
               {Qt::LeftButton, Qt::LeftButton | Qt::MiddleButton, false},
               {Qt::RightButton, Qt::NoButton, false}};
  for (const auto& c : cases) {
    TestWindow t;
    LoadPicture(t);
    const float left = t->pictureBox->Left(), top = t->pictureBox->Top();
    Press(t->pictureBox, OverPixel(20, 20), c.pressed);
    Move(t->pictureBox, OverPixel(27, 15), c.held);
    EXPECT_FLOAT_EQ(t->pictureBox->Left(), c.drags ? left + 7 * 15 : left) << c.held.toInt();
    EXPECT_FLOAT_EQ(t->pictureBox->Top(), c.drags ? top - 5 * 15 : top) << c.held.toInt();
  }
}

TEST(Drag, ThePressedPointStaysUnderThePointer) {
  TestWindow t;
  LoadPicture(t);
  QWidget* box = t->pictureBox;
  const QPoint pressed(1, 30);  // picture pixel, in column B
  const float left = t->pictureBox->Left(), top = t->pictureBox->Top();
  // The pointer in the frame's pixels; the box reports it relative to where the box is now.
  QPoint pointer = box->pos() + OverPixel(pressed.x(), pressed.y()).toPoint();
  Move(box, pointer - box->pos());
  Press(box, pointer - box->pos(), Qt::LeftButton);
  QPoint travelled;
  // Each move is reported where the pointer lies on the box before it follows:
  // inside the picture it samples that pixel, outside it samples nothing.
  const struct {
    QPoint step;
    ColorValue sampled;
  } moves[] = {{{3, 2}, Grey}, {{-100, 200}, Grey}, {{400, -300}, Grey}, {{-1, -1}, A}, {{-30, 10}, A}};
  for (const auto& m : moves) {
    pointer += m.step;
    travelled += m.step;
    Move(box, pointer - box->pos(), Qt::LeftButton);
    EXPECT_EQ(pointer - box->pos() - QPoint(1, 1), pressed) << m.step.x() << "," << m.step.y();
    EXPECT_FLOAT_EQ(t->pictureBox->Left(), left + travelled.x() * 15);
    EXPECT_FLOAT_EQ(t->pictureBox->Top(), top + travelled.y() * 15);
    EXPECT_EQ(t->meanBox->BackColor(), m.sampled) << m.step.x() << "," << m.step.y();
  }
  EXPECT_EQ(t->pictureBox->Width(), (Width + 2) * 15) << "the drag keeps the size";
}
