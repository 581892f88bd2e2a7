#pragma once
// The picture box: a picture, a persistent image drawn on pixel by pixel, a
// flat one-pixel border, and mouse events in the box's own scale. What it
// holds and draws on is a PictureStore; the box shows it, zoomed or not,
// repaints the columns drawn on and carries the runtime's properties.

#include "core/colors.h"
#include "window/forms/control.h"
#include "window/model/picture_store.h"
#include "window/model/preview.h"
#include "window/model/zoom.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QWidget>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

class QMouseEvent;
class QPainter;
class QWheelEvent;

namespace platform {

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
  const QImage& Picture() const { return store_.Picture(); }
  void setPicture(const QImage& picture);
  // The persistent image: the picture plus everything drawn on it.
  QImage Image() const { return store_.Image(); }
  // Hands the persistent image to edit, which changes its pixels or puts
  // another of the same size in its place; the box then shows the result.
  void EditImage(const std::function<void(QImage&)>& edit);

  bool AutoSize() const { return autoSize_; }
  void setAutoSize(bool on);
  bool AutoRedraw() const { return store_.AutoRedraw(); }
  void setAutoRedraw(bool on);

  int ScaleMode() const { return scaleMode_; }
  void setScaleMode(int mode) { scaleMode_ = mode; }
  double ScaleWidth() const;
  double ScaleHeight() const;

  int DrawWidth() const { return store_.DrawWidth(); }
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
  ColorValue Point(int x, int y) const { return store_.Point(x, y); }
  ColorValue Point(double x, double y) const { return Point(toPixel(x), toPixel(y)); }

  // Paints the pixel at (x, y); a position outside the picture changes nothing.
  // The columns drawn on are repainted, nothing more.
  void PSet(int x, int y, ColorValue color) { store_.PSet(x, y, color); }
  void PSet(double x, double y, ColorValue color) { PSet(toPixel(x), toPixel(y), color); }

  // For each y from 0 to lastRow, the effect of c = Point(x, y) and then
  // PSet(x, y, rule(c)) where rule(c) differs from c: positions outside the
  // picture are left out, and a column the rule leaves as it was is neither
  // copied nor repainted. With a one-pixel pen and AutoRedraw on, the bounds
  // are checked once for the column and its pixels are walked directly, in
  // the band of columns it belongs to.
  template <class Rule>
  void TransformColumn(int x, int lastRow, const Rule& rule) {
    store_.TransformColumn(x, lastRow, rule);
  }

  // Starts copying the persistent image on a thread of its own, so that the
  // next drawing, made while another holder keeps the image as it is now (an
  // undo step), finds its own copy ready instead of making it then.
  void CopyAhead() { store_.CopyAhead(); }

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
  // Ctrl+-, Ctrl+0 (fit) and Ctrl+1 (100 %) anywhere in the window; and pan
  // a picture larger than its container: the wheel over either moves it up
  // and down, Shift + wheel sideways.
  void EnableZoomKeys();
  // Moves the box by dx, dy pixels of its container, so far as it reaches
  // past the container's edge in that direction.
  void Pan(int dx, int dy);
  std::function<void()> ZoomChanged;

  // A preview over the view: the part of the picture on the screen shown
  // through a filter's rule, or tinted where a filter would change it. Only
  // what is shown changes; the picture, the image, Point and the mouse events
  // stay as they are. Empty shows the picture again.
  void setPreview(std::optional<filters::Preview> preview);
  const std::optional<filters::Preview>& ShownPreview() const { return preview_; }

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
  static int toPixel(double v);
  void flushDirty();
  void repaintPending();
  int innerWidth() const;
  int innerHeight() const;
  int shownWidth() const { return ShownSize(innerWidth(), zoom_); }
  int shownHeight() const { return ShownSize(innerHeight(), zoom_); }
  QPointF pictureCoordinates(const QMouseEvent& event) const;
  // Ctrl + wheel zooms; the wheel alone pans.
  bool wheelTurned(QWheelEvent* event, QPointF anchor);
  // Both draw the device pixels of area (in the screen's own pixels, where
  // the painter now draws) that show the picture by the spans x and y.
  void paintPicture(QPainter& painter, const QRect& area, const QImage& image, const DeviceSpan& x,
                    const DeviceSpan& y);
  // false when it could not be drawn
  bool paintPreview(QPainter& painter, const QRect& area, const QImage& image, const DeviceSpan& x,
                    const DeviceSpan& y);
  float scaleFactor() const { return scaleMode_ == 3 ? 1.0f : TwipsPerPixel; }

  // The picture, the image and the drawing on it. The view reads the image
  // to paint it and takes the columns drawn on to repaint them.
  PictureStore store_;
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
  std::optional<filters::Preview> preview_;

  bool autoSize_ = false;
  int scaleMode_ = 1;
  int fillStyle_ = 1;
  ColorValue fillColor_ = 0;
  ColorValue foreColor_ = SystemWindowText;
  ColorValue backColor_ = SystemWindowBackground;
};

}  // namespace platform
