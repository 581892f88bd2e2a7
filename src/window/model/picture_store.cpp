#include "window/model/picture_store.h"

#include "core/column_band.h"
#include "core/large_pages.h"

#include <QRect>

#include <cstring>

namespace platform {

namespace {

// A copy of image that no one else holds.
// Below this size the copy is made when the first pixel is drawn.
constexpr qsizetype CopyAheadBytes = qsizetype(4) << 20;

// A band holds about 4 MB of pixels: it stays in the cache while its columns
// are walked, and taking it out or writing it back touches each row once for
// many columns.
constexpr std::size_t BandPixels = std::size_t(1) << 20;
constexpr std::size_t MostBandColumns = 256;

}  // namespace

void PictureStore::SetPicture(const QImage& picture) {
  copy_.Drop();
  dropBand();
  picture_ = picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
  image_ = picture_;
  shared_ = true;
  dirtyX0_ = PTRDIFF_MAX, dirtyX1_ = -1;
  attach();
  copyAhead();
}

// Handing the image out writes the band back first, so the band's write-back state is mutable.
QImage PictureStore::Image() const {
  writeBackBand();
  shared_ = true;
  fastDraw_ = false;
  return image_;
}

const QImage& PictureStore::Shown() const {
  writeBackBand();
  return image_;
}

void PictureStore::EditImage(const std::function<void(QImage&)>& edit) {
  closeBand();
  copy_.Drop();
  edit(image_);
  shared_ = true;  // what edit left may be held elsewhere too
  attach();
}

void PictureStore::copyAhead() {
  if (image_.sizeInBytes() < CopyAheadBytes) return;
  // image_ keeps these pixels unchanged until the copy is taken or dropped:
  // nothing draws on them before ensureOwnImage, which waits for the copy.
  // With no memory or no thread to spare, the copy is made when it is needed.
  copy_.Start(image_);
}

void PictureStore::CopyAhead() {
  closeBand();
  if (copy_.Running()) return;
  // Drawing now goes through ensureOwnImage, which waits for the copy.
  shared_ = true;
  updateFastDraw();
  copyAhead();
}

void PictureStore::ensureOwnImage() {
  if (shared_) {
    // A picture is copied ahead as it is set, while the user looks at it,
    // so that the first run over it does not wait for the copy.
    QImage ahead = copy_.Take(image_);
    if (!image_.isDetached()) image_ = ahead.isNull() ? OwnCopy(image_) : std::move(ahead);
    shared_ = false;
    attach();
  }
  updateFastDraw();
}

void PictureStore::attach() {
  // A null image gives no pixels: Point reads -1 and PSet changes nothing.
  w_ = static_cast<std::size_t>(image_.width());
  h_ = static_cast<std::size_t>(image_.height());
  bpl_ = image_.bytesPerLine();
  updateFastDraw();
  bits_ = w_ > 0 && !shared_ ? image_.bits() : const_cast<uchar*>(image_.constBits());
}

QRgb* PictureStore::bandColumn(std::ptrdiff_t x) {
  if (inBand(x)) return band_.get() + std::size_t(x - bandX0_) * h_;
  closeBand();
  if (h_ > BandPixels) return nullptr;  // a column alone fills a band: walked in place
  const std::size_t columns =
      std::min({std::max<std::size_t>(1, BandPixels / h_), MostBandColumns, w_ - std::size_t(x)});
  if (columns * h_ > bandCapacity_) {
    band_.reset();
    bandCapacity_ = 0;
    band_.reset(new (std::nothrow) QRgb[columns * h_]);
    if (!band_) return nullptr;  // walked in place instead
    bandCapacity_ = columns * h_;
  }
  TakeColumns(bits_, bpl_, x, columns, h_, band_.get());
  bandX0_ = x;
  bandColumns_ = columns;
  updateFastDraw();
  return band_.get();
}

void PictureStore::bandColumnChanged(std::ptrdiff_t x) {
  ensureOwnImage();
  if (!inside(x, 0)) return dropBand();  // no memory for a copy of our own: nothing can be drawn
  bandChanged0_ = std::min(bandChanged0_, x - bandX0_);
  bandChanged1_ = std::max(bandChanged1_, x - bandX0_);
  markDirty(x);
}

void PictureStore::writeBackBand() const {
  if (bandChanged1_ < 0) return;
  PutColumns(band_.get(), h_, std::size_t(bandChanged0_), std::size_t(bandChanged1_), bits_, bpl_, bandX0_);
  bandChanged0_ = PTRDIFF_MAX, bandChanged1_ = -1;
}

void PictureStore::closeBand() {
  writeBackBand();
  dropBand();
}

void PictureStore::dropBand() {
  bandColumns_ = 0;
  bandChanged0_ = PTRDIFF_MAX, bandChanged1_ = -1;
  updateFastDraw();
}

void PictureStore::PSetSlow(int x, int y, ColorValue color) {
  closeBand();
  ensureOwnImage();
  const int half = (drawWidth_ - 1) / 2;
  const QRect dot = QRect(x - half, y - half, drawWidth_, drawWidth_) & image_.rect();
  for (int yy = dot.top(); yy <= dot.bottom(); ++yy) {
    auto* line = reinterpret_cast<QRgb*>(bits_ + yy * bpl_);
    for (int xx = dot.left(); xx <= dot.right(); ++xx) line[xx] = ToQRgb(color);
  }
  dirtyX0_ = std::min<std::ptrdiff_t>(dirtyX0_, dot.left());
  dirtyX1_ = std::max<std::ptrdiff_t>(dirtyX1_, dot.right());
  if (!autoRedraw_ && DrawnAtOnce) DrawnAtOnce();
}

}  // namespace platform
