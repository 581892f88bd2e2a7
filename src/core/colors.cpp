#include "core/colors.h"

#include <QGuiApplication>
#include <QPalette>

#include <cmath>

namespace platform {

QColor ToQColor(ColorValue c) {
  if (c == SystemWindowBackground) return QGuiApplication::palette().color(QPalette::Base);
  if (c == SystemWindowText) return QGuiApplication::palette().color(QPalette::Text);
  return QColor::fromRgb(ToQRgb(c));
}

double RelativeLuminance(ColorValue c) {
  auto linear = [](unsigned byte) {
    const double v = byte / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  const auto u = static_cast<std::uint32_t>(c);
  return 0.2126 * linear(u & 0xFFu) + 0.7152 * linear((u >> 8) & 0xFFu) + 0.0722 * linear((u >> 16) & 0xFFu);
}

bool IsDarkBackground(ColorValue c) {
  if (c == SystemWindowBackground || c == SystemWindowText) return false;
  static const double equalContrast = std::sqrt(1.05 * 0.05) - 0.05;
  return RelativeLuminance(c) < equalContrast;
}

}  // namespace platform
