#include "formats/exact_form.h"

#include "formats/codecs.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace platform {

namespace {

// The distinct colours of a page, up to one more than a palette holds.
class ColourSet {
 public:
  // False once the page has more colours than a palette holds.
  bool add(std::uint32_t colour) {
    std::size_t slot = hash(colour);
    while (slots_[slot] != Empty) {
      if (slots_[slot] == colour) return true;
      slot = (slot + 1) & (Slots - 1);
    }
    if (count_ == MaxPaletteColours) return false;
    slots_[slot] = colour;
    ++count_;
    return true;
  }
  // The colours in increasing order, so that equal pages give equal tables.
  std::vector<std::uint32_t> sorted() const {
    std::vector<std::uint32_t> colours;
    for (std::uint32_t c : slots_)
      if (c != Empty) colours.push_back(c);
    std::sort(colours.begin(), colours.end());
    return colours;
  }

 private:
  static constexpr std::size_t Slots = 1024;           // never more than a quarter full
  static constexpr std::uint32_t Empty = 0xFFFFFFFFu;  // no colour has its top byte set
  static std::size_t hash(std::uint32_t c) { return (c * 0x9E3779B1u) >> 22; }
  std::array<std::uint32_t, Slots> slots_ = [] {
    std::array<std::uint32_t, Slots> s;
    s.fill(Empty);
    return s;
  }();
  int count_ = 0;
};

// One row of 1-bit pixels, 1 for black, the first pixel in the highest bit;
// the bits after the last pixel are 0.
void packBlack(const std::vector<unsigned char>& ones, int width, unsigned char* out) {
  for (int x0 = 0; x0 < width; x0 += 8) {
    std::uint64_t eight;
    std::memcpy(&eight, ones.data() + x0, 8);
    // Each byte of `eight` is 0 or 1; the product gathers them, the first
    // one highest, in its top byte.
    out[x0 / 8] = static_cast<unsigned char>((eight * 0x8040201008040201ull) >> 56);
  }
}

}  // namespace

// Rows of pure black and white are checked first without a jump, and packed
// in 1 bit a pixel as they are read; from the first other row on, colours are
// counted (when asked) until there are too many for a palette and the rows are
// checked for grey until one is not.
PixelSurvey SurveyPixels(const QImage& picture, bool countColours) {
  PixelSurvey s;
  const int width = picture.width(), height = picture.height();
  const std::size_t rowBytes = (std::size_t(width) + 7) / 8;
  s.blackRows.resize(rowBytes * std::size_t(height));
  std::vector<unsigned char> ones(rowBytes * 8, 0);
  int y = 0;
  for (; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    std::uint32_t other = 0;
    for (int x = 0; x < width; ++x) {
      // Black becomes 1 and white 0x1000000, both 0 once masked; any other
      // colour keeps a bit.
      other |= ((line[x] & 0xFFFFFFu) + 1) & 0xFFFFFEu;
      ones[std::size_t(x)] = (~line[x]) & 1;  // black's low bit is 0
    }
    if (other) break;
    packBlack(ones, width, s.blackRows.data() + rowBytes * std::size_t(y));
  }
  if (y == height) return s;
  s.blackAndWhite = false;
  s.blackRows = {};
  s.few = countColours;
  ColourSet set;
  for (int row = s.few ? 0 : y; row < height && (s.few || s.grey); ++row) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(row));
    if (row < y) {  // black and white only: their colours are counted, no more
      std::uint32_t last = 0xFFFFFFFFu;
      for (int x = 0; x < width; ++x)
        if ((line[x] & 0xFFFFFFu) != last) set.add(last = line[x] & 0xFFFFFFu);
      continue;
    }
    if (s.grey) {
      std::uint32_t notGrey = 0;
      for (int x = 0; x < width; ++x) {
        const std::uint32_t p = line[x];
        notGrey |= (((p >> 16) ^ (p >> 8)) | ((p >> 8) ^ p)) & 0xFF;
      }
      s.grey = notGrey == 0;
    }
    if (s.few) {
      std::uint32_t last = 0xFFFFFFFFu;
      for (int x = 0; x < width && s.few; ++x) {
        const std::uint32_t p = line[x] & 0xFFFFFFu;
        if (p != last) s.few = set.add(last = p);
      }
    }
  }
  if (s.few) s.colours = set.sorted();
  return s;
}

QImage CompactForm(const QImage& picture) {
  if (picture.format() != QImage::Format_RGB32 || picture.isNull()) return picture;
  const int width = picture.width(), height = picture.height();
  const PixelSurvey s = SurveyPixels(picture, false);
  QImage compact;
  if (s.blackAndWhite) {
    // Index 0 black, 1 white: the survey's rows inverted, the bits after the
    // last pixel (and the padding of each line) left 0 so that no writer sees
    // a stray bit.
    compact = QImage(width, height, QImage::Format_Mono);
    if (compact.isNull()) return picture;
    compact.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const std::size_t rowBytes = (std::size_t(width) + 7) / 8;
    const auto last = static_cast<unsigned char>(0xFF00 >> ((width - 1) % 8 + 1));
    for (int y = 0; y < height; ++y) {
      const unsigned char* black = s.blackRows.data() + rowBytes * std::size_t(y);
      uchar* out = compact.scanLine(y);
      std::memset(out, 0, std::size_t(compact.bytesPerLine()));
      for (std::size_t i = 0; i < rowBytes; ++i) out[i] = static_cast<uchar>(~black[i]);
      out[rowBytes - 1] &= last;
    }
  } else if (s.grey) {
    compact = QImage(width, height, QImage::Format_Indexed8);
    if (compact.isNull()) return picture;
    QList<QRgb> greys(256);
    for (int i = 0; i < 256; ++i) greys[i] = qRgb(i, i, i);
    compact.setColorTable(greys);
    for (int y = 0; y < height; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
      uchar* out = compact.scanLine(y);
      std::memset(out + width, 0, std::size_t(compact.bytesPerLine() - width));
      for (int x = 0; x < width; ++x) out[x] = uchar(line[x] & 0xFF);
    }
  } else {
    return picture;
  }
  compact.setDotsPerMeterX(picture.dotsPerMeterX());
  compact.setDotsPerMeterY(picture.dotsPerMeterY());
  return compact;
}

}  // namespace platform
