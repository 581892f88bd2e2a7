#include "window/zoom_indicator.h"

#include "window/main_window.h"
#include "window/model/zoom.h"

#include <QBasicTimer>
#include <QEvent>
#include <QLabel>
#include <QTimerEvent>

namespace app {

namespace {

// Keeps the zoom label in the room left of the exit button, which start-up
// moves to the screen's right edge; where there is no room it is not shown.
class ZoomLabel : public QLabel {
 public:
  ZoomLabel(MainWindow& window) : QLabel(&window), window_(window) {
    setObjectName(QStringLiteral("Zoom"));
    setFont(window.meanLabel->font());
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAccessibleName(QStringLiteral("Zoom"));
    window.exitButton->installEventFilter(this);
    window.progressLabel->installEventFilter(this);
    show();
  }
  void showZoom() {
    notice_.stop();
    setFont(window_.meanLabel->font());
    setWordWrap(false);
    setToolTip({});
    setText(platform::ZoomText(window_.pictureBox->Zoom()));
    place();
  }
  // A notice takes the zoom's place, in the labels' small type over two
  // lines, until the zoom changes or a while has passed.
  void showNotice(const QString& text) {
    setFont(window_.greyTypeLabel->font());
    setWordWrap(true);
    setText(text);
    setToolTip(text);
    place();
    notice_.start(NoticeMs, this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) place();
    return QLabel::eventFilter(watched, event);
  }

 private:
  void place() {
    constexpr int Gap = 8;
    const QRect exit = window_.exitButton->geometry(), progress = window_.progressLabel->geometry();
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("Zoom 12,5 %")) + Gap;
    const int left = std::max(exit.left() - Gap - width, progress.right() + 1 + Gap);
    const int room = exit.left() - Gap - left;
    setGeometry(left, progress.top(), room, progress.height());
    setVisible(wordWrap() ? room > 0 : room >= fontMetrics().horizontalAdvance(text()));
  }
  void timerEvent(QTimerEvent* event) override {
    if (event->timerId() == notice_.timerId())
      showZoom();
    else
      QLabel::timerEvent(event);
  }
  static constexpr int NoticeMs = 15000;
  MainWindow& window_;
  QBasicTimer notice_;
};

}  // namespace

void AddZoom(MainWindow& window) {
  window.pictureBox->EnableZoomKeys();
  auto* label = new ZoomLabel(window);
  label->showZoom();
  window.pictureBox->ZoomChanged = [label] { label->showZoom(); };
  window.showStatus = [label](const QString& text) { label->showNotice(text); };
}

}  // namespace app
