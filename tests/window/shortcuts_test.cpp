// The window's shortcuts, pressed as key events to the widget with the focus.
#include "support/test_form.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using testsupport::FirstDifference;
using testsupport::Press;
using testsupport::TestForm;

TEST(Shortcuts, EachDoesWhatItsButtonOrTheTextBoxDoes) {
  QClipboard& clipboard = *QGuiApplication::clipboard();
  const struct {
    const char* what;
    QKeySequence keys;
    std::function<void(TestForm&)> prepare;  // with the window active
    std::function<void(TestForm&)> check;
  } cases[] = {
      {"Ctrl+O opens", Qt::CTRL | Qt::Key_O, [](TestForm&) {},
       [](TestForm& t) { EXPECT_EQ(t.dialogs.openCalls.size(), 1u); }},
      {"Ctrl+S saves", Qt::CTRL | Qt::Key_S, [](TestForm&) {},
       [](TestForm& t) { EXPECT_EQ(t.dialogs.saveCalls.size(), 1u); }},
      {"Ctrl+C in a text box without a selection copies the picture", Qt::CTRL | Qt::Key_C,
       [](TestForm& t) {
         t->Command3->click();
         t->Text2->setFocus();
       },
       [&](TestForm& t) { EXPECT_EQ(FirstDifference(clipboard.image(), t->Picture1->Image()), ""); }},
      {"Ctrl+C in the file list copies the picture", Qt::CTRL | Qt::Key_C,
       [](TestForm& t) {
         t->File1[0]->setPath(QCoreApplication::applicationDirPath());
         t->File1[0]->setFocus();
       },
       [&](TestForm& t) { EXPECT_EQ(FirstDifference(clipboard.image(), t->Picture1->Image()), ""); }},
      {"Ctrl+C in a text box with a selection copies the text", Qt::CTRL | Qt::Key_C,
       [](TestForm& t) {
         t->Text2->setFocus();
         t->Text2->selectAll();
       },
       [&](TestForm&) {
         EXPECT_EQ(clipboard.text(), "140");
         EXPECT_TRUE(clipboard.image().isNull());
       }},
      {"Ctrl+Z in a text box undoes the typing, not the run", Qt::CTRL | Qt::Key_Z,
       [](TestForm& t) {
         t->Command3->click();
         t->Text2->setFocus();
         QTest::keyClicks(t->Text2, "5");
         EXPECT_EQ(t->Text2->Text(), "1405");
       },
       [](TestForm& t) {
         EXPECT_EQ(t->Text2->Text(), "140");
         EXPECT_EQ(t->UndoHistory.Done(), 1);
       }},
      {"Esc during a run's yield stops it", Qt::Key_Escape,
       [](TestForm& t) {
         t.onYield = [&t](int n) {
           if (n == 1) Press(t.form(), Qt::Key_Escape);
         };
         t->Command1->click();
       },
       [](TestForm& t) {
         EXPECT_TRUE(t->StopRequested);
         EXPECT_EQ(t.yields, static_cast<int>(t->Picture1->ScaleWidth()) + 1);
       }},
  };
  for (const auto& c : cases) {
    TestForm t;
    clipboard.clear();
    testsupport::Activate(t.form());
    c.prepare(t);
    if (c.keys != QKeySequence(Qt::Key_Escape)) Press(t.form(), c.keys);
    SCOPED_TRACE(c.what);
    c.check(t);
  }
}

TEST(Shortcuts, ButtonTooltipsNameThem) {
  TestForm t;
  EXPECT_EQ(t->Command5[0]->toolTip(), "Abrir imagen (Ctrl+O)");
  EXPECT_EQ(t->Command5[1]->toolTip(), "Guardar como BMP (Ctrl+S)");
  EXPECT_EQ(t->Command2->toolTip(),
            "Copiar al portapapeles (Ctrl+C). Ctrl+Shift+C copia la orden de tintaborra-lote que repite los filtros");
  EXPECT_EQ(t->Command4->toolTip(), "Parar (Esc)");
  EXPECT_EQ(t->Command5[0]->accessibleName(), "Abrir imagen");
}
