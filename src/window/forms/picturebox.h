#pragma once
// The picture box: a picture, a persistent image drawn on pixel by pixel, a
// flat one-pixel border, and mouse events in the box's own scale.

#include "pixels/colors.h"
#include "window/forms/control.h"
#include "pixels/zoom.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class QPainter;
class QWheelEvent;

namespace platform {

// Runs pixel = rule(pixel) on `rows` pixels of an RGB32 image, from `first`
// down, bytesPerLine apart, the rule working on ColorValue. On x86-64 with
// GCC or Clang the loop is compiled twice and the AVX2 one is taken where the
// processor has it: it gathers eight pixels of a column at a time, which
// makes the busier rules a third faster on a strided walk.
template <class Rule>
void WalkColumn(uchar* first, std::ptrdiff_t bytesPerLine, std::ptrdiff_t rows, const Rule& rule);

class PictureBox : public QWidget, public Control {
 public:
  using Control::setVisible;  // keeps Visible() in step with the widget
  // Button is the held-button bit set (1 left, 2 right, 4 middle), Shift the
  // modifier bit set (1 shift, 2 control, 4 alt), X and Y in the box's scale.
  using MouseHandler = std::function<void(int Button, int Shift, float X, float Y)>;

  PictureBox(QWidget* parent, QString name, int index = -1);
  ~PictureBox() override;

  // Setting the picture restarts the persistent image from it and, with
  // AutoSize, sizes the box to it plus the border.
  const QImage& Picture() const { return picture_; }
  void setPicture(const QImage& picture);
  // The persistent image: the picture plus everything drawn on it.
  QImage Image() const;
  // Hands the persistent image to edit, which changes its pixels or puts
  // another of the same size in its place; the box then shows the result.
  void EditImage(const std::function<void(QImage&)>& edit);

  bool AutoSize() const { return autoSize_; }
  void setAutoSize(bool on);
  bool AutoRedraw() const { return autoRedraw_; }
  void setAutoRedraw(bool on);

  int ScaleMode() const { return scaleMode_; }
  void setScaleMode(int mode) { scaleMode_ = mode; }
  double ScaleWidth() const;
  double ScaleHeight() const;

  int DrawWidth() const { return drawWidth_; }
  void setDrawWidth(int width);
  int FillStyle() const { return fillStyle_; }
  void setFillStyle(int style) { fillStyle_ = style; }
  ColorValue FillColor() const { return fillColor_; }
  void setFillColor(ColorValue c) { fillColor_ = c; }
  ColorValue ForeColor() const { return foreColor_; }
  void setForeColor(ColorValue c);
  ColorValue BackColor() const { return backColor_; }
  void setBackColor(ColorValue c);

  // The pixel at (x, y) of the persistent image, or -1 outside it.
  ColorValue Point(int x, int y) const {
    if (!inside(x, y)) return -1;
    if (inBand(x)) [[unlikely]]
      return FromQRgb(band_[std::size_t(x - bandX0_) * h_ + std::size_t(y)]);
    return FromQRgb(reinterpret_cast<const QRgb*>(bits_ + y * bpl_)[x]);
  }
  ColorValue Point(double x, double y) const { return Point(toPixel(x), toPixel(y)); }

  // Paints the pixel at (x, y); a position outside the picture changes nothing.
  void PSet(int x, int y, ColorValue color) {
    if (!inside(x, y)) return;
    if (!fastDraw_) [[unlikely]]
      return PSetSlow(x, y, color);
    reinterpret_cast<QRgb*>(bits_ + y * bpl_)[x] = ToQRgb(color);
    // The repaint covers the columns drawn on, nothing more. The range is only
    // written when it grows, so that successive pixels do not wait on it.
    if (x < dirtyX0_ || x > dirtyX1_) [[unlikely]]
      markDirty(x);
  }
  void PSet(double x, double y, ColorValue color) { PSet(toPixel(x), toPixel(y), color); }

  // For each y from 0 to lastRow, the effect of c = Point(x, y) and then
  // PSet(x, y, rule(c)) where rule(c) differs from c: positions outside the
  // picture are left out, and a column the rule leaves as it was is neither
  // copied nor repainted. With a one-pixel pen and AutoRedraw on, the bounds
  // are checked once for the column and its pixels are walked directly, in
  // the band of columns it belongs to.
  template <class Rule>
  void TransformColumn(int x, int lastRow, const Rule& rule);

  // Starts copying the persistent image on a thread of its own, so that the
  // next drawing, made while another holder keeps the image as it is now (an
  // undo step), finds its own copy ready instead of making it then.
  void CopyAhead();

  // Repaints at once whatever was drawn and is still waiting for its repaint.
  void Refresh();

