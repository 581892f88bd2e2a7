#include "window/forms/picturebox.h"

#include "pixels/column_band.h"

#include <QColorSpace>
#include <QMouseEvent>
#include <QShortcut>
#include <QWheelEvent>
#include <QPainter>
#include <QTimerEvent>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>

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
  dropCopyAhead();
  dropBand();
  picture_ = picture.format() == QImage::Format_RGB32 ? picture
                                                      : picture.convertToFormat(QImage::Format_RGB32);
  image_ = picture_;
  shared_ = true;
  dirtyX0_ = PTRDIFF_MAX, dirtyX1_ = -1;
  pendingX0_ = PTRDIFF_MAX, pendingX1_ = -1;
  attach();
  copyAhead();
  const bool wasZoomed = zoom_ != 1;
  zoom_ = 1;
  view_ = QImage();
  if (autoSize_) {
    setWidth((w_ + 2) * TwipsPerPixel);
    setHeight((h_ + 2) * TwipsPerPixel);
  } else if (wasZoomed) {
    apply();
  }
  if (wasZoomed && ZoomChanged) ZoomChanged();
  update();
}

QImage PictureBox::Image() const {
  const_cast<PictureBox*>(this)->writeBackBand();
  shared_ = true;
  fastDraw_ = false;
  return image_;
}

void PictureBox::EditImage(const std::function<void(QImage&)>& edit) {
  closeBand();
  dropCopyAhead();
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
// Room for a copy of image, or null. On Linux a big one lies in memory the
// kernel may back with 2 MB pages: a scan down a column touches one line in
// every row, and with 4 KB pages nearly every one of those costs an address
// translation miss.
void* roomFor(const QImage& image) {
  const auto bytes = static_cast<std::size_t>(image.sizeInBytes());
#ifdef __linux__
  constexpr std::size_t HugePage = std::size_t(2) << 20;
  if (bytes >= HugePage) {
    const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
    void* data = std::aligned_alloc(HugePage, rounded);
    if (data) madvise(data, rounded, MADV_HUGEPAGE);
    return data;
  }
#endif
  return std::malloc(std::max<std::size_t>(bytes, 1));
}

// The image over data, which holds a copy of like's pixels and is freed with it.
QImage imageOver(void* data, const QImage& like) {
  QImage copy(static_cast<uchar*>(data), like.width(), like.height(), like.bytesPerLine(), like.format(),
              [](void* p) { std::free(p); }, data);
  copy.setDotsPerMeterX(like.dotsPerMeterX());
  copy.setDotsPerMeterY(like.dotsPerMeterY());
  copy.setColorSpace(like.colorSpace());
  return copy;
}

// A copy of image that no one else holds.
QImage ownCopy(const QImage& image) {
  if (void* data = roomFor(image)) {
    std::memcpy(data, image.constBits(), static_cast<std::size_t>(image.sizeInBytes()));
    return imageOver(data, image);
  }
  QImage copy = image;
  copy.detach();
  return copy;
}

// Below this size the copy is made when the first pixel is drawn.
constexpr qsizetype CopyAheadBytes = qsizetype(4) << 20;
}  // namespace

void PictureBox::copyAhead() {
  if (image_.sizeInBytes() < CopyAheadBytes) return;
  void* data = roomFor(image_);
  if (!data) return;
  copyData_ = data;
  copyCancelled_ = false;
  const uchar* from = image_.constBits();
  const auto bytes = static_cast<std::size_t>(image_.sizeInBytes());
  // image_ keeps these pixels unchanged until the copy is taken or dropped:
  // nothing draws on them before ensureOwnImage, which waits for the copy.
  try {
    copyThread_ = std::thread([this, from, bytes, to = static_cast<uchar*>(data)] {
      constexpr std::size_t Chunk = std::size_t(1) << 20;
      for (std::size_t done = 0; done < bytes && !copyCancelled_.load(std::memory_order_relaxed); done += Chunk)
        std::memcpy(to + done, from + done, std::min(Chunk, bytes - done));
    });
  } catch (const std::system_error&) {
    // No thread to spare: the copy is made when it is needed.
    std::free(std::exchange(copyData_, nullptr));
  }
}

void PictureBox::CopyAhead() {
  closeBand();
  if (copyThread_.joinable()) return;
  // Drawing now goes through ensureOwnImage, which waits for the copy.
  shared_ = true;
  updateFastDraw();
  copyAhead();
}

QImage PictureBox::takeCopyAhead() {
  if (!copyThread_.joinable()) return {};
  copyThread_.join();
  void* data = std::exchange(copyData_, nullptr);
  if (copyCancelled_) {
    std::free(data);
    return {};
  }
  return imageOver(data, image_);
}

void PictureBox::dropCopyAhead() {
  copyCancelled_ = true;
  takeCopyAhead();
}

PictureBox::~PictureBox() { dropCopyAhead(); }

