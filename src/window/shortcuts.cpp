#include "window/shortcuts.h"

#include "window/form1.h"

#include <QKeyEvent>
#include <QShortcut>

namespace app {

namespace {

// A text box with nothing selected leaves Ctrl+C to the window, which copies
// the picture; with a selection it copies the selected text, as it always has.
class CopyWithoutSelection : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride) return false;
    const auto* box = qobject_cast<const QLineEdit*>(watched);
    // Filtered out before the box can claim it, the key goes to the shortcut.
    return box && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy) && !box->hasSelectedText();
  }
};

}  // namespace

void InstallShortcuts(Form1& form, const Dispatch& dispatch) {
  const auto add = [&form](const QKeySequence& keys, const std::function<void()>& action) {
    QObject::connect(new QShortcut(keys, &form), &QShortcut::activated, &form, action);
  };
  const struct {
    platform::CommandButton* button;
    QKeySequence keys;
  } buttons[] = {{form.Command5[0], QKeySequence(Qt::CTRL | Qt::Key_O)},
                 {form.Command5[1], QKeySequence(Qt::CTRL | Qt::Key_S)},
                 {form.Command2, QKeySequence(Qt::CTRL | Qt::Key_C)},
                 {form.Command4, QKeySequence(Qt::Key_Escape)}};
  for (const auto& b : buttons) {
    add(b.keys, [button = b.button] { button->click(); });
    b.button->setToolTip(QStringLiteral("%1 (%2)").arg(b.button->toolTip(), b.keys.toString()));
  }
  const auto undo = [&form, dispatch] { dispatch([&form] { form.UndoStep(); }); };
  const auto redo = [&form, dispatch] { dispatch([&form] { form.RedoStep(); }); };
  add(QKeySequence(Qt::CTRL | Qt::Key_Z), undo);
  add(QKeySequence(Qt::CTRL | Qt::Key_Y), redo);
  add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), redo);
  const QKeySequence repeatKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
  add(repeatKeys, [&form, dispatch] { dispatch([&form] { form.CopyRepeatCommand(); }); });
  form.Command2->setToolTip(QStringLiteral("%1. %2 copia la orden de tintaborra-lote que repite los filtros")
                                .arg(form.Command2->toolTip(), repeatKeys.toString()));

  auto* copyFilter = new CopyWithoutSelection(&form);
  for (platform::Control* c : form.Controls())
    if (auto* box = dynamic_cast<platform::TextBox*>(c)) box->installEventFilter(copyFilter);
}

}  // namespace app
