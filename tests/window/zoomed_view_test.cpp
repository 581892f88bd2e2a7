// The picture zoomed: what the pointer reads and picks, the drag, the fit,
// the zoom back to 100 % on a load, and filter runs, at zooms other than 1.
#include "support/mouse.h"
#include "support/picture_files.h"
#include "support/test_window.h"

#include <QPainter>
#include <QShortcut>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

using namespace colourtest;
using platform::ColorValue;
using testsupport::MakePicture;
using testsupport::TestWindow;

namespace {

// Every pixel a colour of its own.
QImage Distinct(int w, int h) {
  return MakePicture(w, h, [](int x, int y) { return platform::RGB(x % 256, y % 256, (x / 256) * 16 + y / 256); });
}

ColorValue Readout(TestWindow& t) {
  return platform::RGB(t->redBox->Text().toInt(), t->greenBox->Text().toInt(), t->blueBox->Text().toInt());
}

}  // namespace

TEST(ZoomedView, ThePointerReadsThePixelDrawnUnderItOnEveryDevicePixel) {
  // Picture pixel (x, y) is red 4 x, green 4 y, blue 200: a colour on the
  // screen names the pixels it shows, and the border and background are told
  // apart by their blue. The window is drawn as the screen shows it, at its
  // ratio of device pixels to the pixel (QT_SCALE_FACTOR; CTest runs this at
  // 1.25, 1.5 and 2 as well); the pointer is put on the corner of each device
  // pixel of the picture.
  const int w = 16, h = 12;
  const QImage picture = MakePicture(w, h, [](int x, int y) { return platform::RGB(4 * x, 4 * y, 200); });
  for (const double zoom : {1.0 / 3, 1.0, 3.0, 8.0}) {
    TestWindow t;
    const double ratio = t->pictureBox->devicePixelRatioF();
    SCOPED_TRACE(testing::Message() << "zoom " << zoom << " ratio " << ratio);
    t->pictureBox->setPicture(picture);
    t->pictureBox->setZoom(zoom);
    // In the frame's middle; zoomed in most, partly out past its right edge.
    const QSize frameSize = t->pictureFrame->size(), boxSize = t->pictureBox->size();
    const QPoint at(zoom == 8 ? frameSize.width() - 60 : (frameSize.width() - boxSize.width()) / 2,
                    (frameSize.height() - boxSize.height()) / 2);
    t->pictureBox->Move(float(at.x() * platform::TwipsPerPixel / zoom), float(at.y() * platform::TwipsPerPixel / zoom));
    QWidget* window = t->pictureBox->window();
    QImage screen((QSizeF(window->size()) * ratio).toSize(), QImage::Format_RGB32);
    screen.setDevicePixelRatio(ratio);
    window->render(&screen);
    const QPoint box = t->pictureBox->mapTo(window, QPoint(0, 0)), frame = t->pictureFrame->mapTo(window, QPoint(0, 0));
    // The device pixels whose centres lie on the picture inside the frame.
    const QRectF on = QRectF(QRect(box + QPoint(1, 1), t->pictureBox->size() - QSize(2, 2))) &
                      QRectF(QRect(frame + QPoint(1, 1), t->pictureFrame->size() - QSize(2, 2)));
    const auto within = [&](double from, double to) {
      return std::make_pair(int(std::ceil(from * ratio - 0.5)), int(std::ceil(to * ratio - 0.5)));
    };
    const auto [x0, x1] = within(on.left(), on.right());
    const auto [y0, y1] = within(on.top(), on.bottom());
    std::set<int> columns, rows;
    for (int dy = y0; dy < y1; ++dy)
      for (int dx = x0; dx < x1; ++dx) {
        // Not where another control lies over the frame, wholly or in part.
        const auto at = [&](double x, double y) { return window->childAt(int(std::floor(x)), int(std::floor(y))); };
        if (at(dx / ratio, dy / ratio) != t->pictureBox ||
            at((dx + 0.99) / ratio, (dy + 0.99) / ratio) != t->pictureBox)
          continue;
        const QRgb shown = screen.pixel(dx, dy);
        ASSERT_EQ(qBlue(shown), 200) << "device " << dx << "," << dy << " does not show the picture";
        MoveOnScreen(t->pictureBox, QPointF(dx, dy) / ratio);
        const platform::Channels read = platform::SplitChannels(Readout(t));
        // The pixel read is the one drawn there; zoomed out, one of those
        // whose average is drawn there, a block of about 1 / zoom / ratio.
        const double slack = zoom * ratio < 1 ? 4 * std::ceil(1 / zoom / ratio) : 0;
        ASSERT_LE(std::abs(read.red - qRed(shown)), slack) << dx << "," << dy;
        ASSERT_LE(std::abs(read.green - qGreen(shown)), slack) << dx << "," << dy;
        columns.insert(read.red / 4), rows.insert(read.green / 4);
      }
    if (zoom * ratio >= 1 && zoom < 8) {  // every pixel, the last row and column too, is drawn and read
      EXPECT_EQ(int(columns.size()), w);
      EXPECT_EQ(int(rows.size()), h);
    }
  }
}

