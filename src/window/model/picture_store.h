#pragma once
// What a picture box holds, without the box: a picture, a persistent image
// drawn on pixel by pixel, shared with the copies of it handed out until the
// first drawing, the band of columns a scan walks, and the columns drawn on
// that wait to be shown.

#include "core/colors.h"
#include "core/row_walk.h"
#include "window/model/background_copy.h"

#include <QImage>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

namespace platform {

class PictureStore {
 public:
  PictureStore() = default;
  PictureStore(const PictureStore&) = delete;
  PictureStore& operator=(const PictureStore&) = delete;

  const QImage& Picture() const { return picture_; }
  // Restarts the persistent image from picture, in RGB32, and forgets what
  // was drawn and not yet shown.
  void SetPicture(const QImage& picture);
  // The persistent image: the picture plus everything drawn on it.
  QImage Image() const;
  // The image as it is now, to be shown: not handed out, so drawing on it
  // goes on in place.
  const QImage& Shown() const;
  // Hands the persistent image to edit, which changes its pixels or puts
  // another of the same size in its place.
  void EditImage(const std::function<void(QImage&)>& edit);
  // Starts copying the persistent image on a thread of its own, so that the
  // next drawing, made while another holder keeps the image as it is now (an
  // undo step), finds its own copy ready instead of making it then.
  void CopyAhead();
  // A copy made ahead is on its way, neither taken nor dropped yet.
  bool CopyingAhead() const { return copy_.Running(); }

  bool IsNull() const { return image_.isNull(); }
  std::size_t Width() const { return w_; }
  std::size_t Height() const { return h_; }

  // The pen: its width in pixels, and whether drawing is kept (AutoRedraw)
  // rather than shown pixel by pixel as it is made.
  int DrawWidth() const { return drawWidth_; }
  void setDrawWidth(int width) {
    drawWidth_ = width;
    updateFastDraw();
  }
  bool AutoRedraw() const { return autoRedraw_; }
  void setAutoRedraw(bool on) {
    autoRedraw_ = on;
    updateFastDraw();
  }
  // Called after each drawing made with AutoRedraw off, which is to be shown at once.
  std::function<void()> DrawnAtOnce;

  // The columns drawn on since the last call, first to last; first > last when none.
  std::pair<std::ptrdiff_t, std::ptrdiff_t> TakeDrawnColumns() {
    return {std::exchange(dirtyX0_, PTRDIFF_MAX), std::exchange(dirtyX1_, -1)};
  }

  // The pixel at (x, y) of the persistent image, or -1 outside it.
  ColorValue Point(int x, int y) const {
    if (!inside(x, y)) return -1;
    if (inBand(x)) [[unlikely]]
      return FromQRgb(band_[std::size_t(x - bandX0_) * h_ + std::size_t(y)]);
    return FromQRgb(reinterpret_cast<const QRgb*>(bits_ + y * bpl_)[x]);
  }

  // Paints the pixel at (x, y), or the pen's square about it; a position
  // outside the picture changes nothing.
  void PSet(int x, int y, ColorValue color) {
    if (!inside(x, y)) return;
    if (!fastDraw_) [[unlikely]]
      return PSetSlow(x, y, color);
    reinterpret_cast<QRgb*>(bits_ + y * bpl_)[x] = ToQRgb(color);
    // The columns drawn on are shown, nothing more. The range is only
    // written when it grows, so that successive pixels do not wait on it.
    if (x < dirtyX0_ || x > dirtyX1_) [[unlikely]]
      markDirty(x);
  }

  // For each y from 0 to lastRow, the effect of c = Point(x, y) and then
  // PSet(x, y, rule(c)) where rule(c) differs from c: positions outside the
  // picture are left out, and a column the rule leaves as it was is neither
  // copied nor drawn on. With a one-pixel pen and AutoRedraw on, the bounds
  // are checked once for the column and its pixels are walked directly, in
  // the band of columns it belongs to, by the walker of row_walk.h for the
  // filters' rules.
  template <class Rule>
  void TransformColumn(int x, int lastRow, const Rule& rule);

