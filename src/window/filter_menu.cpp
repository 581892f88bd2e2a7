#include "window/filter_menu.h"

#include "window/main_window.h"
#include "window/model/page_jobs.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QShortcut>

namespace app {

namespace {

// Opens the menu for the context menu events that reach the window: from the
// picture by the mouse, from any control without a menu of its own by the
// keyboard (the text boxes keep their own).
class MenuOpener : public QObject {
 public:
  MenuOpener(MainWindow& window, QMenu& menu) : QObject(&window), window_(window), menu_(menu) {}

  // By the keyboard the menu opens over the middle of the picture's part in sight.
  void openAtPicture() {
    const QRect frame(window_.pictureFrame->mapTo(&window_, QPoint(0, 0)), window_.pictureFrame->size());
    const QRect picture(window_.pictureBox->mapTo(&window_, QPoint(0, 0)), window_.pictureBox->size());
    const QRect seen = frame.intersected(picture);
    menu_.popup(window_.mapToGlobal((seen.isEmpty() ? frame : seen).center()));
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &window_ || event->type() != QEvent::ContextMenu) return false;
    const auto* context = static_cast<QContextMenuEvent*>(event);
    if (context->reason() != QContextMenuEvent::Mouse)
      openAtPicture();
    else if (window_.childAt(context->pos()) == window_.pictureBox)
      menu_.popup(context->globalPos());
    else
      return false;
    return true;
  }

 private:
  MainWindow& window_;
  QMenu& menu_;
};

}  // namespace

std::optional<int> FilterOf(const QAction* item) {
  if (!item || !item->data().isValid()) return std::nullopt;
  return item->data().toInt();
}

QMenu* InstallFilterMenu(MainWindow& window, const Dispatch& dispatch) {
  auto* menu = new QMenu(&window);
  menu->setObjectName(QStringLiteral("filterMenu"));
  const auto item = [menu](int index, const std::function<void()>& run, const QKeySequence& keys = {}) {
    QAction* action = menu->addAction(QString::fromUtf8(filters::StepNames[index]));
    action->setData(index);
    action->setShortcut(keys);
    action->setShortcutVisibleInContextMenu(true);
    QObject::connect(action, &QAction::triggered, menu, run);
  };
  // The buttons' items click them: the same handler, the same dispatch.
  item(0, [&window] { window.removeColourButton->click(); });
  item(1, [&window] { window.greyTypeButton->click(); });
  item(2, [&window] { window.whitenButton->click(); });
  menu->addSeparator();
  item(
      3, [&window, dispatch] { dispatch([&window] { window.whiteBackgroundClicked(); }); }, WhiteBackgroundKeys);
  item(
      4, [&window, dispatch] { dispatch([&window] { window.localBlackWhiteClicked(); }); }, LocalBlackWhiteKeys);

  auto* opener = new MenuOpener(window, *menu);
  window.installEventFilter(opener);
  QObject::connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), &window), &QShortcut::activated, opener,
                   [opener] { opener->openAtPicture(); });
  return menu;
}

}  // namespace app
