// Shift held over the picture or over a filter's button: the view shows,
// device pixel by device pixel, what the pointer would read there after the
// filter (or tinted where colour removal would change it), and nothing else
// of the window changes.
#include "pixels/zoom.h"
#include "support/mouse.h"
#include "support/test_form.h"

#include <QClipboard>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <gtest/gtest.h>

using namespace colourtest;
using platform::ColorValue;
using testsupport::MakePicture;
using testsupport::TestForm;

namespace {

// Everything the preview must leave as it found it.
struct Untouched {
  QImage image;
  int steps, done;
  std::size_t bytes;
  QString clipboard;
  QImage clipboardImage;
  QStringList readouts;
  bool operator==(const Untouched&) const = default;
};

Untouched Snapshot(TestForm& t) {
  const QClipboard* c = QGuiApplication::clipboard();
  return {t->Picture1->Image(), t->UndoHistory.Steps(), t->UndoHistory.Done(), t->UndoHistory.Bytes(), c->text(),
          c->image(), {t->Text3[0]->Text(), t->Text3[1]->Text(), t->Text3[2]->Text(), t->Text4->Text()}};
}

void Shift(QWidget& form, QEvent::Type type) {
  QKeyEvent key(type, Qt::Key_Shift, type == QEvent::KeyPress ? Qt::ShiftModifier : Qt::NoModifier);
  QApplication::sendEvent(&form, &key);
}

}  // namespace

TEST(ShiftPreview, TheViewShowsTheFilterOrTheChangesItWouldMakeAndNothingElseChanges) {
  const struct {
    const char* over;  // "picture" or the button's name
    double zoom;
    int ratio;
  } cases[] = {{"picture", 1, 1},     {"picture", 3, 2},     {"picture", 1.0 / 3, 1}, {"picture", 0.5, 2},
               {"Command1", 0.25, 1}, {"Command3", 1, 2},    {"Command6", 3, 1},      {"Command6", 0.5, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.over << " zoom " << c.zoom << " ratio " << c.ratio);
    TestForm t;
    // Smooth colours, so that removal takes a patch; pure white and black in
    // between, which removal and whitening treat apart.
    t->Picture1->setPicture(MakePicture(61, 47, [](int x, int y) {
      return x % 9 == 0 ? 0xFFFFFF : y % 11 == 0 ? 0 : platform::RGB(4 * x, 5 * y, 3 * (x + y));
    }));
    t->Picture1->setZoom(c.zoom);
    t->Picture1->Move(-300, -150);  // partly out of the frame
    QWidget* under = t->Picture1;
    if (QString(c.over) == "Command6") Press(t->Picture1, OverPixel(21, 17), Qt::RightButton);
    if (QString(c.over) != "picture") under = t->findChild<QWidget*>(c.over);
    Move(t->Picture1, OverPixel(13, 8));  // the colour a press would take as target
    const ColorValue sampled = t->SampledColor;
    const Untouched before = Snapshot(t);

    Shift(t.form(), QEvent::KeyPress);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), under->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(under, &enter);
    ASSERT_TRUE(t->Picture1->ShownPreview().has_value());
    QWidget* frame = t->Picture2;
    QImage screen(frame->size() * c.ratio, QImage::Format_RGB32);
    screen.setDevicePixelRatio(c.ratio);
    frame->render(&screen);
    Shift(t.form(), QEvent::KeyRelease);
    EXPECT_FALSE(t->Picture1->ShownPreview().has_value());
    EXPECT_TRUE(Snapshot(t) == before) << "the preview changed the picture, the history, the clipboard or a readout";

    // What each device pixel must show: the picture pixel the pointer would
    // read at its centre, after the filter's run or tinted where removal
    // with the sampled colour as target would change it.
    QImage after = before.image;
    const filters::ChangesTinted tinted(filters::RemovalRule(sampled & 0xFF, (sampled >> 8) & 0xFF,
                                                             (sampled >> 16) & 0xFF, t->Command7->BackColor()));
    if (under != t->Picture1) {
      static_cast<platform::CommandButton*>(under)->Click();
      after = t->Picture1->Image();
      ASSERT_NE(after, before.image) << "the run changes nothing: the case cannot tell";
    }
    const QRect box = t->Picture1->geometry();
    const QRect inner = box.adjusted(1, 1, -1, -1) & frame->rect().adjusted(1, 1, -1, -1);
    ASSERT_FALSE(inner.isEmpty());
    int changed = 0;
    for (int dy = inner.top() * c.ratio; dy < (inner.bottom() + 1) * c.ratio; ++dy)
      for (int dx = inner.left() * c.ratio; dx < (inner.right() + 1) * c.ratio; ++dx) {
        const double lx = (dx + 0.5) / c.ratio - box.left() - 1, ly = (dy + 0.5) / c.ratio - box.top() - 1;
        const int x = platform::PixelUnder(lx, after.width(), box.width() - 2);
        const int y = platform::PixelUnder(ly, after.height(), box.height() - 2);
        QRgb want = after.pixel(x, y);
        if (under == t->Picture1) want = tinted(want);
        changed += want != before.image.pixel(x, y);
        ASSERT_EQ(screen.pixel(dx, dy), want) << "device " << dx << "," << dy << " picture " << x << "," << y;
      }
    EXPECT_GT(changed, 0);
  }
}
