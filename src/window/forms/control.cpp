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
  return {origin_.x() + TwipsToPixels(left_), origin_.y() + TwipsToPixels(top_), std::max(0, TwipsToPixels(width_)),
          std::max(0, TwipsToPixels(height_))};
}

void Control::apply() { widget_->setGeometry(widgetGeometry()); }

}  // namespace platform
