#include "window/dropped_files.h"

#include "window/form1.h"

#include <QDropEvent>
#include <QUrl>

namespace imagefiles {

namespace {

class DropFilter : public QObject {
 public:
  DropFilter(Form1& form, app::Dispatch dispatch) : QObject(&form), form_(form), dispatch_(std::move(dispatch)) {}

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
          &form_, [this, path] { dispatch_([this, &path] { form_.OpenDroppedFile(path); }); }, Qt::QueuedConnection);
    return true;
  }

 private:
  Form1& form_;
  app::Dispatch dispatch_;
};

}  // namespace

QString FirstLocalFile(const QMimeData& data) {
  for (const QUrl& url : data.urls())
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) return url.toLocalFile();
  return {};
}

void AcceptDroppedFiles(Form1& form, const app::Dispatch& dispatch) {
  auto* filter = new DropFilter(form, dispatch);
  form.setAcceptDrops(true);
  form.installEventFilter(filter);
  for (platform::Control* c : form.Controls())
    if (c->widget()->acceptDrops()) c->widget()->installEventFilter(filter);
}

}  // namespace imagefiles
