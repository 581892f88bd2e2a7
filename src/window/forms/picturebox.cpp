#include "window/forms/picturebox.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <vector>

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
  view_ = QImage();  // zoomed out, the averaged view is of the image as it was
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
  if (width < 1 || width > 32767) Fail(FailureKind::Invalid, QStringLiteral("Valor de propiedad no válido"));
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
  // The rest is drawn on the screen's own pixels, placed by the same spans
  // the pointer is read through: the picture's pixels and its border never
  // share a device pixel, at any zoom and pixel ratio.
  const QTransform toDevice = p.deviceTransform();
  const double ratio = toDevice.m11();
  const QPointF corner(toDevice.dx(), toDevice.dy());
  const QRect devices = toDevice.mapRect(QRectF(exposed)).toAlignedRect();
  const QTransform world = p.worldTransform();
  p.setWorldTransform(toDevice.inverted(), true);
  const QRect box(QPoint(DeviceEdge(corner.x()), DeviceEdge(corner.y())),
                  QPoint(DeviceEdge(corner.x() + width() * ratio) - 1, DeviceEdge(corner.y() + height() * ratio) - 1));
  const QRect inside(
      QPoint(DeviceEdge(corner.x() + ratio), DeviceEdge(corner.y() + ratio)),
      QPoint(DeviceEdge(corner.x() + (width() - 1) * ratio) - 1, DeviceEdge(corner.y() + (height() - 1) * ratio) - 1));
  if (!image.isNull()) {
    const DeviceSpan x = SpanOnDevice(corner.x() + ratio, ShownSize(image.width(), zoom_), ratio, image.width());
    const DeviceSpan y = SpanOnDevice(corner.y() + ratio, ShownSize(image.height(), zoom_), ratio, image.height());
    const QRect area = devices & inside & QRect(x.first, y.first, x.count, y.count);
    bool previewed = false;
    if (preview_) {
      // A preview is made only for the part on the screen: inside every
      // container up to the window.
      QRect visible = rect();
      for (const QWidget* w = this; !w->isWindow() && w->parentWidget(); w = w->parentWidget())
        visible &= QRect(mapFrom(w->parentWidget(), QPoint(0, 0)), w->parentWidget()->size());
      const QRect shown = area & toDevice.mapRect(QRectF(visible)).toAlignedRect();
      previewed = shown.isEmpty() || paintPreview(p, shown, image, x, y);
    }
    if (!previewed && !area.isEmpty()) paintPicture(p, area, image, x, y);
  }
  // The border fills the box's outermost pixels and nothing more.
  const QColor border = ToQColor(foreColor_);
  p.fillRect(QRect(box.left(), box.top(), box.width(), inside.top() - box.top()), border);
  p.fillRect(QRect(box.left(), inside.bottom() + 1, box.width(), box.bottom() - inside.bottom()), border);
  p.fillRect(QRect(box.left(), box.top(), inside.left() - box.left(), box.height()), border);
  p.fillRect(QRect(inside.right() + 1, box.top(), box.right() - inside.right(), box.height()), border);
  p.setWorldTransform(world);
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