  // The zoom of the view: how many screen pixels show one picture pixel.
  // Setting a picture shows it at 1. Only the view changes: the picture, the
  // image, the scale, Point and PSet stay in picture pixels, and the mouse
  // events carry the picture pixel under the pointer. Zoomed, Left and Top
  // count twips of the zoomed view, so that a position in the container keeps
  // its picture point and a drag follows the pointer as at 1.
  double Zoom() const { return zoom_; }
  // Zooms so that the point anchor of the container (in its pixels) stays
  // over the same point of the picture.
  void setZoom(double zoom, QPointF anchor);
  // Zooms about the middle of the container.
  void setZoom(double zoom);
  // Shows the whole picture as large as it fits into the container, centred.
  void FitZoom();
  // Lets the user zoom: Ctrl + wheel over the box or its container, Ctrl++,
  // Ctrl+-, Ctrl+0 (fit) and Ctrl+1 (100 %) anywhere in the window.
  void EnableZoomKeys();
  std::function<void()> ZoomChanged;

  MouseHandler MouseMove;
  MouseHandler MouseDown;

  // Drawn columns are repainted together, at most this often; what is drawn
  // in between waits at most this long.
  static constexpr int RepaintIntervalMs = 25;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  QRect widgetGeometry() const override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // Members read on every pixel are of types that a pixel store cannot alias,
  // so the compiler keeps them in registers across a scan.
  bool inside(std::ptrdiff_t x, std::ptrdiff_t y) const {
    return static_cast<std::size_t>(x) < w_ && static_cast<std::size_t>(y) < h_;
  }
  static int toPixel(double v);
  void updateFastDraw() { fastDraw_ = drawWidth_ == 1 && !shared_ && autoRedraw_ && bandColumns_ == 0; }
  void PSetSlow(int x, int y, ColorValue color);
  void markDirty(std::ptrdiff_t x) {
    dirtyX0_ = x < dirtyX0_ ? x : dirtyX0_;
    dirtyX1_ = x > dirtyX1_ ? x : dirtyX1_;
  }
  bool inBand(std::ptrdiff_t x) const { return static_cast<std::size_t>(x - bandX0_) < bandColumns_; }
  QRgb* bandColumn(std::ptrdiff_t x);
  void bandColumnChanged(std::ptrdiff_t x);
  void writeBackBand();
  void closeBand();
  void dropBand();  // its changes are forgotten
  void ensureOwnImage();
  void copyAhead();
  QImage takeCopyAhead();  // waits for the copy; null when there is none
  void dropCopyAhead();
  void attach();
  void flushDirty();
  void repaintPending();
  int innerWidth() const;
  int innerHeight() const;
  int shownWidth() const { return ShownSize(innerWidth(), zoom_); }
  int shownHeight() const { return ShownSize(innerHeight(), zoom_); }
  QPointF pictureCoordinates(QPointF position) const;
  bool wheelZoom(QWheelEvent* event, QPointF anchor);
  void paintZoomed(QPainter& painter, const QRect& exposed);
  float scaleFactor() const { return scaleMode_ == 3 ? 1.0f : TwipsPerPixel; }

  QImage picture_;
  QImage image_;
  mutable bool shared_ = false;  // image_ may share its pixels with a copy handed out
  mutable bool fastDraw_ = false;  // one-pixel pen on an image of our own, drawn persistently
  uchar* bits_ = nullptr;
  std::ptrdiff_t bpl_ = 0;
  std::size_t w_ = 0, h_ = 0;
  std::ptrdiff_t dirtyX0_ = PTRDIFF_MAX, dirtyX1_ = -1;
  // A scan down a column of the image would touch one line, and one page, in
  // every row. Instead a band of columns is taken out and held column after
  // column, the whole height of each, so that a column is adjacent memory;
  // the band's changed columns are newer than the image's until written back.
  std::unique_ptr<QRgb[]> band_;
  std::size_t bandCapacity_ = 0;
  std::ptrdiff_t bandX0_ = 0;
  std::size_t bandColumns_ = 0;
  std::ptrdiff_t bandChanged0_ = PTRDIFF_MAX, bandChanged1_ = -1;
  // The copy of the image made ahead (of a newly set picture, or after a run), on a thread of its own.
  std::thread copyThread_;
  void* copyData_ = nullptr;
  std::atomic<bool> copyCancelled_ = false;
  // Columns drawn and handed over for repainting, not yet repainted.
  std::ptrdiff_t pendingX0_ = PTRDIFF_MAX, pendingX1_ = -1;
  QElapsedTimer sinceRepaint_;
  double zoom_ = 1;
  bool zoomKeys_ = false;
  // Zoomed out, the averaged picture shown, at the screen's own pixels, and
  // its columns that wait to be averaged anew.
  QImage view_;
  int staleView0_ = INT_MAX, staleView1_ = -1;
  QBasicTimer repaintTimer_;

