#include "window/forms/picturebox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {
int modifierBits(Qt::KeyboardModifiers m) {
  return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
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
  store_.DrawnAtOnce = [this] { flushDirty(); };
}

PictureBox::~PictureBox() = default;

int PictureBox::toPixel(double v) { return static_cast<int>(std::floor(v)); }

void PictureBox::setPicture(const QImage& picture) {
  store_.SetPicture(picture);
  pendingX0_ = PTRDIFF_MAX, pendingX1_ = -1;
  const bool wasZoomed = zoom_ != 1;
  zoom_ = 1;
  view_ = QImage();
  if (autoSize_) {
    setWidth((store_.Width() + 2) * TwipsPerPixel);
    setHeight((store_.Height() + 2) * TwipsPerPixel);
  } else if (wasZoomed) {
    apply();
  }
  if (wasZoomed && ZoomChanged) ZoomChanged();
  update();
}

void PictureBox::EditImage(const std::function<void(QImage&)>& edit) {
  store_.EditImage(edit);
  update();
}

void PictureBox::setAutoSize(bool on) {
  autoSize_ = on;
  if (on && !store_.IsNull()) {
    setWidth((store_.Width() + 2) * TwipsPerPixel);
    setHeight((store_.Height() + 2) * TwipsPerPixel);
  }
}

void PictureBox::setAutoRedraw(bool on) {
  store_.setAutoRedraw(on);
  if (!on) flushDirty();
}

double PictureBox::ScaleWidth() const { return std::max(0, TwipsToPixels(Width()) - 2) * scaleFactor(); }

double PictureBox::ScaleHeight() const { return std::max(0, TwipsToPixels(Height()) - 2) * scaleFactor(); }

void PictureBox::setDrawWidth(int width) {
  if (width < 1 || width > 32767) Raise(errnum::InvalidProperty, QStringLiteral("Valor de propiedad no válido"));
  store_.setDrawWidth(width);
}

void PictureBox::setForeColor(ColorValue c) {
  foreColor_ = c;
  update();
}

void PictureBox::setBackColor(ColorValue c) {
  backColor_ = c;
  update();
}

void PictureBox::flushDirty() {
  const auto [dirtyX0, dirtyX1] = store_.TakeDrawnColumns();
  if (dirtyX1 < 0) return;
  pendingX0_ = std::min(pendingX0_, dirtyX0);
  pendingX1_ = std::max(pendingX1_, dirtyX1);
  // A scan hands over every column; each repaint costs the window system a
  // transfer of its own, so the columns handed over within one interval
  // share one.
  if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() >= RepaintIntervalMs)
    repaintPending();
  else if (!repaintTimer_.isActive())
    repaintTimer_.start(RepaintIntervalMs - int(sinceRepaint_.elapsed()), Qt::PreciseTimer, this);
}

void PictureBox::repaintPending() {
  repaintTimer_.stop();
  sinceRepaint_.start();
  if (pendingX1_ < 0) return;
  // Only the columns drawn on are repainted, shifted past the border.
  if (zoom_ == 1) {
    update(QRect(int(pendingX0_) + 1, 1, int(pendingX1_ - pendingX0_) + 1, int(store_.Height())));
  } else {
    // The screen columns that show them, rounded outwards.
    const std::int64_t inner = std::max(innerWidth(), 1), shown = shownWidth();
    const auto left = pendingX0_ * shown / inner, right = ((pendingX1_ + 1) * shown + inner - 1) / inner;
    update(QRect(int(left) + 1, 1, int(right - left), shownHeight()));
    if (!view_.isNull()) {
      const std::int64_t w = std::max<std::int64_t>(std::int64_t(store_.Width()), 1), vw = view_.width();
      staleView0_ = std::min<int>(staleView0_, int(pendingX0_ * vw / w));
      staleView1_ = std::max<int>(staleView1_, int(((pendingX1_ + 1) * vw + w - 1) / w));
    }
  }
  pendingX0_ = PTRDIFF_MAX, pendingX1_ = -1;
}

void PictureBox::Refresh() {
  flushDirty();
  repaintPending();
}

void PictureBox::timerEvent(QTimerEvent* event) {
  if (event->timerId() == repaintTimer_.timerId())
    repaintPending();
  else
    QWidget::timerEvent(event);
}

