#pragma once
// What a filter would do, shown before it runs. Only what the view shows is
// computed: the picture pixels behind the device pixels of the screen that
// show part of the picture, passed through a filter's rule or tinted where
// colour removal would change it, and reduced as the view reduces them. The cost follows the part
// of the picture in view, never the whole picture.

#include "core/pixel_rules.h"
#include "window/model/zoom.h"

#include <QImage>
#include <QRect>

#include <cstddef>
#include <variant>

namespace filters {

// The pixels that colour removal with this rule would change, shown tinted:
// mixed half and half with the corner of the colour cube farthest from the
// target, so that a tinted pixel always differs from its own colour and
// never looks like one near the target.
class ChangesTinted {
 public:
  explicit ChangesTinted(const RemovalRule& rule);
  QRgb operator()(QRgb pixel) const;
  // The pixel tinted, whether the rule changes it or not.
  QRgb Tinted(QRgb pixel) const;
  const RemovalRule& rule() const { return rule_; }

 private:
  RemovalRule rule_;
  QRgb tint_;
};

// A page step's result, computed beforehand for the whole picture: the view
// shows its pixels where it would show the picture's.
struct ComputedResult {
  QImage picture;
};

// A filter's own rule shows its result; ChangesTinted shows what it touches.
using Preview = std::variant<RemovalRule, GreyTypeRule, WhiteningRule, ChangesTinted, ComputedResult>;

// Applies the preview to the count pixels of an RGB32 row, in place; a
// filter's rule through the same row walk its runs use. A computed result
// leaves the row as it is: its pixels are those PreviewView samples.
void PreviewRow(QRgb* row, std::ptrdiff_t count, const Preview& preview);

// The device pixels area of a view that shows the picture by the spans x
// and y with the preview applied: an RGB32 image of area's size, or a null
// one when there is no memory for it or a computed result is not of the
// picture's size. At 100 % and above each device pixel shows the picture
// pixel the pointer reads there, passed through the preview. Zoomed out, the
// preview is applied to every picture pixel a device pixel of area stands
// for, at full size, and the device pixel shows their average, as the view
// shows the picture (AverageColumns): the result the run would give, reduced
// as the view would show it. The work follows the part of the picture shown.
QImage PreviewView(const QImage& picture, const platform::DeviceSpan& x, const platform::DeviceSpan& y, QRect area,
                   const Preview& preview);

}  // namespace filters
