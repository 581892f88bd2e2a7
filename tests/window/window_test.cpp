// The window as built, read back from the widgets.
#include "support/test_form.h"

#include <QFontInfo>
#include <QLabel>
#include <gtest/gtest.h>

#include <set>

using namespace platform;
using testsupport::TestForm;

namespace {
platform::Control* find(Form1& f, const QString& key) {
  for (platform::Control* c : f.Controls())
    if (c->widget()->objectName() == key) return c;
  return nullptr;
}
}  // namespace

TEST(Window, HasTheTwentyThreeControlsAtTheirPixelGeometry) {
  TestForm t(false);
  const struct {
    const char* key;
    QRect pixels;
  } cases[] = {
      {"Command8", {600, 0, 89, 49}},     {"Picture2", {128, 48, 585, 537}}, {"Picture1", {9, 1, 463, 288}},
      {"Command7", {0, 664, 129, 33}},    {"Command6", {0, 632, 129, 33}},   {"Text1", {528, 0, 65, 33}},
      {"Command5(1)", {0, 472, 129, 57}}, {"Command5(0)", {0, 0, 129, 49}},  {"Command4", {0, 584, 129, 49}},
      {"Text5", {64, 408, 41, 25}},       {"Text4", {368, 0, 57, 49}},       {"Text3(2)", {240, 0, 57, 49}},
      {"Text3(1)", {184, 0, 57, 49}},     {"Text3(0)", {128, 0, 57, 49}},    {"Text2", {8, 408, 41, 25}},
      {"Command2", {0, 528, 129, 57}},    {"Command1", {0, 344, 129, 57}},   {"Command3", {0, 288, 129, 57}},
      {"File1(0)", {0, 48, 129, 246}},    {"Label1", {480, 8, 81, 33}},      {"Label3", {304, 8, 53, 22}},
      {"Label2(1)", {8, 432, 49, 25}},    {"Label2(0)", {64, 432, 65, 33}},
  };
  ASSERT_EQ(t->Controls().size(), 23u);
  for (const auto& c : cases) {
    platform::Control* control = find(t.form(), c.key);
    ASSERT_NE(control, nullptr) << c.key;
    // Picture1 lies inside Picture2's one-pixel border.
    EXPECT_EQ(control->widget()->geometry(), c.pixels) << c.key;
    EXPECT_EQ(control->widget()->parentWidget(),
              QString(c.key) == "Picture1" ? static_cast<QWidget*>(t->Picture2) : &t.form())
        << c.key;
  }
  EXPECT_EQ(t->size(), QSize(792, 705));
  EXPECT_EQ(t->windowTitle(), "");
}

TEST(Window, TabIndexesAreUsedOnceAndTheFocusFollowsThem) {
  TestForm t(false);
  std::set<int> tabs;
  for (platform::Control* c : t->Controls()) tabs.insert(c->TabIndex());
  EXPECT_EQ(tabs.size(), 23u);
  EXPECT_EQ(*tabs.begin(), 0);
  EXPECT_EQ(*tabs.rbegin(), 22);

  const std::vector<QWidget*> expected = {
      t->File1[0], t->Command3, t->Command1, t->Command2, t->Text2,       t->Text3[0],    t->Text3[1],
      t->Text3[2], t->Text4,    t->Text5,    t->Command4, t->Command5[0], t->Command5[1], t->Command6,
      t->Command7, t->Picture2, t->Picture1, t->Command8};  // labels and the hidden Text1 take no focus
  const std::set<QWidget*> controls(expected.begin(), expected.end());
  auto nextControl = [&](QWidget* w) {
    do w = w->nextInFocusChain();
    while (!controls.count(w));
    return w;
  };
  for (std::size_t i = 0; i + 1 < expected.size(); ++i)
    EXPECT_EQ(nextControl(expected[i]), expected[i + 1]) << expected[i]->objectName().toStdString();
  for (QLabel* label : {static_cast<QLabel*>(t->Label1), static_cast<QLabel*>(t->Label3)})
    EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
}

