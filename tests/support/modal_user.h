#pragma once
// Plays the user of the real modal dialogs and message boxes. Each action in
// turn is given the next modal window once it is shown and has become the
// active window, so that the keyboard focus is where a user would find it, and
// is expected to close it. A modal window met with no action left is rejected
// and counted, so that a test never hangs; so is one that is shown but never
// becomes active within a generous ceiling.

#include <QObject>
#include <QPointer>
#include <QWidget>

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

// Types text into a line edit as a user does: focus, select all, type.
void TypeInto(QWidget* lineEdit, const QString& text);

}  // namespace testsupport
