// Shift held over the picture or over a filter's button: each device pixel of
// the view shows the pixel the pointer would read there after the filter's
// run, or tinted where removal would change it, and zoomed out the average
// of those, as the view reduces the picture; nothing else changes.
#include "core/row_walk.h"
#include "support/mouse.h"
#include "support/test_window.h"
#include "window/model/zoom.h"

#include <QClipboard>
#include <QEnterEvent>
#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace colourtest;

TEST(ShiftPreview, TheViewShowsTheFilterOrTheChangesItWouldMakeAndNothingElseChanges) {
  const struct {
    const char* over;  // the button's name, or the picture
    double zoom, ratio;
  } cases[] = {{"pictureBox", 1, 1},
               {"pictureBox", 3, 2},
               {"pictureBox", 1.0 / 3, 1},
               {"pictureBox", 0.5, 1.5},
               {"greyTypeButton", 0.25, 1},
               {"whitenButton", 1, 2},
               {"removeColourButton", 3, 1.25},
               {"removeColourButton", 0.5, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.over << " zoom " << c.zoom << " ratio " << c.ratio);
    testsupport::TestWindow t;
    // Smooth colours, so that removal takes a patch, with pure white and black between.
    t->pictureBox->setPicture(testsupport::MakePicture(61, 47, [](int x, int y) {
      return x % 9 == 0 ? 0xFFFFFF : y % 11 == 0 ? 0 : platform::RGB(4 * x, 5 * y, 3 * (x + y));
    }));
    t->pictureBox->setZoom(c.zoom);
    t->pictureBox->Move(-300, -150);  // partly out of the frame
    auto* under = t->findChild<QWidget*>(c.over);
    if (under == t->removeColourButton) Press(t->pictureBox, OverPixel(21, 17), Qt::RightButton);
    Move(t->pictureBox, OverPixel(40 * c.zoom, 30 * c.zoom));  // the colour a press would take as target
    const auto untouched = [&] {
      const QClipboard* clip = QApplication::clipboard();
      return std::make_tuple(t->pictureBox->Image(), t->undoHistory.Steps(), t->undoHistory.Done(),
                             t->undoHistory.Bytes(), clip->text(), clip->image(), t->redBox->Text(),
                             t->greenBox->Text(), t->blueBox->Text(), t->meanBox->Text());
    };
    const auto before = untouched();
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier), release(QEvent::KeyRelease, Qt::Key_Shift, {});
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), under->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(&t.window(), &shift);
    QApplication::sendEvent(under, &enter);
    QWidget* frame = t->pictureFrame;
    QImage screen((QSizeF(frame->size()) * c.ratio).toSize(), QImage::Format_RGB32);
    screen.setDevicePixelRatio(c.ratio);
    frame->render(&screen);
    QApplication::sendEvent(&t.window(), &release);
    EXPECT_FALSE(t->pictureBox->ShownPreview().has_value());
    EXPECT_TRUE(untouched() == before) << "the picture, the history, the clipboard or a readout changed";

    const QImage original = std::get<0>(before);
    const platform::Channels target = platform::SplitChannels(t->sampledColour);
    const filters::ChangesTinted tinted(
        filters::RemovalRule(target.red, target.green, target.blue, t->replacementButton->BackColor()));
    if (under != t->pictureBox) static_cast<platform::CommandButton*>(under)->Click();
    const QImage after = t->pictureBox->Image();
    const QRect box = t->pictureBox->geometry();
    const QRect inner = box.adjusted(1, 1, -1, -1) & frame->rect().adjusted(1, 1, -1, -1);
    // The picture pixel each device pixel shows, as the pointer reads it there.
    const auto span = [&](int corner, int shown, int size) {
      return platform::SpanOnDevice((corner + 1) * c.ratio, shown, c.ratio, size);
    };
    const platform::DeviceSpan xs = span(box.left(), box.width() - 2, after.width());
    const platform::DeviceSpan ys = span(box.top(), box.height() - 2, after.height());
    // Zoomed out, each device pixel shows the average of the pixels it stands
    // for, as the view shows the picture: those of the filter's result.
    QImage result = after;
    if (under == t->pictureBox)
      for (int y = 0; y < result.height(); ++y)
        for (int x = 0; x < result.width(); ++x) result.setPixel(x, y, tinted(original.pixel(x, y)));
    const bool reduced = xs.count < after.width() || ys.count < after.height();
    const auto reduce = [&](const QImage& picture) {
      QImage view(xs.count, ys.count, QImage::Format_RGB32);
      platform::AverageColumns(picture, view, 0, xs.count - 1);
      return view;
    };
    const QImage resultShown = reduced ? reduce(result) : result, originalShown = reduced ? reduce(original) : original;
    int changed = 0;
    // Device pixels wholly inside the picture's part of the frame.
    for (int dy = int(std::ceil(inner.top() * c.ratio)); dy < int((inner.bottom() + 1) * c.ratio); ++dy)
      for (int dx = int(std::ceil(inner.left() * c.ratio)); dx < int((inner.right() + 1) * c.ratio); ++dx) {
        const int x = reduced ? dx - xs.first : xs.PixelAt(dx), y = reduced ? dy - ys.first : ys.PixelAt(dy);
        const QRgb want = resultShown.pixel(x, y);
        changed += want != originalShown.pixel(x, y);
        ASSERT_EQ(screen.pixel(dx, dy), want) << "device " << dx << "," << dy << " picture " << x << "," << y;
      }
    EXPECT_GT(changed, 0);
  }
}

TEST(ShiftPreview, ZoomedOutThePreviewOfBlackAndWhiteIsTheRunsResultReducedAsTheViewShowsIt) {
  // Cream paper with dark-grey strokes one pixel thin: averaged first, they
  // would be lighter than the threshold and vanish from the preview.
  const QImage page = testsupport::MakePicture(203, 157, [](int x, int y) {
    return x % 7 == 3 || y % 9 == 4 || (x + y) % 23 == 0 ? platform::RGB(70, 70, 72) : platform::RGB(245, 238, 215);
  });
  for (const double zoom : {0.25, 1.0 / 3, 0.5}) {
    SCOPED_TRACE(zoom);
    const auto shown = [&](testsupport::TestWindow& t) {
      t->pictureBox->setZoom(zoom);
      return t->pictureBox->grab().toImage();
    };
    testsupport::TestWindow previewed, ran;
    previewed->pictureBox->setPicture(page);
    previewed->pictureBox->setPreview(filters::GreyTypeRule(140, 20));
    ran->pictureBox->setPicture(page);
    ran->greyTypeClicked();
    const QImage preview = shown(previewed), result = shown(ran);
    EXPECT_EQ(testsupport::FirstDifference(preview, result), QString());
    // The rule over the averaged view gives another picture: the strokes go.
    testsupport::TestWindow averagedFirst;
    averagedFirst->pictureBox->setPicture(page);
    QImage ruleAfter = shown(averagedFirst);
    for (int y = 1; y < ruleAfter.height() - 1; ++y)
      filters::WalkRow(reinterpret_cast<QRgb*>(ruleAfter.scanLine(y)) + 1, ruleAfter.width() - 2,
                       filters::GreyTypeRule(140, 20));
    EXPECT_NE(testsupport::FirstDifference(ruleAfter, result), QString());
  }
}
