#pragma once
// The arithmetic of a zoomed view of a picture: which picture pixel lies
// under a point of the view, the zoom steps, the zoom that fits a picture
// into a frame, the zoom as the user reads it, and the averaged picture shown
// when zoomed out.

#include <QImage>
#include <QString>

namespace platform {

inline constexpr double MinZoom = 1.0 / 32;
inline constexpr double MaxZoom = 8;

// The size, in view pixels, of `size` picture pixels at `zoom` (at least one
// pixel for a picture that has any). Above 100 % zooms are whole numbers.
int ShownSize(int size, double zoom);

// The picture pixel under a point `offset` view pixels right of (or below) the
// picture's first pixel, when `size` picture pixels are shown over `shown`
// view pixels: the pixel whose square holds the point, never the nearest one.
int PixelUnder(double offset, int size, int shown);

// How a picture lies on the screen's own pixels ("device pixels", several to
// a view pixel on a dense screen, not always a whole number of them) along
// one axis. The picture is drawn and the pointer read through this alone, so
// that the readout is always the pixel drawn under the pointer.
struct DeviceSpan {
  int first = 0;  // the first device pixel that shows the picture
  int count = 0;  // how many do
  int size = 0;   // how many picture pixels they show
  // The picture pixel the pointer at `device` reads. Device pixel first + k
  // shows the pixels k * size / count up to (k + 1) * size / count (divisions
  // rounded down), at least one: zoomed in, anywhere on it the one pixel it
  // shows; zoomed out, their average, and the pointer reads the one under the
  // point within it. Before the first device pixel the answer is negative,
  // past the last it is size or more.
  int PixelAt(double device) const;
};

// The device pixel that a fill from `at` onwards begins with: the first whose
// centre lies at or past `at`, as the painter fills.
int DeviceEdge(double at);

// `size` picture pixels shown over `shown` view pixels from `origin` (in
// device pixels, fractional where the ratio is) at `ratio` device pixels to
// the view pixel: the device pixels whose centres lie within, at least one.
DeviceSpan SpanOnDevice(double origin, int shown, double ratio, int size);

// The next zoom step in and out (powers of two) from `zoom`, within 1/32 to 8.
double ZoomIn(double zoom);
double ZoomOut(double zoom);

// The largest zoom at which a width x height picture fits into a frame of
// frameWidth x frameHeight view pixels; above 100 % a whole number.
double FitZoom(int width, int height, int frameWidth, int frameHeight);

// "Zoom 100 %", "Zoom 12,5 %": the zoom as shown to the user.
QString ZoomText(double zoom);

// Fills the columns first to last of view with the averages of the blocks of
// source that they show: view pixel (vx, vy) stands for source columns
// vx * W / V up to (vx + 1) * W / V and the same for rows, at least one.
void AverageColumns(const QImage& source, QImage& view, int first, int last);

}  // namespace platform
