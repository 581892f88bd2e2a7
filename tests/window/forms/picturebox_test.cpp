#include "window/forms/picturebox.h"

#include "support/test_window.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace platform;
using testsupport::MakePicture;

namespace {
QImage gradient(int w, int h) {
  return MakePicture(w, h, [](int x, int y) { return RGB(x % 256, y % 256, (x + y) % 256); });
}
}  // namespace

TEST(PictureBox, PointReadsThePixelOrMinusOneOutside) {
  PictureBox box(nullptr, "pictureBox");
  box.setPicture(gradient(4, 3));
  EXPECT_EQ(box.Point(2, 1), RGB(2, 1, 3));
  const struct { int x, y; } outside[] = {{4, 0}, {0, 3}, {-1, 0}, {0, -1}, {4, 3}, {100000, 5}};
  for (auto p : outside) EXPECT_EQ(box.Point(p.x, p.y), -1) << p.x << "," << p.y;
  EXPECT_EQ(box.Point(2.7, 1.2), RGB(2, 1, 3));
  PictureBox empty(nullptr, "Empty");
  EXPECT_EQ(empty.Point(0, 0), -1);
}

TEST(PictureBox, PSetPaintsOnePixelAndNothingOutside) {
  PictureBox box(nullptr, "pictureBox");
  box.setPicture(gradient(4, 3));
  const QImage before = box.Image();
  box.setAutoRedraw(true);
  box.PSet(1, 2, 0x123456);
  for (auto p : {std::pair{4, 0}, {-1, 1}, {0, 3}}) box.PSet(p.first, p.second, 0);
  const QImage after = box.Image();
  EXPECT_EQ(box.Point(1, 2), 0x123456);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      if (x != 1 || y != 2) {
        EXPECT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
      }
  EXPECT_EQ(before.pixel(1, 2), ToQRgb(RGB(1, 2, 3))) << "a copy handed out earlier keeps its pixels";
  EXPECT_EQ(box.Picture().pixel(1, 2), before.pixel(1, 2)) << "drawing goes to the image, not the picture";
}

TEST(PictureBox, WideDrawWidthPaintsADot) {
  PictureBox box(nullptr, "pictureBox");
  box.setPicture(MakePicture(10, 10, [](int, int) { return 0xFFFFFF; }));
  box.setDrawWidth(5);
  box.setAutoRedraw(true);
  box.PSet(5, 5, 0);
  EXPECT_EQ(box.Point(3, 3), 0);
  EXPECT_EQ(box.Point(7, 7), 0);
  EXPECT_EQ(box.Point(8, 5), 0xFFFFFF);
}

TEST(PictureBox, AutoSizeAddsTheBorderAndScaleIsInPixels) {
  PictureBox box(nullptr, "pictureBox");
  box.setAutoSize(true);
  box.setPicture(gradient(461, 286));
  EXPECT_FLOAT_EQ(box.Width(), 6945);
  EXPECT_FLOAT_EQ(box.Height(), 4320);
  EXPECT_EQ(box.size(), QSize(463, 288));
  box.setScaleMode(3);
  EXPECT_DOUBLE_EQ(box.ScaleWidth(), 461);
  EXPECT_DOUBLE_EQ(box.ScaleHeight(), 286);
  box.setScaleMode(1);
  EXPECT_DOUBLE_EQ(box.ScaleWidth(), 461 * 15);
}

TEST(PictureBox, MouseEventsCarryHeldButtonsAndPixelCoordinates) {
  PictureBox box(nullptr, "pictureBox");
  box.setAutoSize(true);
  box.setScaleMode(3);
  box.setPicture(gradient(20, 20));
  struct Seen {
    int button, shift;
    float x, y;
  };
  std::vector<Seen> moves, downs;
  box.MouseMove = [&](int b, int s, float x, float y) { moves.push_back({b, s, x, y}); };
  box.MouseDown = [&](int b, int s, float x, float y) { downs.push_back({b, s, x, y}); };

  QMouseEvent press(QEvent::MouseButtonPress, QPointF(6, 4), QPointF(6, 4), Qt::RightButton, Qt::RightButton,
                    Qt::ShiftModifier);
  QApplication::sendEvent(&box, &press);
  QMouseEvent move(QEvent::MouseMove, QPointF(-30, 50), QPointF(-30, 50), Qt::NoButton,
                   Qt::LeftButton | Qt::MiddleButton, Qt::NoModifier);
  QApplication::sendEvent(&box, &move);

  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].button, 2);
  EXPECT_EQ(downs[0].shift, 1);
  EXPECT_FLOAT_EQ(downs[0].x, 5);  // inside the one-pixel border
  EXPECT_FLOAT_EQ(downs[0].y, 3);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].button, 5);
  EXPECT_FLOAT_EQ(moves[0].x, -31);
  EXPECT_FLOAT_EQ(moves[0].y, 49);
}