TEST(ZoomedView, ReadoutsAndThePickTakeThePixelUnderThePointer) {
  const struct {
    double zoom;
    QPointF offset;  // past the border, in screen pixels
    int x, y;
  } cases[] = {{0.125, {10.5, 3.9}, 84, 31}, {0.125, {0.2, 0.99}, 1, 7}, {4, {13.9, 6.2}, 3, 1}, {4, {3.99, 4}, 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.zoom << " " << c.x << "," << c.y);
    TestWindow t;
    t->pictureBox->setPicture(Distinct(400, 240));
    t->pictureBox->setZoom(c.zoom);
    Move(t->pictureBox, c.offset + QPointF(1, 1));
    Press(t->pictureBox, c.offset + QPointF(1, 1), Qt::RightButton);
    EXPECT_EQ(Readout(t), t->pictureBox->Point(c.x, c.y));
    EXPECT_EQ(t->removeColourButton->BackColor(), t->pictureBox->Point(c.x, c.y));
    EXPECT_EQ(t->targetRed, c.x % 256);
    EXPECT_EQ(t->targetGreen, c.y);
  }
}

TEST(ZoomedView, TheDragFollowsThePointerAsAt100Percent) {
  for (const double zoom : {1.0, 0.25, 4.0}) {
    SCOPED_TRACE(zoom);
    TestWindow t;
    t->pictureBox->setPicture(Distinct(400, 240));
    t->pictureBox->setZoom(zoom);
    const QPoint before = t->pictureBox->pos();
    Press(t->pictureBox, {20, 20}, Qt::LeftButton);
    const QPoint pointer = t->pictureBox->mapToGlobal(QPoint(80, 50));
    // The box goes where the pointer went, to within one picture pixel.
    const int slack = zoom > 1 ? int(zoom) : 0;
    for (int i = 0; i < 3; ++i) {
      Move(t->pictureBox, t->pictureBox->mapFromGlobal(QPointF(pointer)), Qt::LeftButton);
      const QPoint moved = t->pictureBox->pos() - before;
      EXPECT_LE(std::abs(moved.x() - 60), slack) << i;
      EXPECT_LE(std::abs(moved.y() - 30), slack) << i;
    }
  }
}

TEST(ZoomedView, FitShowsAVeryWideOrTallPictureWholeInTheFrame) {
  for (const QSize size : {QSize(10000, 100), QSize(100, 10000), QSize(31, 17)}) {
    SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
    TestWindow t;
    t->pictureBox->setPicture(MakePicture(size.width(), size.height(), [](int, int) { return 0x336699; }));
    t->pictureBox->FitZoom();
    const QRect room = t->pictureFrame->rect().adjusted(1, 1, -1, -1), box = t->pictureBox->geometry();
    EXPECT_TRUE(room.contains(box));
    // As large as fits: the longer side fills the room, up to a whole zoom.
    const double zoom = t->pictureBox->Zoom();
    EXPECT_TRUE(box.width() + zoom > room.width() || box.height() + zoom > room.height() || zoom == platform::MaxZoom);
    EXPECT_LE(std::abs((room.center() - box.center()).x()), 1);
    EXPECT_LE(std::abs((room.center() - box.center()).y()), 1);
    EXPECT_DOUBLE_EQ(t->pictureBox->ScaleWidth(), size.width()) << "the scale stays in picture pixels";
  }
}

TEST(ZoomedView, ALoadStartsAt100Percent) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("otra.bmp"));
  ASSERT_TRUE(Distinct(50, 30).save(path, "BMP"));
  TestWindow t;
  t->pictureBox->FitZoom();
  t->pictureBox->setZoom(4);
  t.dialogs.openAnswers.push_back(testsupport::ScriptedDialogs::Choose(path));
  t->openImage();
  EXPECT_EQ(t->pictureBox->Zoom(), 1);
  EXPECT_EQ(t->pictureBox->size(), QSize(52, 32));
}

TEST(ZoomedView, AFilterRunGivesTheSamePixelsAtAnyZoom) {
  const QImage picture = Distinct(300, 200);
  QImage at100;
  for (const double zoom : {1.0, 0.125, 4.0}) {
    TestWindow t;
    t->pictureBox->setPicture(picture);
    t->pictureBox->setZoom(zoom);
    t->targetRed = 100, t->targetGreen = 100, t->targetBlue = 0;
    t->removeColourClicked();
    t->greyTypeClicked();
    if (zoom == 1)
      at100 = t->pictureBox->Image();
    else
      EXPECT_EQ(testsupport::FirstDifference(t->pictureBox->Image(), at100), QString()) << zoom;
  }
}

