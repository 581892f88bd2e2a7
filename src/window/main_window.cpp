#include "window/main_window.h"

#include "formats/codecs.h"
#include "window/dropped_files.h"
#include "window/filter_menu.h"
#include "window/forms/runtime.h"
#include "window/layout.h"
#include "window/shift_preview.h"
#include "window/shortcuts.h"
#include "window/window_definition.h"
#include "window/zoom_indicator.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <QMap>

#include <algorithm>
#include <cmath>

using namespace platform;

namespace {

void applyFont(QWidget* w, const app::FontDef& font) {
  if (!font.face) return;
  QFont f(QString::fromLatin1(font.face));
  f.setPointSizeF(font.points);
  f.setWeight(font.weight >= 700 ? QFont::Bold : QFont::Normal);
  w->setFont(f);
}

}  // namespace

MainWindow::MainWindow(platform::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      pageResults([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
              if (pageResultReady) pageResultReady();
            },
            Qt::QueuedConnection);
      }),
      dialogs_(dialogs) {
  build();
  wireHandlers();
}

void MainWindow::build() {
  setWindowTitle(QString::fromLatin1(app::MainWindowDef.caption));
  setWindowIcon(QIcon(QString::fromLatin1(app::MainWindowDef.icon)));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ToQColor(app::MainWindowDef.backColor));
  setPalette(pal);
  setAutoFillBackground(true);
  resize(TwipsToPixels(app::MainWindowDef.clientWidthTwips), TwipsToPixels(app::MainWindowDef.clientHeightTwips));

  QMap<QString, Control*> byName;
  for (const app::ControlDef& def : app::MainWindowControls) {
    Control* container = def.container ? byName.value(QString::fromLatin1(def.container)) : nullptr;
    QWidget* parent = container ? container->widget() : this;
    const QString name = QString::fromLatin1(def.name);
    const QString text = def.text ? QString::fromUtf8(def.text) : QString();
    Control* control = nullptr;
    switch (def.kind) {
      case app::Kind::CommandButton: {
        auto* b = new CommandButton(parent, name);
        b->setCaption(text);
        if (def.backColor != app::DefaultColor) b->setBackColor(def.backColor);
        if (def.picture) b->setPicture(QImage(QString::fromLatin1(def.picture)));
        control = b;
        break;
      }
      case app::Kind::PictureBox: {
        auto* p = new PictureBox(parent, name);
        p->setBackColor(def.backColor);
        p->setForeColor(def.foreColor);
        control = p;
        break;
      }
      case app::Kind::TextBox: {
        auto* t = new TextBox(parent, name);
        t->setText(text);
        if (def.backColor != app::DefaultColor) t->setBackColor(def.backColor);
        control = t;
        break;
      }
      case app::Kind::Label:
        control = new Label(parent, name);
        static_cast<Label*>(control)->setCaption(text);
        break;
      case app::Kind::FileListBox:
        control = new FileListBox(parent, name);
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
    w->setObjectName(name);
    if (container) control->setClientOrigin(QPoint(1, 1));  // inside the container's border
    control->Move(def.left, def.top, def.width, def.height);
    control->setTabIndex(def.tabIndex);
    control->setVisible(def.visible);
    byName.insert(name, control);
    controls_.push_back(control);
  }

  const auto get = [&byName](const char* name) { return byName.value(QString::fromLatin1(name)); };
  const auto button = [&get](const char* name) { return static_cast<CommandButton*>(get(name)); };
  const auto box = [&get](const char* name) { return static_cast<TextBox*>(get(name)); };
  const auto label = [&get](const char* name) { return static_cast<Label*>(get(name)); };
  exitButton = button("exitButton");
  pictureFrame = static_cast<PictureBox*>(get("pictureFrame"));
  pictureBox = static_cast<PictureBox*>(get("pictureBox"));
  replacementButton = button("replacementButton");
  removeColourButton = button("removeColourButton");
  chosenNameBox = box("chosenNameBox");
  saveButton = button("saveButton");
  openButton = button("openButton");
  stopButton = button("stopButton");
  toleranceBox = box("toleranceBox");
  meanBox = box("meanBox");
  blueBox = box("blueBox");
  greenBox = box("greenBox");
  redBox = box("redBox");
  greyTypeBox = box("greyTypeBox");
  copyButton = button("copyButton");
  greyTypeButton = button("greyTypeButton");
  whitenButton = button("whitenButton");
  fileList = static_cast<FileListBox*>(get("fileList"));
  progressLabel = label("progressLabel");
  meanLabel = label("meanLabel");
  greyTypeLabel = label("greyTypeLabel");
  toleranceLabel = label("toleranceLabel");

  pictureBox->setAutoSize(true);
  app::AddZoom(*this);
  for (const app::ControlDef& def : app::MainWindowControls)
    if (def.kind == app::Kind::PictureBox && def.picture)
      static_cast<PictureBox*>(get(def.name))->setPicture(LoadPicture(QString::fromLatin1(def.picture)));

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
void MainWindow::dispatch(Handler&& handler) {
  // A failure that a procedure does not trap is the platform's to report.
  try {
    handler();
  } catch (const Failure& f) {
    dialogs_.ShowMessage(f.reason);
  } catch (const std::bad_alloc&) {
    dialogs_.ShowMessage(QStringLiteral("Memoria insuficiente"));
  }
}

void MainWindow::wireHandlers() {
  const auto on = [this](platform::CommandButton* button, void (MainWindow::*handler)()) {
    button->Click = [this, handler] { dispatch([this, handler] { (this->*handler)(); }); };
  };
  on(greyTypeButton, &MainWindow::greyTypeClicked);
  on(copyButton, &MainWindow::copyClicked);
  on(whitenButton, &MainWindow::whitenClicked);
  on(stopButton, &MainWindow::stopClicked);
  on(openButton, &MainWindow::openImage);
  on(saveButton, &MainWindow::saveImageAs);
  on(removeColourButton, &MainWindow::removeColourClicked);
  on(replacementButton, &MainWindow::pickReplacementColour);
  on(exitButton, &MainWindow::exitClicked);
  fileList->Click = [this] { dispatch([this] { fileListClicked(); }); };
  pictureBox->MouseDown = [this](int, int, float x, float y) { dispatch([&] { picturePressed(x, y); }); };
  pictureBox->MouseMove = [this](int button, int, float x, float y) { dispatch([&] { pointerMoved(button, x, y); }); };
  const app::Dispatch dispatcher = [this](const std::function<void()>& handler) { dispatch(handler); };
  app::InstallShortcuts(*this, dispatcher);
  imagefiles::AcceptDroppedFiles(*this, dispatcher);
  app::InstallShiftPreview(*this, app::InstallFilterMenu(*this, dispatcher));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  End();
}

void MainWindow::start() {
  pictureBox->setScaleMode(3);
  pictureBox->setFillStyle(0);
  pictureBox->setDrawWidth(5);
  fitToScreen();
}

void MainWindow::fitToScreen() {
  // On a screen too small for the window, the whole layout (places, sizes,
  // fonts and the buttons' pictures) is drawn smaller, as one piece; the
  // picture's frame still reaches the screen's edges and the picture in it
  // keeps its own size.
  const float s = static_cast<float>(app::LayoutScale(
      TwipsToPixels(app::MainWindowDef.clientWidthTwips), TwipsToPixels(app::MainWindowDef.clientHeightTwips),
      TwipsToPixels(Screen::AvailableWidth()), TwipsToPixels(Screen::AvailableHeight())));
  if (s < 1) scaleLayout(s);
  pictureFrame->setWidth(Screen::Width() - s * (pictureFrame->Left() + app::ScreenMargin));
  pictureFrame->setHeight(Screen::Height() - s * (pictureFrame->Top() + app::ScreenMargin));
  pictureBox->setLeft(static_cast<float>(app::CentredOffset(pictureFrame->Width(), pictureBox->Width())));
  pictureBox->setTop(static_cast<float>(app::CentredOffset(pictureFrame->Height(), pictureBox->Height())));
  exitButton->setLeft((Screen::Width() - s * (exitButton->Width() + app::ScreenMargin)) / s);
}

void MainWindow::scaleLayout(double scale) {
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (w == pictureFrame) continue;
    QFont f = w->font();
    if (f.pointSizeF() > 0)
      f.setPointSizeF(f.pointSizeF() * scale);
    else
      f.setPixelSize(std::max(1, int(std::lround(f.pixelSize() * scale))));
    w->setFont(f);
  }
  for (Control* c : controls_)
    if (c != pictureBox) c->setLayoutScale(scale, c == pictureFrame ? 1 : scale);
}

void MainWindow::exitClicked() { End(); }

void MainWindow::openStartFile(const QString& path) {
  dispatch([&] { openDroppedFile(QFileInfo(path).absoluteFilePath()); });
}
