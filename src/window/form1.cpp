#include "window/form1.h"

#include "formats/codecs.h"
#include "window/dropped_files.h"
#include "window/forms/runtime.h"
#include "window/layout.h"
#include "window/shift_preview.h"
#include "window/shortcuts.h"
#include "window/window_definition.h"
#include "window/zoom_indicator.h"

#include <QCloseEvent>
#include <QFont>
#include <QIcon>
#include <QMap>

#include <algorithm>
#include <cmath>

using namespace platform;

namespace {

QString keyOf(const char* name, int index) {
  return index < 0 ? QString::fromLatin1(name) : QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

void applyFont(QWidget* w, const app::FontDef& font) {
  if (!font.face) return;
  QFont f(QString::fromLatin1(font.face));
  f.setPointSizeF(font.points);
  f.setWeight(font.weight >= 700 ? QFont::Bold : QFont::Normal);
  w->setFont(f);
}

}  // namespace

Form1::Form1(platform::Dialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs) {
  build();
  wireHandlers();
}

void Form1::build() {
  setWindowTitle(QString::fromLatin1(app::Form1Window.caption));
  setWindowIcon(QIcon(QString::fromLatin1(app::Form1Window.icon)));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ToQColor(app::Form1Window.backColor));
  setPalette(pal);
  setAutoFillBackground(true);
  resize(TwipsToPixels(app::Form1Window.clientWidthTwips), TwipsToPixels(app::Form1Window.clientHeightTwips));

  QMap<QString, Control*> byKey;
  for (const app::ControlDef& def : app::Form1Controls) {
    Control* container = def.container ? byKey.value(QString::fromLatin1(def.container)) : nullptr;
    QWidget* parent = container ? container->widget() : this;
    const QString name = QString::fromLatin1(def.name);
    const QString text = def.text ? QString::fromUtf8(def.text) : QString();
    Control* control = nullptr;
    switch (def.kind) {
      case app::Kind::CommandButton: {
        auto* b = new CommandButton(parent, name, def.index);
        b->setCaption(text);
        if (def.backColor != app::DefaultColor) b->setBackColor(def.backColor);
        if (def.picture) b->setPicture(QImage(QString::fromLatin1(def.picture)));
        control = b;
        break;
      }
      case app::Kind::PictureBox: {
        auto* p = new PictureBox(parent, name, def.index);
        p->setBackColor(def.backColor);
        p->setForeColor(def.foreColor);
        control = p;
        break;
      }
      case app::Kind::TextBox: {
        auto* t = new TextBox(parent, name, def.index);
        t->setText(text);
        if (def.backColor != app::DefaultColor) t->setBackColor(def.backColor);
        control = t;
        break;
      }
      case app::Kind::Label:
        control = new Label(parent, name, def.index);
        static_cast<Label*>(control)->setCaption(text);
        break;
      case app::Kind::FileListBox:
        control = new FileListBox(parent, name, def.index);
        break;
    }
    QWidget* w = control->widget();
    applyFont(w, def.font);
    if (def.toolTip) {
      w->setToolTip(QString::fromUtf8(def.toolTip));
      w->setAccessibleName(QString::fromUtf8(def.toolTip));
    } else if (def.text) {
      w->setAccessibleName(text);
    }
    w->setObjectName(keyOf(def.name, def.index));
    if (container) control->setClientOrigin(QPoint(1, 1));  // inside the container's border
    control->Move(def.left, def.top, def.width, def.height);
    control->setTabIndex(def.tabIndex);
    control->setVisible(def.visible);
    byKey.insert(keyOf(def.name, def.index), control);
    controls_.push_back(control);
  }

  auto get = [&](const char* name, int index = -1) { return byKey.value(keyOf(name, index)); };
  Command8 = static_cast<CommandButton*>(get("Command8"));
  Picture2 = static_cast<PictureBox*>(get("Picture2"));
  Picture1 = static_cast<PictureBox*>(get("Picture1"));
  Command7 = static_cast<CommandButton*>(get("Command7"));
  Command6 = static_cast<CommandButton*>(get("Command6"));
  Text1 = static_cast<TextBox*>(get("Text1"));
  for (int i = 0; i < 2; ++i) Command5[i] = static_cast<CommandButton*>(get("Command5", i));
  Command4 = static_cast<CommandButton*>(get("Command4"));
  Text5 = static_cast<TextBox*>(get("Text5"));
  Text4 = static_cast<TextBox*>(get("Text4"));
  for (int i = 0; i < 3; ++i) Text3[i] = static_cast<TextBox*>(get("Text3", i));
  Text2 = static_cast<TextBox*>(get("Text2"));
  Command2 = static_cast<CommandButton*>(get("Command2"));
  Command1 = static_cast<CommandButton*>(get("Command1"));
  Command3 = static_cast<CommandButton*>(get("Command3"));
  File1[0] = static_cast<FileListBox*>(get("File1", 0));
  Label1 = static_cast<Label*>(get("Label1"));
  Label3 = static_cast<Label*>(get("Label3"));
  for (int i = 0; i < 2; ++i) Label2[i] = static_cast<Label*>(get("Label2", i));