TEST(ZoomedView, CtrlWheelZoomsAboutThePointerAndTheKeysStepFitAndReset) {
  // Over the picture and over the frame left of it: the picture point under
  // the pointer stays under it, to within a screen pixel.
  for (const bool overFrame : {false, true}) {
    TestWindow t;
    t->pictureBox->setPicture(Distinct(400, 240));
    QWidget* target = overFrame ? static_cast<QWidget*>(t->pictureFrame) : t->pictureBox;
    const QPointF inFrame = QPointF(t->pictureBox->x() + (overFrame ? -10 : 101), t->pictureBox->y() + 61);
    const auto pointUnder = [&] { return (inFrame.x() - t->pictureBox->x() - 1) / t->pictureBox->Zoom(); };
    const double before = pointUnder();
    for (const auto& [delta, zoom] : {std::pair{120, 2.0}, {120, 4.0}, {-120, 2.0}, {-120, 1.0}, {-120, 0.5}}) {
      const QPointF at = overFrame ? inFrame : inFrame - QPointF(t->pictureBox->pos());
      QWheelEvent wheel(at, target->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::ControlModifier,
                        Qt::NoScrollPhase, false);
      QApplication::sendEvent(target, &wheel);
      EXPECT_EQ(t->pictureBox->Zoom(), zoom);
      EXPECT_NEAR(pointUnder(), before, 1 / zoom) << overFrame << " " << zoom;
    }
  }
  TestWindow t;
  t->pictureBox->setPicture(Distinct(4000, 300));
  const auto press = [&](const char* key) {
    for (QShortcut* s : t->pictureBox->findChildren<QShortcut*>())
      if (s->key() == QKeySequence(QString::fromLatin1(key))) return emit s->activated();
    ADD_FAILURE() << key;
  };
  const struct {
    const char* key;
    double zoom;
  } keys[] = {{"Ctrl++", 2}, {"Ctrl+=", 4}, {"Ctrl+-", 2}, {"Ctrl+0", 0.222}, {"Ctrl+1", 1}};
  for (const auto& k : keys) {
    press(k.key);
    EXPECT_NEAR(t->pictureBox->Zoom(), k.zoom, k.zoom / 10) << k.key;
  }
}

TEST(ZoomedView, ZoomedOutTheViewShowsWhatAnUndoOrAPageStepPutInPlace) {
  const QImage picture = Distinct(400, 300);
  const std::function<void(TestWindow&)> edits[] = {
      [](TestWindow& t) {
        t->whitenClicked();
        t->pictureBox->grab();  // the view averaged from the whitened image
        testsupport::Press(t.window(), QKeySequence(Qt::CTRL | Qt::Key_Z));
      },
      [](TestWindow& t) { t->localBlackWhiteClicked(); },
  };
  for (const auto& edit : edits) {
    TestWindow t;
    const auto show = [](TestWindow& w, const QImage& image) {
      w->pictureBox->setPicture(image);
      w->pictureBox->setZoom(0.25);
      return w->pictureBox->grab().toImage();
    };
    const QImage before = show(t, picture);
    edit(t);
    const QImage shown = t->pictureBox->grab().toImage();
    TestWindow fresh;  // the same image shown from the start
    const QImage expected = show(fresh, t->pictureBox->Image());
    if (t->undoHistory.Done() > 0) ASSERT_NE(testsupport::FirstDifference(expected, before), QString());
    EXPECT_EQ(testsupport::FirstDifference(shown, expected), QString());
  }
}

