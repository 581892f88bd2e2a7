#include "window/forms/controls.h"

#include "formats/filenames.h"

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>

namespace platform {

CommandButton::CommandButton(QWidget* parent, QString name, int index)
    : QAbstractButton(parent), Control(this, std::move(name), index) {
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (Click) Click();
  });
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
  // Enter presses the focused button, as Space does.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (!event->isAutoRepeat()) click();
    event->accept();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void CommandButton::setBackColor(ColorValue c) {
  backColor_ = c;
  update();
}

void CommandButton::setPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void CommandButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, ToQColor(backColor_));
  if (!picture_.isNull()) {
    p.save();
    p.setClipRect(r.adjusted(2, 2, -2, -2));
    // Drawn smaller with the layout, so that the same part of it shows.
    const QSize size = SizeScale() == 1 ? picture_.size() : (QSizeF(picture_.size()) * SizeScale()).toSize();
    const QPoint at((width() - size.width()) / 2, (height() - size.height()) / 2);
    p.drawImage(QRect(isDown() ? at + QPoint(1, 1) : at, size), picture_);
    p.restore();
  }
  if (!text().isEmpty()) {
    p.setPen(IsDarkBackground(backColor_) ? QColor(Qt::white) : palette().color(QPalette::ButtonText));
    p.setFont(font());
    p.drawText(r.adjusted(3, 2, -3, -2).translated(isDown() ? QPoint(1, 1) : QPoint()),
               Qt::AlignCenter | Qt::TextWordWrap, text());
  }
  // Raised edge, sunken while pressed; a dotted rectangle shows the focus.
  const QColor light = isDown() ? Qt::darkGray : Qt::white, dark = isDown() ? Qt::white : Qt::darkGray;
  p.setPen(light);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(dark);
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
  if (hasFocus()) {
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(r.adjusted(3, 3, -4, -4));
  }
}

TextBox::TextBox(QWidget* parent, QString name, int index) : QLineEdit(parent), Control(this, std::move(name), index) {}

void TextBox::setText(const QString& text) {
  const qsizetype nul = text.indexOf(QChar(u'\0'));
  QLineEdit::setText(nul < 0 ? text : text.left(nul));
}

void TextBox::setBackColor(ColorValue c) {
  backColor_ = c;
  QPalette pal = palette();
  pal.setColor(QPalette::Base, ToQColor(c));
  // A dark background takes white text; a light one the platform's own.
  pal.setColor(QPalette::Text,
               IsDarkBackground(c) ? QColor(Qt::white) : QGuiApplication::palette().color(QPalette::Text));
  setPalette(pal);
}

Label::Label(QWidget* parent, QString name, int index) : QLabel(parent), Control(this, std::move(name), index) {
  setFocusPolicy(Qt::NoFocus);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setWordWrap(true);
}

FileListBox::FileListBox(QWidget* parent, QString name, int index)
    : QListWidget(parent), Control(this, std::move(name), index), path_(QDir::currentPath()) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(this, &QListWidget::itemSelectionChanged, this, [this] {
    if (!filling_ && currentRow() >= 0 && !selectedItems().isEmpty() && Click) Click();
  });
  Refresh();
}

void FileListBox::setPath(const QString& path) {
  const QDir dir(path);
  if (KindOf(path) != FileKind::Folder) Fail(FailureKind::NotFound, QStringLiteral("No se encontró la ruta de acceso"));
  // Kept without a trailing separator, except for the root folder itself.
  QString clean = QDir::cleanPath(dir.absolutePath());
  path_ = clean;
  Refresh();
}

QString FileListBox::FileName() const {
  const QListWidgetItem* item = currentItem();
  return item && item->isSelected() ? item->data(Qt::UserRole).toString() : QString();
}

void FileListBox::Refresh() {
  filling_ = true;
  clear();
  // Every file, whatever bytes its name holds: each entry shows its name as
  // read and keeps the name that opens it.
  for (const QString& name : FolderFiles(path_)) {
    auto* item = new QListWidgetItem(DisplayFileName(name), this);
    item->setData(Qt::UserRole, name);
  }
  filling_ = false;
}

}  // namespace platform
