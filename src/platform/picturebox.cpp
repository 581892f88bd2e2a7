#include "platform/picturebox.h"

#include <QColorSpace>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace platform {

namespace {
int modifierBits(Qt::KeyboardModifiers m) {
  return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
         (m & Qt::AltModifier ? 4 : 0);
}
int buttonBits(Qt::MouseButtons b) {
  return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) | (b & Qt::MiddleButton ? 4 : 0);
}
}  // namespace

PictureBox::PictureBox(QWidget* parent, QString name, int index)
    : QWidget(parent), Control(this, std::move(name), index) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
}

#ifdef TINTABORRA_AVX2_WALK
bool columnwalk::HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

int PictureBox::toPixel(double v) { return static_cast<int>(std::floor(v)); }

void PictureBox::setPicture(const QImage& picture) {
  picture_ = picture.format() == QImage::Format_RGB32 ? picture
                                                      : picture.convertToFormat(QImage::Format_RGB32);
  image_ = picture_;
  shared_ = true;
  dirtyX0_ = PTRDIFF_MAX, dirtyX1_ = -1;
  attach();
  if (autoSize_) {
    setWidth((w_ + 2) * TwipsPerPixel);
    setHeight((h_ + 2) * TwipsPerPixel);
  }
  update();
}

QImage PictureBox::Image() const {
  shared_ = true;
  fastDraw_ = false;
  return image_;
}

void PictureBox::EditImage(const std::function<void(QImage&)>& edit) {
  edit(image_);
  shared_ = true;  // what edit left may be held elsewhere too
  attach();
  update();
}

void PictureBox::setAutoSize(bool on) {
  autoSize_ = on;
  if (on && !image_.isNull()) {
    setWidth((w_ + 2) * TwipsPerPixel);
    setHeight((h_ + 2) * TwipsPerPixel);
  }
}

void PictureBox::setAutoRedraw(bool on) {
  autoRedraw_ = on;
  updateFastDraw();
  if (!on) flushDirty();
}

double PictureBox::ScaleWidth() const {
  return std::max(0, TwipsToPixels(Width()) - 2) * scaleFactor();
}

double PictureBox::ScaleHeight() const {
  return std::max(0, TwipsToPixels(Height()) - 2) * scaleFactor();
}

void PictureBox::setDrawWidth(int width) {
  if (width < 1 || width > 32767) Raise(errnum::InvalidProperty, QStringLiteral("Valor de propiedad no válido"));
  drawWidth_ = width;
  updateFastDraw();
}

void PictureBox::setForeColor(ColorValue c) {
  foreColor_ = c;
  update();
}

void PictureBox::setBackColor(ColorValue c) {
  backColor_ = c;
  update();
}

namespace {
// A copy of image that no one else holds. On Linux its pixels lie in memory
// the kernel may back with 2 MB pages: a scan down a column touches one line
// in every row, and with 4 KB pages nearly every one of those costs an
// address translation miss.
QImage ownCopy(const QImage& image) {
#ifdef __linux__
  constexpr std::size_t HugePage = std::size_t(2) << 20;
  const auto bytes = static_cast<std::size_t>(image.sizeInBytes());
  if (bytes >= HugePage) {
    const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
    if (void* data = std::aligned_alloc(HugePage, rounded)) {
      madvise(data, rounded, MADV_HUGEPAGE);
      std::memcpy(data, image.constBits(), bytes);
      QImage copy(static_cast<uchar*>(data), image.width(), image.height(), image.bytesPerLine(), image.format(),
                  [](void* p) { std::free(p); }, data);
      copy.setDotsPerMeterX(image.dotsPerMeterX());
      copy.setDotsPerMeterY(image.dotsPerMeterY());
      copy.setColorSpace(image.colorSpace());
      return copy;
    }
  }
#endif
  QImage copy = image;
  copy.detach();
  return copy;
}
}  // namespace

void PictureBox::ensureOwnImage() {
  if (shared_) {
    if (!image_.isDetached()) image_ = ownCopy(image_);
    shared_ = false;
    attach();
  }
  updateFastDraw();
}

void PictureBox::attach() {
  // A null image gives no pixels: Point reads -1 and PSet changes nothing.
  w_ = static_cast<std::size_t>(image_.width());
  h_ = static_cast<std::size_t>(image_.height());
  bpl_ = image_.bytesPerLine();
  updateFastDraw();
  bits_ = w_ > 0 && !shared_ ? image_.bits() : const_cast<uchar*>(image_.constBits());
}

void PictureBox::PSetSlow(int x, int y, ColorValue color) {
  ensureOwnImage();
  const int half = (drawWidth_ - 1) / 2;
  const QRect dot = QRect(x - half, y - half, drawWidth_, drawWidth_) & image_.rect();
  for (int yy = dot.top(); yy <= dot.bottom(); ++yy) {
    auto* line = reinterpret_cast<QRgb*>(bits_ + yy * bpl_);
    for (int xx = dot.left(); xx <= dot.right(); ++xx) line[xx] = ToQRgb(color);
  }
  dirtyX0_ = std::min<std::ptrdiff_t>(dirtyX0_, dot.left());
  dirtyX1_ = std::max<std::ptrdiff_t>(dirtyX1_, dot.right());
  if (!autoRedraw_) flushDirty();
}

void PictureBox::flushDirty() {
  if (dirtyX1_ < 0) return;
  // Only the columns drawn on are repainted, shifted past the border.
  update(QRect(int(dirtyX0_) + 1, 1, int(dirtyX1_ - dirtyX0_) + 1, int(h_)));
  dirtyX0_ = PTRDIFF_MAX, dirtyX1_ = -1;
}

void PictureBox::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QRect exposed = event->rect();
  p.fillRect(exposed, ToQColor(backColor_));
  if (!image_.isNull()) {
    const QRect target = QRect(1, 1, int(w_), int(h_)) & exposed;
    if (!target.isEmpty()) p.drawImage(target, image_, target.translated(-1, -1));
  }
  p.setPen(ToQColor(foreColor_));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  if (hasFocus()) {
    // A dotted rectangle just inside the border shows the focus; drawn by
    // inverting, it stays visible on any picture and never enters the image.
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(Qt::white, 1, Qt::DotLine));
    p.drawRect(rect().adjusted(1, 1, -2, -2));
  }
}

void PictureBox::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void PictureBox::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
  if (!MouseMove) return;
  const QPointF pos = event->position();
  const float f = scaleFactor();
  MouseMove(buttonBits(event->buttons()), modifierBits(event->modifiers()),
            static_cast<float>(pos.x() - 1) * f, static_cast<float>(pos.y() - 1) * f);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  if (!MouseDown) return;
  const QPointF pos = event->position();
  const float f = scaleFactor();
  MouseDown(buttonBits(event->button()), modifierBits(event->modifiers()),
            static_cast<float>(pos.x() - 1) * f, static_cast<float>(pos.y() - 1) * f);
}

}  // namespace platform