 private:
  // Members read on every pixel are of types that a pixel store cannot alias,
  // so the compiler keeps them in registers across a scan.
  bool inside(std::ptrdiff_t x, std::ptrdiff_t y) const {
    return static_cast<std::size_t>(x) < w_ && static_cast<std::size_t>(y) < h_;
  }
  void updateFastDraw() { fastDraw_ = drawWidth_ == 1 && !shared_ && autoRedraw_ && bandColumns_ == 0; }
  void PSetSlow(int x, int y, ColorValue color);
  template <class Walk>
  void walkInPlace(std::ptrdiff_t x, std::ptrdiff_t rows, const Walk& walk);
  void markDirty(std::ptrdiff_t x) {
    dirtyX0_ = x < dirtyX0_ ? x : dirtyX0_;
    dirtyX1_ = x > dirtyX1_ ? x : dirtyX1_;
  }
  bool inBand(std::ptrdiff_t x) const { return static_cast<std::size_t>(x - bandX0_) < bandColumns_; }
  QRgb* bandColumn(std::ptrdiff_t x);
  void bandColumnChanged(std::ptrdiff_t x);
  void writeBackBand() const;
  void closeBand();
  void dropBand();  // its changes are forgotten
  void ensureOwnImage();
  void copyAhead();
  void attach();

  QImage picture_;
  QImage image_;
  mutable bool shared_ = false;    // image_ may share its pixels with a copy handed out
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
  // Mutable: writing the band back moves the newest pixels, never changes what Point reads.
  mutable std::ptrdiff_t bandChanged0_ = PTRDIFF_MAX, bandChanged1_ = -1;
  // The copy of the image made ahead (of a newly set picture, or after a
  // run); declared after the image it reads, so that it stops first.
  BackgroundCopy copy_;
  int drawWidth_ = 1;
  bool autoRedraw_ = false;
};

namespace storewalk {

// pixel = ToQRgb(rule(FromQRgb(pixel))) over count adjacent pixels; true when
// rule(c) differs from c for any. The filters' rules go through the walker;
// any other function of the colour is called pixel by pixel, to the same
// effect.
template <class Rule>
bool Walk(QRgb* pixels, std::ptrdiff_t count, const Rule& rule) {
  if constexpr (requires { filters::WalkRowChanged(pixels, count, rule); }) {
    return filters::WalkRowChanged(pixels, count, rule);
  } else {
    ColorValue changed = 0;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
      const ColorValue c = FromQRgb(pixels[i]);
      const ColorValue now = rule(c);
      changed |= now ^ c;
      pixels[i] = ToQRgb(now);
    }
    return changed != 0;
  }
}

// A column too tall for a band is walked this many pixels at a time.
inline constexpr std::ptrdiff_t Stretch = 2048;

}  // namespace storewalk

template <class Rule>
void PictureStore::TransformColumn(int x, int lastRow, const Rule& columnRule) {
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
  const auto walk = [&rule](QRgb* pixels, std::ptrdiff_t count) { return storewalk::Walk(pixels, count, rule); };
  if (QRgb* column = bandColumn(x)) {
    if (walk(column, rows)) bandColumnChanged(x);
    return;
  }
  walkInPlace(x, rows, walk);
}

// A column that has no band (too tall for one, or no memory for it) is
// copied out a stretch at a time into adjacent pixels, walked there and put
// back; nothing is written, and no copy of the image made, before the first
// stretch the rule changes.
template <class Walk>
void PictureStore::walkInPlace(std::ptrdiff_t x, std::ptrdiff_t rows, const Walk& walk) {
  QRgb stretch[storewalk::Stretch];
  bool drawn = false;
  for (std::ptrdiff_t top = 0; top < rows; top += storewalk::Stretch) {
    const std::ptrdiff_t count = std::min(rows - top, storewalk::Stretch);
    const uchar* from = bits_ + top * bpl_ + x * 4;
    for (std::ptrdiff_t i = 0; i < count; ++i) stretch[i] = *reinterpret_cast<const QRgb*>(from + i * bpl_);
    if (!walk(stretch, count)) continue;
    if (!drawn) {
      ensureOwnImage();
      if (!inside(x, top)) return;  // no memory for a copy of our own: nothing can be drawn
      drawn = true;
    }
    uchar* to = bits_ + top * bpl_ + x * 4;
    for (std::ptrdiff_t i = 0; i < count; ++i) *reinterpret_cast<QRgb*>(to + i * bpl_) = stretch[i];
  }
  if (drawn) markDirty(x);
}

}  // namespace platform
