#include "window/dropped_files.h"

#include "window/main_window.h"

#include <QDropEvent>
#include <QUrl>

namespace imagefiles {

namespace {

class DropFilter : public QObject {
 public:
  DropFilter(MainWindow& window, app::Dispatch dispatch)
      : QObject(&window), window_(window), dispatch_(std::move(dispatch)) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const QString path = drop->mimeData() ? FirstLocalFile(*drop->mimeData()) : QString();
    if (path.isEmpty()) return false;
    drop->acceptProposedAction();
    // Opened after the drop has ended: a message box must not keep the
    // program the file came from waiting.
    if (type == QEvent::Drop)
      QMetaObject::invokeMethod(
          &window_, [this, path] { dispatch_([this, &path] { window_.openDroppedFile(path); }); },
          Qt::QueuedConnection);
    return true;
  }

 private:
  MainWindow& window_;
  app::Dispatch dispatch_;
};

}  // namespace

QString FirstLocalFile(const QMimeData& data) {
  for (const QUrl& url : data.urls())
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) return url.toLocalFile();
  return {};
}

void AcceptDroppedFiles(MainWindow& window, const app::Dispatch& dispatch) {
  auto* filter = new DropFilter(window, dispatch);
  window.setAcceptDrops(true);
  window.installEventFilter(filter);
  for (platform::Control* c : window.controls())
    if (c->widget()->acceptDrops()) c->widget()->installEventFilter(filter);
}

}  // namespace imagefiles
