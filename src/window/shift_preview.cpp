#include "window/shift_preview.h"

#include "window/filter_menu.h"
#include "window/main_window.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

using namespace platform;

namespace app {

namespace {

// The rules as each button's run builds them, from what it would read now.
std::optional<filters::Preview> GreyTypeNow(const MainWindow& window) {
  std::int16_t tolerance = 0;
  // A run leaves out a failing reading and goes on with what it has; a rule
  // that cannot be built changes no pixel.
  try {
    tolerance = CInt(Val(window.toleranceBox->Text()));
  } catch (const Failure&) {
  }
  try {
    return filters::GreyTypeRule(Val(window.greyTypeBox->Text()), tolerance);
  } catch (const Failure&) {
    return std::nullopt;
  }
}

// Follows Shift and the widget under the pointer anywhere in the window.
class ShiftWatch : public QObject {
 public:
  ShiftWatch(MainWindow& window, QMenu* menu) : QObject(&window), window_(window), menu_(menu) {}

  void refresh() {
    if (!shift_) return window_.pictureBox->setPreview(std::nullopt);
    const std::optional<int> item = menuOpen_ ? FilterOf(menu_->activeAction()) : std::nullopt;
    window_.pictureBox->setPreview(item ? PreviewOfFilter(window_, *item) : PreviewOver(window_, under_));
  }
  // The menu of filters opens or closes: while it is open, the preview is
  // that of its item under the pointer, or none.
  void menuOpens(bool open) {
    menuOpen_ = open;
    refresh();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        // Any of the program's windows: Shift released over a message box
        // ends the preview too. A key typed with Shift held may have changed
        // a setting the preview shows.
        const auto* key = static_cast<QKeyEvent*>(event);
        shift_ = key->key() == Qt::Key_Shift ? event->type() == QEvent::KeyPress
                                             : bool(key->modifiers() & Qt::ShiftModifier);
        if (shift_ || window_.pictureBox->ShownPreview()) refresh();
        break;
      }
      case QEvent::Enter:
      case QEvent::Leave: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != &window_) break;
        if (event->type() == QEvent::Enter)
          under_ = widget;
        else if (under_ == widget)
          under_ = widget->parentWidget();
        else
          break;
        if (shift_) refresh();
        break;
      }
      case QEvent::ApplicationDeactivate:
        // Shift may be released elsewhere, unseen.
        shift_ = false;
        refresh();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  MainWindow& window_;
  QPointer<QMenu> menu_;
  bool menuOpen_ = false;
  bool shift_ = false;
  QPointer<QWidget> under_;
};

}  // namespace

std::optional<filters::Preview> PreviewOver(const MainWindow& window, const QWidget* under) {
  if (!under) return std::nullopt;
  if (under == window.pictureBox) {
    // A press here would make the sampled colour the target.
    return filters::ChangesTinted(filters::RemovalRule(window.sampledRed, window.sampledGreen, CInt(window.sampledBlue),
                                                       window.replacementButton->BackColor()));
  }
  if (under == window.removeColourButton)
    return filters::RemovalRule(window.targetRed, window.targetGreen, window.targetBlue,
                                window.replacementButton->BackColor());
  if (under == window.greyTypeButton) return GreyTypeNow(window);
  if (under == window.whitenButton) return filters::WhiteningRule{};
  return std::nullopt;
}

std::optional<filters::Preview> PreviewOfFilter(MainWindow& window, int filter) {
  const QWidget* buttons[] = {window.removeColourButton, window.greyTypeButton, window.whitenButton};
  if (filter >= 0 && filter < 3) return PreviewOver(window, buttons[filter]);
  const std::optional<filters::Step> step = filter == 3   ? filters::Step(filters::WhiteBackgroundStep{})
                                            : filter == 4 ? filters::Step(filters::LocalBlackWhiteStep{})
                                                          : std::optional<filters::Step>();
  if (!step) return std::nullopt;
  // Until its result comes in, the picture shows as it is.
  QImage result = window.pageResults.Request(window.pictureBox->Image(), *step);
  if (result.isNull()) return std::nullopt;
  return filters::ComputedResult{std::move(result)};
}

void InstallShiftPreview(MainWindow& window, QMenu* filterMenu) {
  auto* watch = new ShiftWatch(window, filterMenu);
  qApp->installEventFilter(watch);
  if (filterMenu) {
    QObject::connect(filterMenu, &QMenu::aboutToShow, watch, [watch] { watch->menuOpens(true); });
    QObject::connect(filterMenu, &QMenu::aboutToHide, watch, [watch] { watch->menuOpens(false); });
    QObject::connect(filterMenu, &QMenu::hovered, watch, [watch] { watch->refresh(); });
  }
  window.pageResultReady = [watch] { watch->refresh(); };
  // A move over the picture samples a new colour, and so a new target to show.
  window.pictureBox->MouseMove = [watch, handler = window.pictureBox->MouseMove](int b, int s, float x, float y) {
    if (handler) handler(b, s, x, y);
    watch->refresh();
  };
  const QString tip = QStringLiteral("Mantenga pulsada Mayús sobre el botón para ver el resultado sin aplicarlo");
  for (CommandButton* button : {window.greyTypeButton, window.whitenButton, window.removeColourButton})
    button->setToolTip(button->toolTip().isEmpty() ? tip : button->toolTip() + QStringLiteral(".\n") + tip);
}

}  // namespace app
