#include "window/forms/control.h"

#include <QWidget>

#include <cmath>

namespace platform {

Control::Control(QWidget* widget, QString name, int index) : widget_(widget), name_(std::move(name)), index_(index) {}

void Control::Move(float left, float top, float width, float height) {
  left_ = left, top_ = top, width_ = width, height_ = height;
  apply();
}

void Control::setVisible(bool visible) {
  visible_ = visible;
  widget_->setVisible(visible);
}

QRect Control::widgetGeometry() const {
  const auto px = [](float twips, double scale) {
    return scale == 1 ? TwipsToPixels(twips) : static_cast<int>(std::lround(twips * scale / TwipsPerPixel));
  };
  return {origin_.x() + px(left_, placeScale_), origin_.y() + px(top_, placeScale_),
          std::max(0, px(width_, sizeScale_)), std::max(0, px(height_, sizeScale_))};
}

void Control::apply() { widget_->setGeometry(widgetGeometry()); }

}  // namespace platform