void PictureBox::ensureOwnImage() {
  if (shared_) {
    // A picture is copied ahead as it is set, while the user looks at it,
    // so that the first run over it does not wait for the copy.
    QImage ahead = takeCopyAhead();
    if (!image_.isDetached()) image_ = ahead.isNull() ? ownCopy(image_) : std::move(ahead);
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

namespace {
// A band holds about 4 MB of pixels: it stays in the cache while its columns
// are walked, and taking it out or writing it back touches each row once for
// many columns.
constexpr std::size_t BandPixels = std::size_t(1) << 20;
constexpr std::size_t MostBandColumns = 256;
}  // namespace

QRgb* PictureBox::bandColumn(std::ptrdiff_t x) {
  if (inBand(x)) return band_.get() + std::size_t(x - bandX0_) * h_;
  closeBand();
  if (h_ > BandPixels) return nullptr;  // a column alone fills a band: walked in place
  const std::size_t columns = std::min({std::max<std::size_t>(1, BandPixels / h_), MostBandColumns, w_ - std::size_t(x)});
  if (columns * h_ > bandCapacity_) {
    band_.reset();
    bandCapacity_ = 0;
    band_.reset(new (std::nothrow) QRgb[columns * h_]);
    if (!band_) return nullptr;  // walked in place instead
    bandCapacity_ = columns * h_;
  }
  TakeColumns(bits_, bpl_, x, columns, h_, band_.get());
  bandX0_ = x;
  bandColumns_ = columns;
  updateFastDraw();
  return band_.get();
}

void PictureBox::bandColumnChanged(std::ptrdiff_t x) {
  ensureOwnImage();
  if (!inside(x, 0)) return dropBand();  // no memory for a copy of our own: nothing can be drawn
  bandChanged0_ = std::min(bandChanged0_, x - bandX0_);
  bandChanged1_ = std::max(bandChanged1_, x - bandX0_);
  markDirty(x);
}

void PictureBox::writeBackBand() {
  if (bandChanged1_ < 0) return;
  PutColumns(band_.get(), h_, std::size_t(bandChanged0_), std::size_t(bandChanged1_), bits_, bpl_, bandX0_);
  bandChanged0_ = PTRDIFF_MAX, bandChanged1_ = -1;
}

void PictureBox::closeBand() {
  writeBackBand();
  dropBand();
}

void PictureBox::dropBand() {
  bandColumns_ = 0;
  bandChanged0_ = PTRDIFF_MAX, bandChanged1_ = -1;
  updateFastDraw();
}

void PictureBox::PSetSlow(int x, int y, ColorValue color) {
  closeBand();
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
  pendingX0_ = std::min(pendingX0_, dirtyX0_);
  pendingX1_ = std::max(pendingX1_, dirtyX1_);
  dirtyX0_ = PTRDIFF_MAX, dirtyX1_ = -1;
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
    update(QRect(int(pendingX0_) + 1, 1, int(pendingX1_ - pendingX0_) + 1, int(h_)));
  } else {
    // The screen columns that show them, rounded outwards.
    const std::int64_t inner = std::max(innerWidth(), 1), shown = shownWidth();
    const auto left = pendingX0_ * shown / inner, right = ((pendingX1_ + 1) * shown + inner - 1) / inner;
    update(QRect(int(left) + 1, 1, int(right - left), shownHeight()));
    if (!view_.isNull()) {
      const std::int64_t w = std::max<std::int64_t>(w_, 1), vw = view_.width();
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
  writeBackBand();
  QPainter p(this);
  const QRect exposed = event->rect();
  p.fillRect(exposed, ToQColor(backColor_));
  if (!image_.isNull() && zoom_ != 1) {
    paintZoomed(p, exposed);
  } else if (!image_.isNull()) {
    const QRect target = QRect(1, 1, int(w_), int(h_)) & exposed;
    if (!target.isEmpty()) p.drawImage(target, image_, target.translated(-1, -1));
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

void PictureBox::paintZoomed(QPainter& p, const QRect& exposed) {
  const QRect shown(1, 1, ShownSize(int(w_), zoom_), ShownSize(int(h_), zoom_));
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
    if (staleView1_ >= 0) AverageColumns(image_, view_, staleView0_, staleView1_);
    staleView0_ = INT_MAX, staleView1_ = -1;
    p.drawImage(QRectF(shown), view_);
    return;
  }
  view_ = QImage();
  // Zoomed in: each picture pixel a square of whole screen pixels. Only the
  // pixels that show in the exposed part are drawn.
  const int x0 = PixelUnder(target.left() - 1, int(w_), shown.width());
  const int y0 = PixelUnder(target.top() - 1, int(h_), shown.height());
  const int x1 = std::min(int(w_) - 1, PixelUnder(target.right(), int(w_), shown.width()));
  const int y1 = std::min(int(h_) - 1, PixelUnder(target.bottom(), int(h_), shown.height()));
  const double sx = double(shown.width()) / double(w_), sy = double(shown.height()) / double(h_);
  const QRectF to(1 + x0 * sx, 1 + y0 * sy, (x1 - x0 + 1) * sx, (y1 - y0 + 1) * sy);
  p.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 1);
  p.drawImage(to, image_, QRectF(x0, y0, x1 - x0 + 1, y1 - y0 + 1));
}

}  // namespace platform
