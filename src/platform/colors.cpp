#include "platform/colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

QColor ToQColor(ColorValue c) {
  if (c == SystemWindowBackground) return QGuiApplication::palette().color(QPalette::Base);
  if (c == SystemWindowText) return QGuiApplication::palette().color(QPalette::Text);
  return QColor::fromRgb(ToQRgb(c));
}

}  // namespace platform
