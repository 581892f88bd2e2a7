#include "window/zoom_indicator.h"

#include "window/model/zoom.h"
#include "window/form1.h"

#include <QEvent>
#include <QLabel>

namespace app {

namespace {

// Keeps the zoom label in the room left of the exit button, which start-up
// moves to the screen's right edge; where there is no room it is not shown.
class ZoomLabel : public QLabel {
 public:
  ZoomLabel(Form1& form) : QLabel(&form), form_(form) {
    setObjectName(QStringLiteral("Zoom"));
    setFont(form.Label3->font());
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAccessibleName(QStringLiteral("Zoom"));
    form.Command8->installEventFilter(this);
    form.Label1->installEventFilter(this);
    show();
  }
  void showZoom() {
    setText(platform::ZoomText(form_.Picture1->Zoom()));
    place();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) place();
    return QLabel::eventFilter(watched, event);
  }

 private:
  void place() {
    constexpr int Gap = 8;
    const QRect exit = form_.Command8->geometry(), progress = form_.Label1->geometry();
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("Zoom 12,5 %")) + Gap;
    const int left = std::max(exit.left() - Gap - width, progress.right() + 1 + Gap);
    const int room = exit.left() - Gap - left;
    setGeometry(left, progress.top(), room, progress.height());
    setVisible(room >= fontMetrics().horizontalAdvance(text()));
  }
  Form1& form_;
};

}  // namespace

void AddZoom(Form1& form) {
  form.Picture1->EnableZoomKeys();
  auto* label = new ZoomLabel(form);
  label->showZoom();
  form.Picture1->ZoomChanged = [label] { label->showZoom(); };
}

}  // namespace app