  Picture1->setAutoSize(true);
  app::AddZoom(*this);
  for (const app::ControlDef& def : app::Form1Controls)
    if (def.kind == app::Kind::PictureBox && def.picture)
      static_cast<PictureBox*>(get(def.name, def.index))->setPicture(LoadPicture(QString::fromLatin1(def.picture)));

  // The keyboard's focus order follows the tab indexes; labels never take the focus.
  std::vector<Control*> order = controls_;
  std::sort(order.begin(), order.end(), [](Control* a, Control* b) { return a->TabIndex() < b->TabIndex(); });
  QWidget* first = nullptr;
  QWidget* previous = nullptr;
  for (Control* c : order) {
    if (c->widget()->focusPolicy() == Qt::NoFocus) continue;
    if (previous) setTabOrder(previous, c->widget());
    if (!first && c->Visible()) first = c->widget();
    previous = c->widget();
  }
  // The control first in that order holds the focus when the window first shows.
  if (first) first->setFocus(Qt::OtherFocusReason);
}

template <class Handler>
void Form1::dispatch(Handler&& handler) {
  // A failure that a procedure does not trap is the platform's to report.
  try {
    handler();
  } catch (const Failure& f) {
    dialogs_.MsgBox(f.reason);
  } catch (const std::bad_alloc&) {
    dialogs_.MsgBox(QStringLiteral("Memoria insuficiente"));
  }
}

void Form1::wireHandlers() {
  Command1->Click = [this] { dispatch([this] { Command1_Click(); }); };
  Command2->Click = [this] { dispatch([this] { Command2_Click(); }); };
  Command3->Click = [this] { dispatch([this] { Command3_Click(); }); };
  Command4->Click = [this] { dispatch([this] { Command4_Click(); }); };
  for (std::int16_t i = 0; i < 2; ++i) Command5[i]->Click = [this, i] { dispatch([this, i] { Command5_Click(i); }); };
  Command6->Click = [this] { dispatch([this] { Command6_Click(); }); };
  Command7->Click = [this] { dispatch([this] { Command7_Click(); }); };
  Command8->Click = [this] { dispatch([this] { Command8_Click(); }); };
  File1[0]->Click = [this] { dispatch([this] { File1_Click(0); }); };
  Picture1->MouseDown = [this](int b, int s, float x, float y) { dispatch([&] { Picture1_MouseDown(b, s, x, y); }); };
  Picture1->MouseMove = [this](int b, int s, float x, float y) { dispatch([&] { Picture1_MouseMove(b, s, x, y); }); };
  const app::Dispatch dispatcher = [this](const std::function<void()>& handler) { dispatch(handler); };
  app::InstallShortcuts(*this, dispatcher);
  imagefiles::AcceptDroppedFiles(*this, dispatcher);
  app::InstallShiftPreview(*this);
}

std::uintptr_t Form1::hWnd() const { return static_cast<std::uintptr_t>(winId()); }

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  End();
}

void Form1::Form_Load() {
  Picture1->setScaleMode(3);
  setForeColor(0);
  Picture1->setFillStyle(0);
  Picture1->setDrawWidth(5);
  FitToScreen();
}

void Form1::FitToScreen() {
  // On a screen too small for the window, the whole layout (places, sizes,
  // fonts and the buttons' pictures) is drawn smaller, as one piece; the
  // picture's frame still reaches the screen's edges and the picture in it
  // keeps its own size.
  const float s = static_cast<float>(app::LayoutScale(
      TwipsToPixels(app::Form1Window.clientWidthTwips), TwipsToPixels(app::Form1Window.clientHeightTwips),
      TwipsToPixels(Screen::AvailableWidth()), TwipsToPixels(Screen::AvailableHeight())));
  if (s < 1) ScaleLayout(s);
  Picture2->setWidth(Screen::Width() - s * (Picture2->Left() + app::ScreenMargin));
  Picture2->setHeight(Screen::Height() - s * (Picture2->Top() + app::ScreenMargin));
  Picture1->setLeft(static_cast<float>(app::CentredOffset(Picture2->Width(), Picture1->Width())));
  Picture1->setTop(static_cast<float>(app::CentredOffset(Picture2->Height(), Picture1->Height())));
  Command8->setLeft((Screen::Width() - s * (Command8->Width() + app::ScreenMargin)) / s);
}

void Form1::ScaleLayout(double scale) {
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (w == Picture2) continue;
    QFont f = w->font();
    if (f.pointSizeF() > 0)
      f.setPointSizeF(f.pointSizeF() * scale);
    else
      f.setPixelSize(std::max(1, int(std::lround(f.pixelSize() * scale))));
    w->setFont(f);
  }
  for (Control* c : controls_)
    if (c != Picture1) c->setLayoutScale(scale, c == Picture2 ? 1 : scale);
}

void Form1::Command5_Click(std::int16_t Index) {
  if (Index == 0)
    OpenImage();
  else if (Index == 1)
    SaveImageAs();
}

void Form1::Command8_Click() { End(); }
