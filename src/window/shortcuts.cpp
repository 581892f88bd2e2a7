#include "window/shortcuts.h"

#include "window/filter_menu.h"
#include "window/main_window.h"

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

void InstallShortcuts(MainWindow& window, const Dispatch& dispatch) {
  const auto add = [&window](const QKeySequence& keys, const std::function<void()>& action) {
    QObject::connect(new QShortcut(keys, &window), &QShortcut::activated, &window, action);
  };
  const struct {
    platform::CommandButton* button;
    QKeySequence keys;
  } buttons[] = {{window.openButton, QKeySequence(Qt::CTRL | Qt::Key_O)},
                 {window.saveButton, QKeySequence(Qt::CTRL | Qt::Key_S)},
                 {window.copyButton, QKeySequence(Qt::CTRL | Qt::Key_C)},
                 {window.stopButton, QKeySequence(Qt::Key_Escape)}};
  for (const auto& b : buttons) {
    add(b.keys, [button = b.button] { button->click(); });
    b.button->setToolTip(QStringLiteral("%1 (%2)").arg(b.button->toolTip(), b.keys.toString()));
  }
  const auto undo = [&window, dispatch] { dispatch([&window] { window.undoStep(); }); };
  const auto redo = [&window, dispatch] { dispatch([&window] { window.redoStep(); }); };
  add(QKeySequence(Qt::CTRL | Qt::Key_Z), undo);
  add(QKeySequence(Qt::CTRL | Qt::Key_Y), redo);
  add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), redo);
  add(WhiteBackgroundKeys, [&window, dispatch] { dispatch([&window] { window.whiteBackgroundClicked(); }); });
  add(LocalBlackWhiteKeys, [&window, dispatch] { dispatch([&window] { window.localBlackWhiteClicked(); }); });
  const QKeySequence repeatKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
  add(repeatKeys, [&window, dispatch] { dispatch([&window] { window.copyRepeatCommand(); }); });
  window.copyButton->setToolTip(QStringLiteral("%1. %2 copia la orden de tintaborra-lote que repite los filtros")
                                    .arg(window.copyButton->toolTip(), repeatKeys.toString()));

  auto* copyFilter = new CopyWithoutSelection(&window);
  for (platform::Control* c : window.controls())
    if (auto* box = dynamic_cast<platform::TextBox*>(c)) box->installEventFilter(copyFilter);
}

}  // namespace app
