#include "window/model/preview.h"

#include "core/row_walk.h"
#include "window/model/zoom.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace filters {

namespace {
// The far end of one channel from a range centred on the target's value.
int FarFrom(const ChannelRange& range) { return (range.lo + range.hi) / 2 < 128 ? 255 : 0; }
}  // namespace

ChangesTinted::ChangesTinted(const RemovalRule& rule)
    : rule_(rule), tint_(qRgb(FarFrom(rule.red()), FarFrom(rule.green()), FarFrom(rule.blue()))) {}

QRgb ChangesTinted::operator()(QRgb pixel) const {
  const ColorValue c = platform::FromQRgb(pixel);
  if (rule_(c) == c) return pixel;
  // Each channel halfway to the tint's: 0xFE masks keep the halves from
  // carrying into the next channel.
  return 0xFF000000u | ((((pixel & 0xFEFEFEu) >> 1) + ((tint_ & 0xFEFEFEu) >> 1)) & 0xFFFFFFu);
}

void PreviewRow(QRgb* row, std::ptrdiff_t count, const Preview& preview) {
  std::visit(
      [&](const auto& rule) {
        using Kind = std::decay_t<decltype(rule)>;
        if constexpr (std::is_same_v<Kind, ChangesTinted>) {
          for (std::ptrdiff_t i = 0; i < count; ++i) row[i] = rule(row[i]);
        } else if constexpr (std::is_same_v<Kind, ComputedResult>) {
          (void)row;
        } else {
          WalkRow(row, count, rule);
        }
      },
      preview);
}

QImage PreviewView(const QImage& picture, const platform::DeviceSpan& x, const platform::DeviceSpan& y, QRect area,
                   const Preview& preview) {
  if (picture.isNull() || area.isEmpty()) return {};
  const auto* result = std::get_if<ComputedResult>(&preview);
  if (result && (result->picture.size() != picture.size() || result->picture.format() != QImage::Format_RGB32))
    return {};
  const QImage& source = result ? result->picture : picture;
  QImage shown(area.size(), QImage::Format_RGB32);
  if (shown.isNull()) return shown;
  const auto on = [](const platform::DeviceSpan& span, int device, int size) {
    return std::clamp(span.PixelAt(device), 0, size - 1);
  };
  std::vector<int> columns(std::size_t(area.width()));
  for (int i = 0; i < area.width(); ++i) columns[std::size_t(i)] = on(x, area.left() + i, source.width());
  for (int j = 0; j < area.height(); ++j) {
    const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(on(y, area.top() + j, source.height())));
    auto* out = reinterpret_cast<QRgb*>(shown.scanLine(j));
    for (int i = 0; i < area.width(); ++i) out[i] = line[columns[std::size_t(i)]];
    PreviewRow(out, area.width(), preview);
  }
  return shown;
}

}  // namespace filters
