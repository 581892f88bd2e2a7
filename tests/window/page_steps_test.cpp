// The page steps in the window: the picture's menu of filters, their keys,
// a run off the window's thread with its undo step, its stop and a picture
// loaded under it, and the result shown with Shift held over the menu.
#include "support/filter_support.h"
#include "support/mouse.h"
#include "window/model/page_jobs.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using filtertest::Difference;
using testsupport::Press;
using testsupport::TestWindow;

namespace {

const QStringList Finished{QStringLiteral("Dibujo terminado")};
const QKeySequence Undo(Qt::CTRL | Qt::Key_Z), Redo(Qt::CTRL | Qt::Key_Y);

// The core's own function on the picture.
QImage Expected(QImage picture, const filters::Step& step) {
  EXPECT_TRUE(filters::RunStep(picture, step, nullptr));
  return picture;
}

QMenu* OpenMenu(TestWindow& t) {
  const QPoint at = colourtest::OverPixel(10, 10).toPoint();
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, t->pictureBox->mapToGlobal(at));
  QApplication::sendEvent(t->pictureBox, &event);
  return t->findChild<QMenu*>(QStringLiteral("filterMenu"));
}

QList<QAction*> Items(QMenu* menu) {
  QList<QAction*> items;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) items += a;
  return items;
}

}  // namespace

TEST(PageSteps, TheMenuListsEveryFilterAndEachItemRunsItsFilter) {
  const QStringList names{"Quitar este color", "Blanco y negro", "Blanquear", "Fondo blanco", "Blanco y negro local"};
  const std::function<void(MainWindow&)> same[] = {
      [](MainWindow& w) { w.removeColourButton->click(); }, [](MainWindow& w) { w.greyTypeButton->click(); },
      [](MainWindow& w) { w.whitenButton->click(); },       [](MainWindow& w) { w.whiteBackgroundClicked(); },
      [](MainWindow& w) { w.localBlackWhiteClicked(); },
  };
  for (int i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i].toStdString());
    TestWindow t, reference;
    for (TestWindow* w : {&t, &reference}) (*w)->targetRed = 250, (*w)->targetGreen = 250, (*w)->targetBlue = 250;
    QMenu* menu = OpenMenu(t);
    ASSERT_TRUE(menu && menu->isVisible());
    QStringList shown;
    for (QAction* a : Items(menu)) shown += a->text();
    ASSERT_EQ(shown, names);
    menu->hide();
    Items(menu)[i]->trigger();
    same[i](reference.window());
    EXPECT_NE(Difference(t->pictureBox->Image(), t->pictureBox->Picture()), "");
    EXPECT_EQ(Difference(t->pictureBox->Image(), reference->pictureBox->Image()), "");
    EXPECT_EQ(t.dialogs.messages, Finished);
    EXPECT_EQ(t->undoHistory.Steps(), 1);
  }
}

TEST(PageSteps, EachKeyGivesTheCoreStepsPixelsAsOneUndoStep) {
  const struct {
    QKeySequence keys;
    filters::Step step;
  } cases[] = {{QKeySequence(Qt::CTRL | Qt::Key_F), filters::WhiteBackgroundStep{}},
               {QKeySequence(Qt::CTRL | Qt::Key_B), filters::LocalBlackWhiteStep{}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys.toString().toStdString());
    TestWindow t;
    t->pictureBox->setPicture(filtertest::MixedPicture(173, 61));
    const QImage start = t->pictureBox->Image();
    const QImage expected = Expected(start, c.step);
    Press(t.window(), c.keys);
    EXPECT_EQ(Difference(t->pictureBox->Image(), expected), "");
    EXPECT_EQ(t->progressLabel->Caption(), "100 %");
    EXPECT_EQ(t.dialogs.messages, Finished);
    EXPECT_GE(t.yields, 1);
    Press(t.window(), Undo);
    EXPECT_EQ(Difference(t->pictureBox->Image(), start), "");
    Press(t.window(), Redo);
    EXPECT_EQ(Difference(t->pictureBox->Image(), expected), "");
    EXPECT_EQ(t->undoHistory.Steps(), 1);
  }
}