void PictureBox::paintEvent(QPaintEvent* event) {
  const QImage& image = store_.Shown();
  QPainter p(this);
  const QRect exposed = event->rect();
  p.fillRect(exposed, ToQColor(backColor_));
  if (image.isNull() || (preview_ && paintPreview(p, exposed, image))) {
    // nothing of the picture to draw, or its preview drawn in its place
  } else if (zoom_ != 1) {
    paintZoomed(p, exposed, image);
  } else {
    const QRect target = QRect(1, 1, image.width(), image.height()) & exposed;
    if (!target.isEmpty()) p.drawImage(target, image, target.translated(-1, -1));
  }
  // The border fills the outermost pixels and nothing more, also where a
  // pixel spans several of the screen's: a drawn line would reach into the
  // picture's last row and column.
  const QColor border = ToQColor(foreColor_);
  const int w = width(), h = height();
  p.fillRect(QRect(0, 0, w, 1), border);
  p.fillRect(QRect(0, h - 1, w, 1), border);
  p.fillRect(QRect(0, 0, 1, h), border);
  p.fillRect(QRect(w - 1, 0, 1, h), border);
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

QPointF PictureBox::pictureCoordinates(QPointF position) const {
  // Past the one-pixel border, the picture pixel whose square holds the
  // point, at any zoom and however many screen pixels make one of the window's.
  const float f = scaleFactor();
  return {PixelUnder(position.x() - 1, innerWidth(), shownWidth()) * f,
          PixelUnder(position.y() - 1, innerHeight(), shownHeight()) * f};
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
  if (!MouseMove) return;
  const QPointF at = pictureCoordinates(event->position());
  MouseMove(buttonBits(event->buttons()), modifierBits(event->modifiers()), float(at.x()), float(at.y()));
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  if (!MouseDown) return;
  const QPointF at = pictureCoordinates(event->position());
  MouseDown(buttonBits(event->button()), modifierBits(event->modifiers()), float(at.x()), float(at.y()));
}

int PictureBox::innerWidth() const { return std::max(0, TwipsToPixels(Width()) - 2); }
int PictureBox::innerHeight() const { return std::max(0, TwipsToPixels(Height()) - 2); }

QRect PictureBox::widgetGeometry() const {
  if (zoom_ == 1) return Control::widgetGeometry();
  const QPoint origin = clientOrigin();
  return {origin.x() + int(std::lround(zoom_ * Left() / TwipsPerPixel)),
          origin.y() + int(std::lround(zoom_ * Top() / TwipsPerPixel)), shownWidth() + 2, shownHeight() + 2};
}

void PictureBox::setZoom(double zoom, QPointF anchor) {
  zoom = std::clamp(zoom, MinZoom, MaxZoom);
  if (zoom == zoom_ || innerWidth() == 0 || innerHeight() == 0) return;
  // The picture point under the anchor, and where the box must go to keep it there.
  const QPoint corner = geometry().topLeft() + QPoint(1, 1);
  const double u = (anchor.x() - corner.x()) * innerWidth() / shownWidth();
  const double v = (anchor.y() - corner.y()) * innerHeight() / shownHeight();
  zoom_ = zoom;
  const QPoint origin = clientOrigin();
  const double left = anchor.x() - 1 - u * shownWidth() / innerWidth() - origin.x();
  const double top = anchor.y() - 1 - v * shownHeight() / innerHeight() - origin.y();
  view_ = QImage();
  Move(float(std::round(left) * TwipsPerPixel / zoom), float(std::round(top) * TwipsPerPixel / zoom));
  update();
  if (ZoomChanged) ZoomChanged();
}

void PictureBox::setZoom(double zoom) {
  const QWidget* frame = parentWidget();
  setZoom(zoom, frame ? QPointF(frame->width() / 2.0, frame->height() / 2.0) : QPointF(width() / 2.0, height() / 2.0));
}

void PictureBox::FitZoom() {
  const QWidget* frame = parentWidget();
  if (!frame || innerWidth() == 0 || innerHeight() == 0) return;
  // The container's client area, less this box's border.
  const QPoint origin = clientOrigin();
  const int roomW = frame->width() - 2 * origin.x(), roomH = frame->height() - 2 * origin.y();
  zoom_ = platform::FitZoom(innerWidth(), innerHeight(), roomW - 2, roomH - 2);
  view_ = QImage();
  const int left = (roomW - shownWidth() - 2) / 2, top = (roomH - shownHeight() - 2) / 2;
  Move(float(left * TwipsPerPixel / zoom_), float(top * TwipsPerPixel / zoom_));
  update();
  if (ZoomChanged) ZoomChanged();
}

void PictureBox::EnableZoomKeys() {
  const auto add = [this](QList<QKeySequence> keys, auto action) {
    for (const QKeySequence& key : keys) {
      auto* shortcut = new QShortcut(key, this, action);
      shortcut->setContext(Qt::WindowShortcut);
    }
  };
  add({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
      [this] { setZoom(ZoomIn(zoom_)); });
  add({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [this] { setZoom(ZoomOut(zoom_)); });
  add({QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { FitZoom(); });
  add({QKeySequence(Qt::CTRL | Qt::Key_1)}, [this] { setZoom(1); });
  if (parentWidget()) parentWidget()->installEventFilter(this);
  zoomKeys_ = true;
}

bool PictureBox::wheelZoom(QWheelEvent* event, QPointF anchor) {
  if (!zoomKeys_ || !(event->modifiers() & Qt::ControlModifier)) return false;
  const int delta = event->angleDelta().y();
  if (delta != 0) setZoom(delta > 0 ? ZoomIn(zoom_) : ZoomOut(zoom_), anchor);
  event->accept();
  return true;
}

void PictureBox::wheelEvent(QWheelEvent* event) {
  if (!wheelZoom(event, mapToParent(event->position()))) QWidget::wheelEvent(event);
}

bool PictureBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Wheel) {
    auto* wheel = static_cast<QWheelEvent*>(event);
    return wheelZoom(wheel, wheel->position());
  }
  return QWidget::eventFilter(watched, event);
}

void PictureBox::paintZoomed(QPainter& p, const QRect& exposed, const QImage& image) {
  const int w = image.width(), h = image.height();
  const QRect shown(1, 1, ShownSize(w, zoom_), ShownSize(h, zoom_));
  const QRect target = shown & exposed;
  if (target.isEmpty()) return;
  const double dpr = devicePixelRatioF();
  if (zoom_ * dpr < 1) {
    // Zoomed out: each screen pixel shows the average of the picture pixels it stands for.
    const QSize viewSize(std::max(1, int(std::lround(shown.width() * dpr))),
                         std::max(1, int(std::lround(shown.height() * dpr))));
    if (view_.size() != viewSize) {
      view_ = QImage(viewSize, QImage::Format_RGB32);
      staleView0_ = 0, staleView1_ = view_.width() - 1;
    }
    if (staleView1_ >= 0) AverageColumns(image, view_, staleView0_, staleView1_);
    staleView0_ = INT_MAX, staleView1_ = -1;
    p.drawImage(QRectF(shown), view_);
    return;
  }
  view_ = QImage();
  // Zoomed in: each picture pixel a square of whole screen pixels. Only the
  // pixels that show in the exposed part are drawn.
  const int x0 = PixelUnder(target.left() - 1, w, shown.width());
  const int y0 = PixelUnder(target.top() - 1, h, shown.height());
  const int x1 = std::min(w - 1, PixelUnder(target.right(), w, shown.width()));
  const int y1 = std::min(h - 1, PixelUnder(target.bottom(), h, shown.height()));
  const double sx = double(shown.width()) / double(w), sy = double(shown.height()) / double(h);
  const QRectF to(1 + x0 * sx, 1 + y0 * sy, (x1 - x0 + 1) * sx, (y1 - y0 + 1) * sy);
  p.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 1);
  p.drawImage(to, image, QRectF(x0, y0, x1 - x0 + 1, y1 - y0 + 1));
}

void PictureBox::setPreview(std::optional<filters::Preview> preview) {
  if (!preview && !preview_) return;
  preview_ = std::move(preview);
  update();
}

bool PictureBox::paintPreview(QPainter& p, const QRect& exposed, const QImage& image) {
  // Only the part of the picture that is on the screen: inside every
  // container up to the window, and exposed now.
  const QRect shown(1, 1, ShownSize(image.width(), zoom_), ShownSize(image.height(), zoom_));
  QRect target = shown & exposed;
  for (const QWidget* w = this; !w->isWindow() && w->parentWidget(); w = w->parentWidget())
    target &= QRect(mapFrom(w->parentWidget(), QPoint(0, 0)), w->parentWidget()->size());
  if (target.isEmpty()) return true;
  // The device pixels that show it, each computed once, found through the
  // painter's own mapping: a widget inside a window, a picture rendered at
  // another pixel ratio.
  const QTransform toDevice = p.deviceTransform();
  const double dpr = toDevice.m11();
  if (dpr <= 0 || toDevice.isRotating()) return false;
  const QPointF offset(toDevice.dx(), toDevice.dy());
  const int left = int(std::floor(target.left() * dpr + offset.x()));
  const int top = int(std::floor(target.top() * dpr + offset.y()));
  const int right = int(std::ceil((target.right() + 1) * dpr + offset.x()));
  const int bottom = int(std::ceil((target.bottom() + 1) * dpr + offset.y()));
  const filters::ViewOnDevice on{dpr, offset / dpr + QPointF(1, 1), shown.size()};
  QImage view = filters::PreviewView(image, on, QRect(left, top, right - left, bottom - top), *preview_);
  if (view.isNull()) return false;  // no memory for it: the picture is drawn as it is
  view.setDevicePixelRatio(dpr);
  p.save();
  p.setClipRect(target);
  p.drawImage((QPointF(left, top) - offset) / dpr, view);
  p.restore();
  return true;
}

}  // namespace platform