QPointF PictureBox::pictureCoordinates(const QMouseEvent& event) const {
  // The pointer in the window's device pixels. Qt rounds the position it
  // gives a widget to a whole pixel of the widget's, several device pixels on
  // a dense screen; the position in the window keeps the fraction. An event
  // made up for this box alone carries its own position in both, and then the
  // box's is taken.
  const QPointF offset(mapTo(window(), QPoint(0, 0)));
  QPointF local = event.position();
  const QPointF exact = event.scenePosition() - offset;
  if (std::abs(exact.x() - local.x()) <= 0.5 && std::abs(exact.y() - local.y()) <= 0.5) local = exact;
  const double ratio = devicePixelRatioF();
  const QPointF corner = offset * ratio, device = (local + offset) * ratio;
  // The picture pixel drawn on that device pixel.
  const float f = scaleFactor();
  return {SpanOnDevice(corner.x() + ratio, shownWidth(), ratio, innerWidth()).PixelAt(device.x()) * f,
          SpanOnDevice(corner.y() + ratio, shownHeight(), ratio, innerHeight()).PixelAt(device.y()) * f};
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
  if (!MouseMove) return;
  const QPointF at = pictureCoordinates(*event);
  MouseMove(buttonBits(event->buttons()), modifierBits(event->modifiers()), float(at.x()), float(at.y()));
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  if (!MouseDown) return;
  const QPointF at = pictureCoordinates(*event);
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

bool PictureBox::wheelTurned(QWheelEvent* event, QPointF anchor) {
  if (!zoomKeys_) return false;
  if (event->modifiers() & Qt::ControlModifier) {
    const int delta = event->angleDelta().y();
    if (delta != 0) setZoom(delta > 0 ? ZoomIn(zoom_) : ZoomOut(zoom_), anchor);
  } else {
    // The wheel scrolls the picture, Shift+wheel sideways, as far as its
    // edges: the lines a notch scrolls, 20 pixels each, or the pixels a
    // touchpad gives.
    const bool sideways = event->modifiers() & Qt::ShiftModifier;
    const QPoint pixels = event->pixelDelta(), angle = event->angleDelta();
    // Shift turns some systems' wheel into a horizontal one already.
    const int turn = sideways && angle.y() == 0 ? angle.x() : angle.y();
    const int given = sideways && pixels.y() == 0 ? pixels.x() : pixels.y();
    const int step = given != 0 ? given : turn * QApplication::wheelScrollLines() * 20 / 120;
    if (step != 0) Pan(sideways ? step : 0, sideways ? 0 : step);
  }
  event->accept();
  return true;
}

void PictureBox::Pan(int dx, int dy) {
  const QWidget* frame = parentWidget();
  if (!frame) return;
  const QPoint origin = clientOrigin();
  const QSize room = frame->size() - QSize(2 * origin.x(), 2 * origin.y());
  const QPoint at = geometry().topLeft() - origin;
  // Towards an edge only while it lies beyond the frame's, and never past it;
  // a picture that fits stays where it is.
  const auto along = [](int pos, int size, int room, int delta) {
    if (size <= room || delta == 0) return pos;
    return delta > 0 ? std::max(pos, std::min(pos + delta, 0)) : std::min(pos, std::max(pos + delta, room - size));
  };
  const int x = along(at.x(), width(), room.width(), dx), y = along(at.y(), height(), room.height(), dy);
  if (x == at.x() && y == at.y()) return;
  Move(dx != 0 ? float(x * TwipsPerPixel / zoom_) : Left(), dy != 0 ? float(y * TwipsPerPixel / zoom_) : Top());
}

void PictureBox::wheelEvent(QWheelEvent* event) {
  if (!wheelTurned(event, mapToParent(event->position()))) QWidget::wheelEvent(event);
}

bool PictureBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Wheel) {
    auto* wheel = static_cast<QWheelEvent*>(event);
    return wheelTurned(wheel, wheel->position());
  }
  return QWidget::eventFilter(watched, event);
}

void PictureBox::paintPicture(QPainter& p, const QRect& area, const QImage& image, const DeviceSpan& x,
                              const DeviceSpan& y) {
  const QPoint first(x.first, y.first);
  if (x.count == image.width() && y.count == image.height()) {
    // A device pixel to a picture pixel: the picture as it is.
    view_ = QImage();
    p.drawImage(area.topLeft(), image, area.translated(-first));
    return;
  }
  if (x.count < image.width() || y.count < image.height()) {
    // Zoomed out: each device pixel shows the average of the picture pixels
    // it stands for, kept for the whole picture and made anew where drawn on.
    if (view_.size() != QSize(x.count, y.count)) {
      view_ = QImage(x.count, y.count, QImage::Format_RGB32);
      staleView0_ = 0, staleView1_ = view_.width() - 1;
    }
    if (view_.isNull()) return;  // no memory for it: the background shows
    if (staleView1_ >= 0) AverageColumns(image, view_, staleView0_, staleView1_);
    staleView0_ = INT_MAX, staleView1_ = -1;
    p.drawImage(area.topLeft(), view_, area.translated(-first));
    return;
  }
  // Zoomed in: only the device pixels drawn on are made.
  view_ = QImage();
  std::vector<int> columns(std::size_t(area.width()));
  for (int k = 0; k < area.width(); ++k) columns[std::size_t(k)] = x.PixelAt(area.left() + k);
  QImage tile(area.size(), QImage::Format_RGB32);
  if (tile.isNull()) return;
  // The store keeps its picture in RGB32.
  for (int r = 0; r < area.height(); ++r) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y.PixelAt(area.top() + r)));
    auto* out = reinterpret_cast<QRgb*>(tile.scanLine(r));
    for (int k = 0; k < area.width(); ++k) out[k] = line[columns[std::size_t(k)]];
  }
  p.drawImage(area.topLeft(), tile);
}

void PictureBox::setPreview(std::optional<filters::Preview> preview) {
  if (!preview && !preview_) return;
  preview_ = std::move(preview);
  update();
}

bool PictureBox::paintPreview(QPainter& p, const QRect& area, const QImage& image, const DeviceSpan& x,
                              const DeviceSpan& y) {
  QImage view = filters::PreviewView(image, x, y, area, *preview_);
  if (view.isNull()) return false;  // no memory for it: the picture is drawn as it is
  p.drawImage(area.topLeft(), view);
  return true;
}

}  // namespace platform
