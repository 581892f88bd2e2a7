#include "window/shift_preview.h"

#include "window/form1.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>

using namespace platform;

namespace app {

namespace {

// The rules as each button's run builds them, from what it would read now.
std::optional<filters::Preview> GreyTypeNow(const Form1& form) {
  std::int16_t D = 0;
  // A run leaves out a failing reading and goes on with what it has; a rule
  // that cannot be built changes no pixel.
  try {
    D = CInt(Val(form.Text5->Text()));
  } catch (const Failure&) {
  }
  try {
    return filters::GreyTypeRule(Val(form.Text2->Text()), D);
  } catch (const Failure&) {
    return std::nullopt;
  }
}

// Follows Shift and the widget under the pointer anywhere in the window.
class ShiftWatch : public QObject {
 public:
  explicit ShiftWatch(Form1& form) : QObject(&form), form_(form) {}

  void refresh() { form_.Picture1->setPreview(shift_ ? PreviewOver(form_, under_) : std::nullopt); }

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
        if (shift_ || form_.Picture1->ShownPreview()) refresh();
        break;
      }
      case QEvent::Enter:
      case QEvent::Leave: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != &form_) break;
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
  Form1& form_;
  bool shift_ = false;
  QPointer<QWidget> under_;
};

}  // namespace

std::optional<filters::Preview> PreviewOver(const Form1& form, const QWidget* under) {
  if (!under) return std::nullopt;
  if (under == form.Picture1) {
    // A press here would make the sampled colour the target.
    return filters::ChangesTinted(
        filters::RemovalRule(form.SampledRed, form.SampledGreen, CInt(form.SampledBlue), form.Command7->BackColor()));
  }
  if (under == form.Command6)
    return filters::RemovalRule(form.TargetRed, form.TargetGreen, form.TargetBlue, form.Command7->BackColor());
  if (under == form.Command1) return GreyTypeNow(form);
  if (under == form.Command3) return filters::WhiteningRule{};
  return std::nullopt;
}

void InstallShiftPreview(Form1& form) {
  auto* watch = new ShiftWatch(form);
  qApp->installEventFilter(watch);
  // A move over the picture samples a new colour, and so a new target to show.
  form.Picture1->MouseMove = [watch, handler = form.Picture1->MouseMove](int b, int s, float x, float y) {
    if (handler) handler(b, s, x, y);
    watch->refresh();
  };
  const QString tip = QStringLiteral("Mantenga pulsada Mayús sobre el botón para ver el resultado sin aplicarlo");
  for (CommandButton* button : {form.Command1, form.Command3, form.Command6})
    button->setToolTip(button->toolTip().isEmpty() ? tip : button->toolTip() + QStringLiteral(".\n") + tip);
}

}  // namespace app
