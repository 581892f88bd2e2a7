#include "support/modal_user.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

namespace testsupport {

namespace {
constexpr int kActivationCeilingMs = 60000;
}  // namespace

void Close(QWidget* window) {
  if (auto* dialog = qobject_cast<QDialog*>(window))
    dialog->reject();
  else
    window->close();
}

ModalUser::ModalUser(std::deque<Action> actions) : actions_(std::move(actions)) { qApp->installEventFilter(this); }

ModalUser::~ModalUser() { qApp->removeEventFilter(this); }

bool ModalUser::eventFilter(QObject* watched, QEvent* event) {
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || !w->isWindow() || !w->isModal()) return false;
  if (event->type() == QEvent::Show) {
    shown_.emplace_back(w);
    QTimer::singleShot(kActivationCeilingMs, this, [this, p = QPointer<QWidget>(w)] { giveUp(p); });
  } else if (event->type() == QEvent::WindowActivate) {
    auto it = std::find(shown_.begin(), shown_.end(), w);
    if (it == shown_.end()) return false;  // active again after a window of its own closed
    shown_.erase(it);
    // Acted on once the activation has settled and the focus widget is set.
    QMetaObject::invokeMethod(
        this, [this, p = QPointer<QWidget>(w)] { act(p); }, Qt::QueuedConnection);
  }
  return false;
}

void ModalUser::act(QPointer<QWidget> window) {
  if (!window || !window->isVisible()) return;
  if (actions_.empty()) {
    ++unexpected;
    Close(window);
    return;
  }
  Action action = std::move(actions_.front());
  actions_.pop_front();
  ++acted;
  action(window);
}

void ModalUser::giveUp(QPointer<QWidget> window) {
  auto it = std::find(shown_.begin(), shown_.end(), window);
  if (!window || it == shown_.end()) return;
  shown_.erase(it);
  ADD_FAILURE() << "a modal " << window->metaObject()->className() << " was shown but never became active";
  ++unexpected;
  if (window->isVisible()) Close(window);
}

void TypeInto(QWidget* lineEdit, const QString& text) {
  auto* edit = qobject_cast<QLineEdit*>(lineEdit);
  ASSERT_NE(edit, nullptr);
  edit->setFocus(Qt::MouseFocusReason);
  ASSERT_TRUE(edit->hasFocus()) << "the box takes the focus in the active window";
  edit->selectAll();
  edit->insert(text);
}

}  // namespace testsupport
