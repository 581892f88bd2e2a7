// The window as built, read back from the widgets.
#include "support/test_window.h"

#include <QFontInfo>
#include <QLabel>
#include <gtest/gtest.h>

#include <set>

using namespace platform;
using testsupport::TestWindow;

namespace {
// The bottom edge of a widget, one past its last row.
int bottom(const QWidget* w) { return w->y() + w->height(); }
int right(const QWidget* w) { return w->x() + w->width(); }
}  // namespace

// What the user sees of the layout before start-up fits it to the screen: the
// buttons and settings in one column down the left edge, the sampled colour's
// readouts and the exit button in one row along the top, and the picture's
// frame in the room these leave.
TEST(Window, LaysOutAColumnOfButtonsARowOfReadoutsAndThePicturesFrame) {
  TestWindow t(false);
  ASSERT_EQ(t->controls().size(), 23u);
  for (platform::Control* c : t->controls()) {
    const QWidget* w = c->widget();
    const QWidget* parent = w == t->pictureBox ? static_cast<QWidget*>(t->pictureFrame) : &t.window();
    EXPECT_EQ(w->parentWidget(), parent) << c->Name().toStdString();
    EXPECT_TRUE(parent->rect().contains(w->geometry())) << c->Name().toStdString() << " lies outside its parent";
  }

  // Down the left edge, each control under the one before with no gap
  // between them, all as wide as the column.
  const std::vector<QWidget*> column = {t->openButton,     t->fileList,           t->whitenButton,
                                        t->greyTypeButton, t->saveButton,         t->copyButton,
                                        t->stopButton,     t->removeColourButton, t->replacementButton};
  for (std::size_t i = 0; i < column.size(); ++i) {
    const std::string name = column[i]->objectName().toStdString();
    EXPECT_EQ(column[i]->x(), 0) << name;
    EXPECT_EQ(column[i]->width(), column[0]->width()) << name;
    if (i == 0 || column[i - 1] == t->greyTypeButton) continue;
    EXPECT_GT(column[i]->y(), column[i - 1]->y()) << name;
    EXPECT_LE(column[i]->y(), bottom(column[i - 1])) << name;
  }
  // Between the grey-type button and the save button, the settings it reads,
  // each box over its label.
  for (auto [box, label] : {std::pair<QWidget*, QWidget*>{t->greyTypeBox, t->greyTypeLabel},
                            std::pair<QWidget*, QWidget*>{t->toleranceBox, t->toleranceLabel}}) {
    const std::string name = box->objectName().toStdString();
    EXPECT_GE(box->y(), bottom(t->greyTypeButton)) << name;
    EXPECT_LE(bottom(label), t->saveButton->y() + 1) << name;
    EXPECT_NEAR(label->y(), bottom(box), 1) << name;
    EXPECT_EQ(label->x(), box->x()) << name;
    EXPECT_LE(right(label), right(t->greyTypeButton)) << name;
  }
  EXPECT_LT(right(t->greyTypeBox), t->toleranceBox->x());

  // Along the top, right of the column, left to right.
  const std::vector<QWidget*> row = {t->redBox,  t->greenBox,      t->blueBox,   t->meanLabel,
                                     t->meanBox, t->progressLabel, t->exitButton};
  EXPECT_EQ(row[0]->x(), right(t->openButton) - 1);
  for (std::size_t i = 0; i < row.size(); ++i) {
    EXPECT_LE(row[i]->y(), 8) << row[i]->objectName().toStdString();
    if (i == 0) continue;
    EXPECT_GE(row[i]->x(), right(row[i - 1]) - 1) << row[i]->objectName().toStdString();
  }

  // The frame below the row, right of the column; the picture inside it.
  EXPECT_EQ(t->pictureFrame->x(), right(t->openButton) - 1);
  EXPECT_EQ(t->pictureFrame->y(), bottom(t->openButton) - 1);
  EXPECT_TRUE(t->pictureFrame->rect().adjusted(1, 1, -1, -1).contains(t->pictureBox->geometry()));
  EXPECT_EQ(t->windowTitle(), "");
}

