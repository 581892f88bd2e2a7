#pragma once
// Mouse events as the picture box receives them: held buttons included, and
// positions in the widget's pixels, where picture pixel (x, y) sits at (x + 1, y + 1).

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace colourtest {

inline QPointF OverPixel(double x, double y) { return {x + 1, y + 1}; }

inline void SendMouse(QWidget* w, QEvent::Type type, QPointF local, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent e(type, local, w->mapToGlobal(local), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

inline void Move(QWidget* w, QPointF local, Qt::MouseButtons held = Qt::NoButton) {
  SendMouse(w, QEvent::MouseMove, local, Qt::NoButton, held);
}

// A move as the window system delivers it on a dense screen: the position in
// the window keeps the fraction of a pixel, the widget's is rounded to a whole one.
inline void MoveOnScreen(QWidget* w, QPointF inWindow) {
  QWidget* window = w->window();
  QMouseEvent e(QEvent::MouseMove, QPointF(w->mapFrom(window, inWindow).toPoint()), inWindow,
                window->mapToGlobal(inWindow), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

inline void Press(QWidget* w, QPointF local, Qt::MouseButton button, Qt::MouseButtons alsoHeld = Qt::NoButton) {
  SendMouse(w, QEvent::MouseButtonPress, local, button, alsoHeld | button);
}

}  // namespace colourtest
