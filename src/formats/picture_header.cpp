#include "formats/picture_header.h"

#include <algorithm>
#include <cstdint>

namespace platform {

namespace {

// Reads at offsets of the data, giving 0 past its end; callers check the
// length they need before relying on a value.
class Header {
 public:
  explicit Header(const QByteArray& data) : data_(data) {}
  qint64 size() const { return data_.size(); }
  std::uint32_t u8(qint64 at) const { return at >= 0 && at < data_.size() ? std::uint8_t(data_[at]) : 0; }
  std::uint32_t u16(qint64 at, bool bigEndian) const {
    return bigEndian ? u8(at) << 8 | u8(at + 1) : u8(at) | u8(at + 1) << 8;
  }
  std::uint32_t u32(qint64 at, bool bigEndian) const {
    return bigEndian ? u16(at, true) << 16 | u16(at + 2, true) : u16(at, false) | u16(at + 2, false) << 16;
  }

 private:
  const QByteArray& data_;
};

QSize checked(qint64 width, qint64 height) {
  if (width <= 0 || height <= 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return {};
  return QSize(int(width), int(height));
}

QSize bmpSize(const Header& h) {
  const std::uint32_t headerSize = h.u32(14, false);
  if (h.size() < 14 + qint64(headerSize)) return {};
  if (headerSize == 12) return checked(h.u16(18, false), h.u16(20, false));  // the old OS/2 header
  if (headerSize != 16 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 &&
      headerSize != 108 && headerSize != 124)
    return {};
  const qint64 width = std::int32_t(h.u32(18, false)), height = std::int32_t(h.u32(22, false));
  return checked(width, height < 0 ? -height : height);  // a negative height: rows stored top-down
}

// The logical screen, widened to the first frame's extent.
QSize gifSize(const Header& h) {
  if (h.size() < 13) return {};
  qint64 width = h.u16(6, false), height = h.u16(8, false);
  qint64 at = 13;
  if (h.u8(10) & 0x80) at += 3 << ((h.u8(10) & 7) + 1);
  while (at < h.size()) {
    const std::uint32_t introducer = h.u8(at);
    if (introducer == 0x2C) {
      if (at + 10 > h.size()) return {};
      width = std::max<qint64>(width, h.u16(at + 1, false) + h.u16(at + 5, false));
      height = std::max<qint64>(height, h.u16(at + 3, false) + h.u16(at + 7, false));
      return checked(width, height);
    }
    if (introducer != 0x21) return {};
    at += 2;  // the extension's label
    for (std::uint32_t n = h.u8(at); at < h.size() && n > 0; n = h.u8(at)) at += n + 1;
    ++at;
  }
  return {};
}

// The first start-of-frame segment's size; a height of 0 (given later by a
// DNL segment) is not taken.
QSize jpegSize(const Header& h) {
  qint64 at = 2;
  while (at + 4 <= h.size()) {
    if (h.u8(at) != 0xFF) return {};
    const std::uint32_t marker = h.u8(at + 1);
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) return at + 9 <= h.size() ? checked(h.u16(at + 7, true), h.u16(at + 5, true)) : QSize();
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return {};  // data before any frame header
    at += 2 + h.u16(at + 2, true);
  }
  return {};
}

// The header chunk must come first.
QSize pngSize(const Header& h) {
  if (h.size() < 33 || h.u32(8, true) != 13 || h.u32(12, true) != 0x49484452) return {};  // "IHDR"
  return checked(h.u32(16, true), h.u32(20, true));
}

// The first directory's width and height entries; BigTIFF's directory
// counts and offsets take 8 bytes, its entries 20.
QSize tiffSize(const Header& h) {
  const bool be = h.u8(0) == 'M', big = h.u16(2, be) == 43;
  const auto u64 = [&](qint64 at) {
    return be ? qint64(h.u32(at, true)) << 32 | h.u32(at + 4, true)
              : qint64(h.u32(at + 4, false)) << 32 | h.u32(at, false);
  };
  const qint64 directory = big ? u64(8) : h.u32(4, be);
  if (directory < 8 || directory >= h.size()) return {};
  const qint64 entries = big ? u64(directory) : h.u16(directory, be);
  const qint64 entryBytes = big ? 20 : 12, first = directory + (big ? 8 : 2);
  if (entries < 0 || entries > (h.size() - first) / entryBytes) return {};
  qint64 width = 0, height = 0;
  for (qint64 i = 0; i < entries; ++i) {
    const qint64 at = first + i * entryBytes, valueAt = at + (big ? 12 : 8);
    const std::uint32_t tag = h.u16(at, be), type = h.u16(at + 2, be);
    if ((tag != 256 && tag != 257) || (big ? u64(at + 4) : h.u32(at + 4, be)) != 1) continue;
    const qint64 value = type == 3 ? h.u16(valueAt, be) : type == 4 ? h.u32(valueAt, be) : 0;
    (tag == 256 ? width : height) = value;
  }
  return checked(width, height);
}

// A PDF's header may come after a little junk, which readers skip.
constexpr qsizetype PdfHeaderReach = 1024;

}  // namespace

bool StartsAsPdf(const QByteArray& head) { return head.left(PdfHeaderReach).contains("%PDF-"); }

PictureFormat FormatOf(const QByteArray& data) {
  if (data.startsWith("BM")) return PictureFormat::Bmp;
  if (data.startsWith("GIF87a") || data.startsWith("GIF89a")) return PictureFormat::Gif;
  if (data.startsWith("\xFF\xD8\xFF")) return PictureFormat::Jpeg;
  if (data.startsWith("\x89PNG\r\n\x1A\n")) return PictureFormat::Png;
  if (data.startsWith(QByteArray("II*\0", 4)) || data.startsWith(QByteArray("MM\0*", 4)) ||
      data.startsWith(QByteArray("II+\0\x08\0\0\0", 8)) || data.startsWith(QByteArray("MM\0+\0\x08\0\0", 8)))
    return PictureFormat::Tiff;  // classic TIFF or BigTIFF (8-byte offsets)
  return PictureFormat::Other;
}

const char* FormatName(PictureFormat format) {
  switch (format) {
    case PictureFormat::Bmp:
      return "bmp";
    case PictureFormat::Gif:
      return "gif";
    case PictureFormat::Jpeg:
      return "jpeg";
    case PictureFormat::Png:
      return "png";
    case PictureFormat::Tiff:
      return "tiff";
    default:
      return "";
  }
}

QSize DeclaredSize(const QByteArray& data, PictureFormat format) {
  const Header header(data);
  switch (format) {
    case PictureFormat::Bmp:
      return bmpSize(header);
    case PictureFormat::Gif:
      return gifSize(header);
    case PictureFormat::Jpeg:
      return jpegSize(header);
    case PictureFormat::Png:
      return pngSize(header);
    case PictureFormat::Tiff:
      return tiffSize(header);
    default:
      return {};
  }
}

}  // namespace platform