TEST(Window, InitialTextsColoursAndPictures) {
  TestForm t(false);
  EXPECT_EQ(t->Text2->Text(), "140");
  EXPECT_EQ(t->Text5->Text(), "20");
  for (auto* box : {t->Text3[0], t->Text3[1], t->Text3[2], t->Text4}) EXPECT_EQ(box->Text(), "");
  EXPECT_EQ(t->Text1->Text(), "Text1");
  EXPECT_FALSE(t->Text1->isVisibleTo(&t.form()));
  EXPECT_EQ(t->Label1->Caption(), "%");
  EXPECT_EQ(t->Label3->Caption(), "Media");
  EXPECT_EQ(t->Label2[1]->Caption(), "tipo gris");
  EXPECT_EQ(t->Label2[0]->Caption(), "distancia media");
  EXPECT_EQ(t->Command6->Caption(), "Quitar este color");
  EXPECT_EQ(t->Command7->Caption(), "Reemplazar por este color");
  EXPECT_EQ(t->Command6->BackColor(), 0xFFFFFF);
  EXPECT_EQ(t->Command7->BackColor(), 0xFFFFFF);
  EXPECT_EQ(t->Text3[0]->BackColor(), 0x0000FF);
  EXPECT_EQ(t->Text3[1]->BackColor(), 0x00FF00);
  EXPECT_EQ(t->Text3[2]->BackColor(), 0xFF8080);
  EXPECT_EQ(t->palette().color(QPalette::Window), QColor(0, 128, 128));

  const struct {
    platform::CommandButton* button;
    QSize size;
    const char* tip;
  } pictures[] = {{t->Command8, {128, 128}, "Salir"},
                  {t->Command5[0], {149, 65}, "Abrir imagen"},
                  {t->Command5[1], {149, 65}, "Guardar como BMP"},
                  {t->Command4, {146, 59}, "Parar"},
                  {t->Command2, {146, 59}, "Copiar al portapapeles"},
                  {t->Command1, {146, 58}, nullptr},
                  {t->Command3, {145, 56}, nullptr}};
  for (const auto& p : pictures) {
    EXPECT_EQ(p.button->Picture().size(), p.size) << p.button->Name().toStdString();
    EXPECT_GT(p.button->Picture().width(), p.button->width()) << "every button picture is wider than its button";
    EXPECT_TRUE(p.button->Caption().isEmpty());
    EXPECT_FALSE(p.button->toolTip().isEmpty());
    if (p.tip) {
      EXPECT_EQ(p.button->accessibleName(), p.tip);
    }
  }
  EXPECT_EQ(t->Picture1->Picture().size(), QSize(461, 286));
  EXPECT_FALSE(t->windowIcon().isNull());
  EXPECT_EQ(t->windowIcon().availableSizes().value(0), QSize(32, 32));
}

TEST(Window, FontsResolveToArialMetrics) {
  TestForm t(false);
  const struct {
    QWidget* w;
    double points;
    bool bold;
  } cases[] = {{t->Command6, 12, false},  {t->Command7, 9.75, false}, {t->Text2, 12, true},
               {t->Text5, 12, true},      {t->Text4, 18, false},      {t->Text3[0], 14.25, false},
               {t->Label1, 18, false},    {t->Label3, 14.25, false},  {t->Label2[0], 9.75, false},
               {t->File1[0], 9.75, false}};
  for (const auto& c : cases) {
    const QFontInfo info(c.w->font());
    EXPECT_DOUBLE_EQ(c.w->font().pointSizeF(), c.points) << c.w->objectName().toStdString();
    EXPECT_EQ(info.bold(), c.bold) << c.w->objectName().toStdString();
    EXPECT_TRUE(info.family() == "Liberation Sans" || info.family() == "Arial") << info.family().toStdString();
  }
}
