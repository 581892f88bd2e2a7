#pragma once
// Command buttons, text boxes, labels and the file list box.

#include "core/colors.h"
#include "window/forms/control.h"

#include <QAbstractButton>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <functional>

namespace platform {

// A graphical command button: the face painted in BackColor, the picture
// centred and clipped, the caption centred in the button's font.
class CommandButton : public QAbstractButton, public Control {
 public:
  using Control::setVisible;  // keeps Visible() in step with the widget
  CommandButton(QWidget* parent, QString name, int index = -1);

  QString Caption() const { return text(); }
  void setCaption(const QString& caption) { setText(caption); }
  ColorValue BackColor() const { return backColor_; }
  void setBackColor(ColorValue c);
  const QImage& Picture() const { return picture_; }
  void setPicture(const QImage& picture);

  std::function<void()> Click;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  QSize sizeHint() const override { return size(); }

 private:
  ColorValue backColor_ = 0xFFFFFF;
  QImage picture_;
};

// A text box: a text given keeps only what precedes its first NUL.
class TextBox : public QLineEdit, public Control {
 public:
  using Control::setVisible;  // keeps Visible() in step with the widget
  TextBox(QWidget* parent, QString name, int index = -1);

  QString Text() const { return text(); }
  void setText(const QString& text);
  ColorValue BackColor() const { return backColor_; }
  void setBackColor(ColorValue c);

 private:
  ColorValue backColor_ = SystemWindowBackground;
};

class Label : public QLabel, public Control {
 public:
  using Control::setVisible;  // keeps Visible() in step with the widget
  Label(QWidget* parent, QString name, int index = -1);

  QString Caption() const { return text(); }
  void setCaption(const QString& caption) { setText(caption); }
};

// A file list: every file of the folder Path, without a pattern; Click comes
// with every change of selection, by mouse or keys.
class FileListBox : public QListWidget, public Control {
 public:
  using Control::setVisible;  // keeps Visible() in step with the widget
  FileListBox(QWidget* parent, QString name, int index = -1);

  QString Path() const { return path_; }
  // Fails with PathNotFound when the folder does not exist.
  void setPath(const QString& path);
  QString FileName() const;
  void Refresh();

  std::function<void()> Click;

 private:
  QString path_;
  bool filling_ = false;
};

}  // namespace platform
