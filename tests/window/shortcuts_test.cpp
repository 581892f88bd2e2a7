// The window's shortcuts, pressed as key events to the widget with the focus.
#include "support/test_window.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using testsupport::FirstDifference;
using testsupport::Press;
using testsupport::TestWindow;

TEST(Shortcuts, EachDoesWhatItsButtonOrTheTextBoxDoes) {
  QClipboard& clipboard = *QGuiApplication::clipboard();
  const struct {
    const char* what;
    QKeySequence keys;
    std::function<void(TestWindow&)> prepare;  // with the window active
    std::function<void(TestWindow&)> check;
  } cases[] = {
      {"Ctrl+O opens", Qt::CTRL | Qt::Key_O, [](TestWindow&) {},
       [](TestWindow& t) { EXPECT_EQ(t.dialogs.openCalls.size(), 1u); }},
      {"Ctrl+S saves", Qt::CTRL | Qt::Key_S, [](TestWindow&) {},
       [](TestWindow& t) { EXPECT_EQ(t.dialogs.saveCalls.size(), 1u); }},
      {"Ctrl+C in a text box without a selection copies the picture", Qt::CTRL | Qt::Key_C,
       [](TestWindow& t) {
         t->whitenButton->click();
         t->greyTypeBox->setFocus();
       },
       [&](TestWindow& t) { EXPECT_EQ(FirstDifference(clipboard.image(), t->pictureBox->Image()), ""); }},
      {"Ctrl+C in the file list copies the picture", Qt::CTRL | Qt::Key_C,
       [](TestWindow& t) {
         t->fileList->setPath(QCoreApplication::applicationDirPath());
         t->fileList->setFocus();
       },
       [&](TestWindow& t) { EXPECT_EQ(FirstDifference(clipboard.image(), t->pictureBox->Image()), ""); }},
      {"Ctrl+C in a text box with a selection copies the text", Qt::CTRL | Qt::Key_C,
       [](TestWindow& t) {
         t->greyTypeBox->setFocus();
         t->greyTypeBox->selectAll();
       },
       [&](TestWindow&) {
         EXPECT_EQ(clipboard.text(), "140");
         EXPECT_TRUE(clipboard.image().isNull());
       }},
      {"Ctrl+Z in a text box undoes the typing, not the run", Qt::CTRL | Qt::Key_Z,
       [](TestWindow& t) {
         t->whitenButton->click();
         t->greyTypeBox->setFocus();
         QTest::keyClicks(t->greyTypeBox, "5");
         EXPECT_EQ(t->greyTypeBox->Text(), "1405");
       },
       [](TestWindow& t) {
         EXPECT_EQ(t->greyTypeBox->Text(), "140");
         EXPECT_EQ(t->undoHistory.Done(), 1);
       }},
      {"Esc during a run's yield stops it", Qt::Key_Escape,
       [](TestWindow& t) {
         t.onYield = [&t](int n) {
           if (n == 1) Press(t.window(), Qt::Key_Escape);
         };
         t->greyTypeButton->click();
       },
       [](TestWindow& t) {
         EXPECT_TRUE(t->stopRequested);
         EXPECT_EQ(t.yields, static_cast<int>(t->pictureBox->ScaleWidth()) + 1);
       }},
  };
  for (const auto& c : cases) {
    TestWindow t;
    clipboard.clear();
    testsupport::Activate(t.window());
    c.prepare(t);
    if (c.keys != QKeySequence(Qt::Key_Escape)) Press(t.window(), c.keys);
    SCOPED_TRACE(c.what);
    c.check(t);
  }
}

TEST(Shortcuts, ButtonTooltipsNameThem) {
  TestWindow t;
  EXPECT_EQ(t->openButton->toolTip(), "Abrir imagen (Ctrl+O)");
  EXPECT_EQ(t->saveButton->toolTip(), "Guardar como BMP (Ctrl+S)");
  EXPECT_EQ(t->copyButton->toolTip(),
            "Copiar al portapapeles (Ctrl+C). Ctrl+Shift+C copia la orden de tintaborra-lote que repite los filtros");
  EXPECT_EQ(t->stopButton->toolTip(), "Parar (Esc)");
  EXPECT_EQ(t->openButton->accessibleName(), "Abrir imagen");
}