  bool autoSize_ = false;
  bool autoRedraw_ = false;
  int scaleMode_ = 1;
  int drawWidth_ = 1;
  int fillStyle_ = 1;
  ColorValue fillColor_ = 0;
  ColorValue foreColor_ = SystemWindowText;
  ColorValue backColor_ = SystemWindowBackground;
};

namespace columnwalk {
#if defined(__GNUC__)
#define TINTABORRA_ALWAYS_INLINE [[gnu::always_inline]]
#else
#define TINTABORRA_ALWAYS_INLINE
#endif
template <class Rule>
TINTABORRA_ALWAYS_INLINE inline void Walk(uchar* pixel, std::ptrdiff_t bpl, std::ptrdiff_t rows, const Rule& rule) {
  for (; rows > 0; --rows, pixel += bpl) {
    auto* p = reinterpret_cast<QRgb*>(pixel);
    *p = ToQRgb(rule(FromQRgb(*p)));
  }
}
// pixel = rule(pixel) over count adjacent pixels; true when the rule changed any.
template <class Rule>
TINTABORRA_ALWAYS_INLINE inline bool WalkAdjacent(QRgb* __restrict pixels, std::ptrdiff_t count, const Rule& rule) {
  ColorValue changed = 0;
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const ColorValue c = FromQRgb(pixels[i]);
    // A pixel's colour has no sign; knowing it spares the vector code the sign
    // corrections of the rules' divisions.
    if (c < 0) __builtin_unreachable();
    const ColorValue now = rule(c);
    changed |= now ^ c;
    pixels[i] = ToQRgb(now);
  }
  return changed != 0;
}
#undef TINTABORRA_ALWAYS_INLINE
#if defined(__GNUC__) && defined(__x86_64__)
#define TINTABORRA_AVX2_WALK 1
template <class Rule>
[[gnu::target("avx2")]] void WalkAvx2(uchar* pixel, std::ptrdiff_t bpl, std::ptrdiff_t rows, const Rule& rule) {
  Walk(pixel, bpl, rows, rule);
}
template <class Rule>
[[gnu::target("avx2")]] bool WalkAdjacentAvx2(QRgb* pixels, std::ptrdiff_t count, const Rule& rule) {
  return WalkAdjacent(pixels, count, rule);
}
bool HasAvx2();
#endif
}  // namespace columnwalk

template <class Rule>
void WalkColumn(uchar* first, std::ptrdiff_t bytesPerLine, std::ptrdiff_t rows, const Rule& columnRule) {
  const Rule rule = columnRule;  // a copy of its own, which no pixel store can alias
#ifdef TINTABORRA_AVX2_WALK
  if (columnwalk::HasAvx2()) return columnwalk::WalkAvx2(first, bytesPerLine, rows, rule);
#endif
  columnwalk::Walk(first, bytesPerLine, rows, rule);
}

// pixel = rule(pixel) over count adjacent pixels of an RGB32 image, the rule
// working on ColorValue; true when the rule changed any of them.
template <class Rule>
bool WalkAdjacent(QRgb* pixels, std::ptrdiff_t count, const Rule& columnRule) {
  const Rule rule = columnRule;
#ifdef TINTABORRA_AVX2_WALK
  if (columnwalk::HasAvx2()) return columnwalk::WalkAdjacentAvx2(pixels, count, rule);
#endif
  return columnwalk::WalkAdjacent(pixels, count, rule);
}

template <class Rule>
void PictureBox::TransformColumn(int x, int lastRow, const Rule& columnRule) {
  const Rule rule = columnRule;  // a copy of its own, which no pixel store can alias
  const std::ptrdiff_t rows = std::min<std::ptrdiff_t>(std::ptrdiff_t(lastRow) + 1, std::ptrdiff_t(h_));
  if (!inside(x, 0) || rows <= 0) return;
  if (drawWidth_ != 1 || !autoRedraw_) {
    for (int y = 0; y < rows; ++y) {
      const ColorValue c = Point(x, y);
      const ColorValue changed = rule(c);
      if (changed != c) PSet(x, y, changed);
    }
    return;
  }
  if (QRgb* column = bandColumn(x)) {
    if (!WalkAdjacent(column, rows, rule)) return;
    bandColumnChanged(x);
    return;
  }
  // Read only up to the first pixel that changes; from there on, write.
  std::ptrdiff_t y = 0;
  ColorValue changed = 0;
  const uchar* at = bits_ + std::ptrdiff_t(x) * 4;
  for (; y < rows; ++y, at += bpl_) {
    const ColorValue c = FromQRgb(*reinterpret_cast<const QRgb*>(at));
    changed = rule(c);
    if (changed != c) break;
  }
  if (y == rows) return;
  ensureOwnImage();
  if (!inside(x, y)) return;  // no memory for a copy of our own: nothing can be drawn
  uchar* pixel = bits_ + y * bpl_ + std::ptrdiff_t(x) * 4;
  *reinterpret_cast<QRgb*>(pixel) = ToQRgb(changed);
  WalkColumn(pixel + bpl_, bpl_, rows - y - 1, rule);
  markDirty(x);
}

}  // namespace platform
