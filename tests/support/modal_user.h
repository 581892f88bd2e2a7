#pragma once
// Plays the user of the real modal dialogs and message boxes. Each action in
// turn is given the next modal window once it is shown and has become the
// active window, so that the keyboard focus is where a user would find it, and
// is expected to close it. A modal window met with no action left is rejected
// and counted, so that a test never hangs; so is one that is shown but never
// becomes active within a generous ceiling.

#include <QObject>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

namespace testsupport {

class ModalUser : public QObject {
 public:
  using Action = std::function<void(QWidget*)>;

  explicit ModalUser(std::deque<Action> actions = {});
  ~ModalUser() override;

  int acted = 0;       // actions given a window
  int unexpected = 0;  // modal windows met with no action left, or never active

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void act(QPointer<QWidget> window);
  void giveUp(QPointer<QWidget> window);

  std::deque<Action> actions_;
  std::vector<QPointer<QWidget>> shown_;  // shown, not yet active
};

// Rejects a dialog, closes any other window.
void Close(QWidget* window);

// An action for a modal Dialog: once ready(dialog) holds (30 s at most), it
// runs act(dialog), then closes the dialog unless act did. Any other window
// fails the test and is closed.
template <class Dialog>
ModalUser::Action On(std::function<void(Dialog&)> act, std::function<bool(Dialog&)> ready = {}) {
  return [act, ready](QWidget* w) {
    auto* dialog = qobject_cast<Dialog*>(w);
    if (!dialog) {
      ADD_FAILURE() << "not a " << Dialog::staticMetaObject.className() << ": " << w->metaObject()->className();
      return Close(w);
    }
    if (ready && !QTest::qWaitFor([&] { return ready(*dialog); }, 30000)) ADD_FAILURE() << "the dialog never got ready";
    act(*dialog);
    if (dialog->isVisible()) Close(dialog);
  };
}

// Types text into a line edit as a user does: focus, select all, type.
void TypeInto(QWidget* lineEdit, const QString& text);

}  // namespace testsupport