TEST(PageSteps, AStopOrAnotherPictureDuringTheRunLeavesThePictureAndTheHistoryAlone) {
  const struct {
    const char* what;
    std::function<void(TestWindow&)> atYield;
    const char* message;
  } cases[] = {
      {"the stop button", [](TestWindow& t) { t->stopButton->click(); }, "Dibujo terminado"},
      {"Esc", [](TestWindow& t) { Press(t.window(), QKeySequence(Qt::Key_Escape)); }, "Dibujo terminado"},
      {"another picture", [](TestWindow& t) { t->pictureBox->setPicture(filtertest::MixedPicture(40, 30)); },
       "La imagen cambió mientras «Fondo blanco» estaba en marcha: no se ha aplicado."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestWindow t;
    t->whitenButton->click();  // a step of the history that must stay the last
    const QImage before = t->pictureBox->Image();
    t.dialogs.messages.clear();
    const int yields = t.yields;  // the whitening's
    t.onYield = [&](int n) {
      if (n == yields + 1) c.atYield(t);
    };
    t->whiteBackgroundClicked();
    t.onYield = nullptr;
    const QImage expected = QString(c.what) == "another picture" ? t->pictureBox->Picture() : before;
    EXPECT_EQ(Difference(t->pictureBox->Image(), expected), "");
    EXPECT_EQ(t.dialogs.messages, QStringList{QString::fromUtf8(c.message)});
    EXPECT_EQ(t->undoHistory.Steps(), 1);
    EXPECT_EQ(t->undoHistory.Done(), 1);
  }
}

TEST(PageSteps, ShiftOverAMenuItemShowsItsResultAndAppliesNothing) {
  TestWindow t;
  t->pictureBox->setPicture(filtertest::MixedPicture(90, 70));
  const QImage start = t->pictureBox->Image();
  QMenu* menu = OpenMenu(t);
  ASSERT_TRUE(menu && menu->isVisible());
  menu->setActiveAction(Items(menu)[4]);
  QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
  QApplication::sendEvent(menu, &shift);
  const auto shown = [&]() -> QImage {
    const auto& preview = t->pictureBox->ShownPreview();
    const auto* result = preview ? std::get_if<filters::ComputedResult>(&*preview) : nullptr;
    return result ? result->picture : QImage();
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return !shown().isNull(); }, 120000));
  EXPECT_EQ(Difference(shown(), Expected(start, filters::LocalBlackWhiteStep{})), "");
  menu->setActiveAction(Items(menu)[2]);
  EXPECT_TRUE(std::holds_alternative<filters::WhiteningRule>(t->pictureBox->ShownPreview().value()));
  menu->hide();
  EXPECT_FALSE(t->pictureBox->ShownPreview().has_value());
  EXPECT_EQ(Difference(t->pictureBox->Image(), start), "");
  EXPECT_EQ(t->undoHistory.Steps(), 0);
  EXPECT_TRUE(t.dialogs.messages.isEmpty());
}

TEST(PageSteps, ClosingTheWindowDuringTheRunEndsItWithNothingApplied) {
  TestWindow t;
  t->pictureBox->setPicture(filtertest::MixedPicture(300, 200));
  const QImage before = t->pictureBox->Image();
  // Closing the window ends the program as the exit button does; ending it
  // through close() would unwind through Qt's own frames, which do not allow it.
  t.onYield = [&](int n) {
    if (n == 1) t->exitClicked();
  };
  testsupport::ExpectEnd([&] { t->localBlackWhiteClicked(); });
  t.onYield = nullptr;
  EXPECT_EQ(Difference(t->pictureBox->Image(), before), "");
  EXPECT_EQ(t->undoHistory.Steps(), 0);
  EXPECT_TRUE(t.dialogs.messages.isEmpty());
}
