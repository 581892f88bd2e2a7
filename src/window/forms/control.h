#pragma once
// What every control of the window shares: its name, array index, tab index
// and geometry in twips, stored as set; the widget follows at 15 twips to the pixel.

#include "core/numbers.h"

#include <QPoint>
#include <QRect>
#include <QString>

class QWidget;

namespace platform {

class Control {
 public:
  Control(QWidget* widget, QString name, int index);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const QString& Name() const { return name_; }
  int Index() const { return index_; }  // -1 outside a control array
  int TabIndex() const { return tabIndex_; }
  void setTabIndex(int tab) { tabIndex_ = tab; }

  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  void setLeft(float v) {
    left_ = v;
    apply();
  }
  void setTop(float v) {
    top_ = v;
    apply();
  }
  void setWidth(float v) {
    width_ = v;
    apply();
  }
  void setHeight(float v) {
    height_ = v;
    apply();
  }
  void Move(float left, float top) {
    left_ = left, top_ = top;
    apply();
  }
  void Move(float left, float top, float width, float height);

  bool Visible() const { return visible_; }
  void setVisible(bool visible);

  // The layout drawn smaller as one piece: the place (left, top) is drawn at
  // place times its pixels, the size (width, height) at size times; the
  // twips stay as set.
  void setLayoutScale(double place, double size) {
    placeScale_ = place, sizeScale_ = size;
    apply();
  }
  double SizeScale() const { return sizeScale_; }

  // Where the container's client area begins inside its widget, in pixels.
  void setClientOrigin(QPoint origin) {
    origin_ = origin;
    apply();
  }

  QWidget* widget() const { return widget_; }

 protected:
  // Places the widget where widgetGeometry() says.
  void apply();
  // The widget's geometry in its parent, in pixels: the twips as set, at 15 to the pixel.
  virtual QRect widgetGeometry() const;
  QPoint clientOrigin() const { return origin_; }

 private:
  QWidget* widget_;
  QString name_;
  int index_;
  int tabIndex_ = 0;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  QPoint origin_;
  double placeScale_ = 1, sizeScale_ = 1;
};

}  // namespace platform