TEST(ZoomedView, TheWheelPansAPictureLargerThanTheFrameAsFarAsItsEdges) {
  const auto turn = [](TestWindow& t, int delta, Qt::KeyboardModifiers modifiers) {
    const QPointF at(5, 5);
    QWheelEvent wheel(at, t->pictureBox->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, modifiers, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(t->pictureBox, &wheel);
  };
  const struct {
    QSize picture;
    double zoom;
    Qt::KeyboardModifiers modifiers;
    bool moves;
  } cases[] = {{{1200, 3000}, 1, Qt::NoModifier, true},
               {{3000, 400}, 1, Qt::ShiftModifier, true},
               {{4000, 4000}, 0.5, Qt::NoModifier, true},
               {{300, 200}, 1, Qt::NoModifier, false},
               {{3000, 400}, 1, Qt::NoModifier, false}};  // it fits the frame's height
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.picture.width() << "x" << c.picture.height() << " " << c.zoom);
    TestWindow t;
    t->pictureBox->setPicture(Distinct(c.picture.width(), c.picture.height()));
    t->fitToScreen();
    if (c.zoom != 1) t->pictureBox->setZoom(c.zoom);
    const bool sideways = c.modifiers & Qt::ShiftModifier;
    const auto pos = [&] { return sideways ? t->pictureBox->x() : t->pictureBox->y(); };
    const int room = sideways ? t->pictureFrame->width() - 2 : t->pictureFrame->height() - 2;
    const int size = sideways ? t->pictureBox->width() : t->pictureBox->height();
    const int start = pos();
    turn(t, -120, c.modifiers);
    if (!c.moves) {
      EXPECT_EQ(pos(), start);
      EXPECT_EQ(t->pictureBox->Zoom(), c.zoom);
      continue;
    }
    EXPECT_LT(pos(), start);
    EXPECT_EQ(t->pictureBox->Zoom(), c.zoom) << "the wheel alone never zooms";
    for (int i = 0; i < 1000 && pos() + size > room + 1; ++i) turn(t, -120, c.modifiers);
    EXPECT_EQ(pos() + size, room + 1) << "the far edge stops at the frame's";
    for (int i = 0; i < 1000 && pos() < 1; ++i) turn(t, 120, c.modifiers);
    EXPECT_EQ(pos(), 1) << "the near edge stops at the frame's";
  }
}

TEST(ZoomedView, EveryChangeOfThePictureIsShownAtEveryZoom) {
  QTemporaryDir dir;
  const QString other = dir.filePath(QStringLiteral("otra.bmp"));
  ASSERT_TRUE(Distinct(90, 70).save(other, "BMP"));
  // What the view must show of image at zoom: zoomed out, each screen pixel
  // the average of the pixels it stands for; zoomed in, each pixel repeated.
  const auto reduced = [](const QImage& image, double zoom) {
    const int w = platform::ShownSize(image.width(), zoom), h = platform::ShownSize(image.height(), zoom);
    if (zoom >= 1) return image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QImage view(w, h, QImage::Format_RGB32);
    platform::AverageColumns(image, view, 0, w - 1);
    return view;
  };
  const auto undo = [](TestWindow& t) { testsupport::Press(t.window(), QKeySequence(Qt::CTRL | Qt::Key_Z)); };
  const auto redo = [](TestWindow& t) { testsupport::Press(t.window(), QKeySequence(Qt::CTRL | Qt::Key_Y)); };
  const auto nothing = [](TestWindow&) {};
  const struct {
    const char* change;
    std::function<void(TestWindow&)> before, make;  // the view is shown between the two
  } changes[] = {
      {"a run", nothing, [](TestWindow& t) { t->whitenClicked(); }},
      {"a run stopped", nothing,
       [](TestWindow& t) {
         t.onYield = [&t](int n) {
           if (n == 150) t->stopClicked();
         };
         t->targetRed = 100, t->targetGreen = 100, t->targetBlue = 0;
         t->removeColourClicked();
       }},
      {"an undo", [](TestWindow& t) { t->greyTypeClicked(); }, undo},
      {"a redo",
       [&](TestWindow& t) {
         t->greyTypeClicked();
         undo(t);
       },
       redo},
      {"a page step", nothing, [](TestWindow& t) { t->localBlackWhiteClicked(); }},
      {"a page step undone", [](TestWindow& t) { t->localBlackWhiteClicked(); }, undo},
      {"a load", nothing, [&](TestWindow& t) { t->openDroppedFile(other); }},
      {"a load undone", [&](TestWindow& t) { t->openDroppedFile(other); }, undo},
      {"a load redone",
       [&](TestWindow& t) {
         t->openDroppedFile(other);
         undo(t);
       },
       redo},
  };
  for (const auto& change : changes) {
    for (const double zoom : {0.25, 1.0, 2.0}) {
      SCOPED_TRACE(testing::Message() << change.change << " at " << zoom);
      TestWindow t;
      t->pictureBox->setPicture(Distinct(400, 300));
      t->pictureBox->setZoom(zoom);
      change.before(t);
      if (t->pictureBox->Zoom() != zoom) t->pictureBox->setZoom(zoom);
      const QImage before = t->pictureBox->Image();
      t->pictureBox->grab();  // the view as it was, kept where the view keeps it
      change.make(t);
      ASSERT_NE(testsupport::FirstDifference(t->pictureBox->Image(), before), QString()) << "nothing changed";
      const QImage shown = t->pictureBox->grab().toImage();
      const QImage expected = reduced(t->pictureBox->Image(), t->pictureBox->Zoom());
      EXPECT_EQ(
          testsupport::FirstDifference(
              shown.copy(1, 1, expected.width(), expected.height()).convertToFormat(QImage::Format_RGB32), expected),
          QString());
    }
  }
}