TEST(Window, TabIndexesAreUsedOnceAndTheFocusFollowsThem) {
  TestWindow t(false);
  std::set<int> tabs;
  for (platform::Control* c : t->controls()) tabs.insert(c->TabIndex());
  EXPECT_EQ(tabs.size(), 23u);
  EXPECT_EQ(*tabs.begin(), 0);
  EXPECT_EQ(*tabs.rbegin(), 22);

  const std::vector<QWidget*> expected = {
      t->fileList,          t->whitenButton,
      t->greyTypeButton,    t->copyButton,
      t->greyTypeBox,       t->redBox,
      t->greenBox,          t->blueBox,
      t->meanBox,           t->toleranceBox,
      t->stopButton,        t->openButton,
      t->saveButton,        t->removeColourButton,
      t->replacementButton, t->pictureFrame,
      t->pictureBox,        t->exitButton};  // labels and the hidden chosenNameBox take no focus
  const std::set<QWidget*> controls(expected.begin(), expected.end());
  auto nextControl = [&](QWidget* w) {
    do w = w->nextInFocusChain();
    while (!controls.count(w));
    return w;
  };
  for (std::size_t i = 0; i + 1 < expected.size(); ++i)
    EXPECT_EQ(nextControl(expected[i]), expected[i + 1]) << expected[i]->objectName().toStdString();
  for (QLabel* label : {static_cast<QLabel*>(t->progressLabel), static_cast<QLabel*>(t->meanLabel)})
    EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
}

TEST(Window, InitialTextsColoursAndPictures) {
  TestWindow t(false);
  EXPECT_EQ(t->greyTypeBox->Text(), "140");
  EXPECT_EQ(t->toleranceBox->Text(), "20");
  for (auto* box : {t->redBox, t->greenBox, t->blueBox, t->meanBox}) EXPECT_EQ(box->Text(), "");
  EXPECT_FALSE(t->chosenNameBox->isVisibleTo(&t.window()));
  EXPECT_EQ(t->progressLabel->Caption(), "%");
  EXPECT_EQ(t->meanLabel->Caption(), "Media");
  EXPECT_EQ(t->greyTypeLabel->Caption(), "tipo gris");
  EXPECT_EQ(t->toleranceLabel->Caption(), "distancia media");
  EXPECT_EQ(t->removeColourButton->Caption(), "Quitar este color");
  EXPECT_EQ(t->replacementButton->Caption(), "Reemplazar por este color");
  EXPECT_EQ(t->removeColourButton->BackColor(), 0xFFFFFF);
  EXPECT_EQ(t->replacementButton->BackColor(), 0xFFFFFF);
  EXPECT_EQ(t->redBox->BackColor(), 0x0000FF);
  EXPECT_EQ(t->greenBox->BackColor(), 0x00FF00);
  EXPECT_EQ(t->blueBox->BackColor(), 0xFF8080);
  EXPECT_EQ(t->palette().color(QPalette::Window), QColor(0, 128, 128));

  const struct {
    platform::CommandButton* button;
    const char* tip;
  } pictures[] = {
      {t->exitButton, "Salir"},  {t->openButton, "Abrir imagen"},           {t->saveButton, "Guardar como BMP"},
      {t->stopButton, "Parar"},  {t->copyButton, "Copiar al portapapeles"}, {t->greyTypeButton, nullptr},
      {t->whitenButton, nullptr}};
  for (const auto& p : pictures) {
    EXPECT_FALSE(p.button->Picture().isNull()) << p.button->Name().toStdString();
    EXPECT_GT(p.button->Picture().width(), p.button->width()) << "every button picture is wider than its button";
    EXPECT_TRUE(p.button->Caption().isEmpty());
    EXPECT_FALSE(p.button->toolTip().isEmpty());
    if (p.tip) {
      EXPECT_EQ(p.button->accessibleName(), p.tip);
    }
  }
  EXPECT_EQ(t->pictureBox->Picture().size(), QSize(461, 286));
  EXPECT_FALSE(t->windowIcon().isNull());
  EXPECT_EQ(t->windowIcon().availableSizes().value(0), QSize(32, 32));
}

TEST(Window, FontsResolveToArialMetrics) {
  TestWindow t(false);
  const struct {
    QWidget* w;
    double points;
    bool bold;
  } cases[] = {{t->removeColourButton, 12, false},
               {t->replacementButton, 9.75, false},
               {t->greyTypeBox, 12, true},
               {t->toleranceBox, 12, true},
               {t->meanBox, 18, false},
               {t->redBox, 14.25, false},
               {t->progressLabel, 18, false},
               {t->meanLabel, 14.25, false},
               {t->toleranceLabel, 9.75, false},
               {t->fileList, 9.75, false}};
  for (const auto& c : cases) {
    const QFontInfo info(c.w->font());
    EXPECT_DOUBLE_EQ(c.w->font().pointSizeF(), c.points) << c.w->objectName().toStdString();
    EXPECT_EQ(info.bold(), c.bold) << c.w->objectName().toStdString();
    EXPECT_TRUE(info.family() == "Liberation Sans" || info.family() == "Arial") << info.family().toStdString();
  }
}
