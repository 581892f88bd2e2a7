// The keyboard as a user meets it: where the focus starts, what Space and
// Enter press, and which texts turn white on a dark background.
#include "support/test_window.h"
#include "window/forms/runtime.h"

#include <QApplication>
#include <QKeyEvent>
#include <cstdlib>
#include <gtest/gtest.h>

using testsupport::TestWindow;

namespace {

// A key pressed and released on the widget that has the focus.
void typeKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = QApplication::focusWidget();
  ASSERT_NE(target, nullptr);
  const QString text = key == Qt::Key_Space ? QStringLiteral(" ") : QStringLiteral("\r");
  QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
  QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(target, &down);
  QApplication::sendEvent(target, &up);
}

class Keyboard : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(testsupport::Activate(t.window())); }
  TestWindow t;
};

TEST_F(Keyboard, TheFileListHasTheFirstFocusAndSpaceThereEndsNothing) {
  EXPECT_EQ(QApplication::focusWidget(), t->fileList);
  typeKey(Qt::Key_Space);  // ending the program here fails the test
  EXPECT_EQ(QApplication::focusWidget(), t->fileList);
  typeKey(Qt::Key_Return);
  EXPECT_TRUE(t.dialogs.openCalls.empty());
}

TEST_F(Keyboard, SpaceAndEnterPressTheFocusedButton) {
  const struct {
    int key;
    Qt::KeyboardModifiers modifiers;
    bool presses;
  } cases[] = {{Qt::Key_Space, Qt::NoModifier, true},
               {Qt::Key_Return, Qt::NoModifier, true},
               {Qt::Key_Enter, Qt::KeypadModifier, true},
               {Qt::Key_Return, Qt::ControlModifier, false},
               {Qt::Key_Return, Qt::AltModifier, false}};
  for (const auto& c : cases) {
    t->stopRequested = false;
    t->stopButton->setFocus();
    typeKey(c.key, c.modifiers);
    EXPECT_EQ(t->stopRequested, c.presses) << "stop button, key " << c.key;
    t.dialogs.openCalls.clear();
    t->openButton->setFocus();
    typeKey(c.key, c.modifiers);
    EXPECT_EQ(t.dialogs.openCalls.size(), c.presses ? 1u : 0u) << "open button, key " << c.key;
  }
}

// The program really ends, in a child process: an exception thrown out of
// the key's handler would have to cross Qt's own frames.
TEST_F(Keyboard, TheExitButtonEndsWithEnter) {
  t->exitButton->setFocus();
  EXPECT_EXIT(
      {
        platform::testing::SetEnd({});
        typeKey(Qt::Key_Return);
        std::_Exit(3);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(Keyboard, ThePictureBoxesShowTheFocusInsideTheirBorder) {
  const QImage picture = t->pictureBox->Image();
  for (platform::PictureBox* box : {t->pictureFrame, t->pictureBox}) {
    t->fileList->setFocus();
    const QImage without = box->grab().toImage();
    box->setFocus();
    ASSERT_TRUE(box->hasFocus());
    const QImage with = box->grab().toImage();
    int changed = 0;
    for (int x = 1; x < with.width() - 1; ++x) changed += with.pixel(x, 1) != without.pixel(x, 1);
    EXPECT_GT(changed, with.width() / 4) << box->Name().toStdString();
    EXPECT_EQ(with.pixel(0, 0), without.pixel(0, 0)) << "the border itself stays";
    EXPECT_EQ(with.pixel(with.width() / 2, with.height() / 2),
              without.pixel(without.width() / 2, without.height() / 2));
  }
  EXPECT_EQ(testsupport::FirstDifference(t->pictureBox->Image(), picture), "") << "the frame never enters the image";
}

TEST(ReadoutText, WhiteOnADarkSampleBlackOnALightOne) {
  TestWindow t;
  const struct {
    platform::ColorValue colour;
    QColor text;
  } cases[] = {{0x000000, Qt::white}, {0xFFFFFF, Qt::black}, {0x757575, Qt::white}, {0x767676, Qt::black},
               {0xFF0000, Qt::white}, {0x0000FF, Qt::black}, {0x00FFFF, Qt::black}};
  for (const auto& c : cases) {
    t->pictureBox->setPicture(testsupport::MakePicture(4, 4, [&](int, int) { return c.colour; }));
    t->pointerMoved(0, 1, 1);
    EXPECT_EQ(t->meanBox->BackColor(), c.colour);
    EXPECT_EQ(t->meanBox->palette().color(QPalette::Text), c.text) << std::hex << c.colour;
    t->picturePressed(1, 1);
    const QImage face = t->removeColourButton->grab().toImage();
    // The caption's strokes: pixels far from the face colour, inside the edges.
    int strokes = 0;
    for (int y = 5; y < face.height() - 5; ++y)
      for (int x = 5; x < face.width() - 5; ++x) strokes += std::abs(qGray(face.pixel(x, y)) - c.text.lightness()) < 60;
    EXPECT_GT(strokes, 10) << "caption of the target colour button on " << std::hex << c.colour;
  }
}

}  // namespace