namespace {
// The region painted on a widget, gathered from its paint events.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QWidget* w) { w->installEventFilter(this); }
  QRegion painted;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
    return false;
  }
};

// Handles events until the condition holds, for at most twenty seconds.
bool waitFor(const std::function<bool()>& condition) {
  QDeadlineTimer deadline(20000);
  while (!condition() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  return condition();
}
}  // namespace

TEST(PictureBox, EveryColumnDrawnIsRepaintedSoonerOrLaterAndRefreshRepaintsAtOnce) {
  for (const bool refresh : {false, true}) {
    PictureBox box(nullptr, "pictureBox");
    box.setAutoSize(true);
    box.setPicture(gradient(40, 30));
    box.show();
    ASSERT_TRUE(waitFor([&] { return box.isVisible(); }));
    QCoreApplication::processEvents();
    PaintWatch watch(&box);
    // Columns drawn in quick succession, each handed over for repainting.
    for (int x : {3, 17, 30}) {
      box.setAutoRedraw(true);
      box.PSet(x, 5, 0);
      box.setAutoRedraw(false);
    }
    if (refresh) box.Refresh();
    const auto shown = [&] { return watch.painted.contains(QRect(4, 1, 28, 30)); };  // columns 3 to 30
    if (refresh) {
      QCoreApplication::sendPostedEvents();
      EXPECT_TRUE(shown()) << "Refresh";
    }
    EXPECT_TRUE(waitFor(shown)) << "refresh " << refresh;
  }
}

TEST(PictureBox, APictureCopiedAheadKeepsPictureAndHandedOutImagesApart) {
  // Big enough to be copied on a thread of its own, and small.
  for (const int side : {1200, 40}) {
    enum class Before { Nothing, ImageHandedOut, AnotherPictureSet, CopiedAheadAndHandedOut, CopiedAheadAndEdited };
    for (const Before before : {Before::Nothing, Before::ImageHandedOut, Before::AnotherPictureSet,
                                Before::CopiedAheadAndHandedOut, Before::CopiedAheadAndEdited}) {
      SCOPED_TRACE(testing::Message() << side << " " << int(before));
      PictureBox box(nullptr, "pictureBox");
      const QImage first = gradient(side, side);
      box.setPicture(first);
      QImage handedOut;
      if (before == Before::ImageHandedOut) handedOut = box.Image();
      const QImage picture = before == Before::AnotherPictureSet ? gradient(side, side + 1) : first;
      if (before == Before::AnotherPictureSet) box.setPicture(picture);
      box.setAutoRedraw(true);
      if (before == Before::CopiedAheadAndHandedOut || before == Before::CopiedAheadAndEdited) {
        // As after a run: the image is the box's own, then copied ahead for the next one.
        box.PSet(0, 0, box.Point(0, 0));
        box.CopyAhead();
        box.PSet(2, 2, 0x00FF00);  // drawing that the copy must not miss
        if (before == Before::CopiedAheadAndHandedOut) handedOut = box.Image();
        if (before == Before::CopiedAheadAndEdited)
          box.EditImage([](QImage& image) { image.setPixel(1, 1, 0xFF000000); });
      }
      box.PSet(side - 1, 7, 0x123456);
      EXPECT_EQ(box.Point(side - 1, 7), 0x123456);
      EXPECT_EQ(box.Point(side - 2, side - 1), FromQRgb(picture.pixel(side - 2, side - 1)));
      EXPECT_EQ(box.Picture(), picture) << "drawing goes to the image, not the picture";
      if (!handedOut.isNull()) {
        QImage held = first.convertToFormat(QImage::Format_RGB32);
        if (before == Before::CopiedAheadAndHandedOut) held.setPixel(2, 2, ToQRgb(0x00FF00));
        EXPECT_EQ(handedOut, held) << "a copy handed out earlier keeps its pixels";
      }
      QImage expected = picture.convertToFormat(QImage::Format_RGB32);
      if (before == Before::CopiedAheadAndEdited) expected.setPixel(1, 1, 0xFF000000);
      if (before >= Before::CopiedAheadAndHandedOut) expected.setPixel(2, 2, ToQRgb(0x00FF00));
      expected.setPixel(side - 1, 7, ToQRgb(0x123456));
      EXPECT_EQ(box.Image(), expected);
    }
  }
}
