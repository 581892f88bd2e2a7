#include "platform/completeness.h"

#include <QIODevice>

#include <cstdint>

namespace platform {

namespace {

// Sequential reading that remembers running out of bytes.
class Bytes {
 public:
  explicit Bytes(QIODevice& device) : device_(device) {}

  int next() {
    if (at_ == buffer_.size()) {
      buffer_ = device_.read(1 << 16);
      at_ = 0;
      if (buffer_.isEmpty()) {
        ended_ = true;
        return -1;
      }
    }
    return static_cast<std::uint8_t>(buffer_[at_++]);
  }
  int u16le() { return next() | next() << 8; }
  int u16be() { return next() << 8 | next(); }
  void skip(qint64 n) {
    while (n-- > 0 && !ended_) next();
  }
  bool ended() const { return ended_; }

 private:
  QIODevice& device_;
  QByteArray buffer_;
  qsizetype at_ = 0;
  bool ended_ = false;
};

// Uncompressed rows must all be there; compressed data ends where it says.
Completeness checkBmp(QIODevice& device, qint64 size) {
  const QByteArray head = device.peek(34);
  if (head.size() < 34) return Completeness::Truncated;
  if (head[14] == 12) return Completeness::Unknown;  // the old OS/2 header lays its fields out otherwise
  const auto u32 = [&](int at) {
    return qint64(std::uint8_t(head[at])) | qint64(std::uint8_t(head[at + 1])) << 8 |
           qint64(std::uint8_t(head[at + 2])) << 16 | qint64(std::uint8_t(head[at + 3])) << 24;
  };
  const qint64 offset = u32(10), width = std::int32_t(u32(18)), height = std::int32_t(u32(22));
  const qint64 bits = std::uint8_t(head[28]) | std::uint8_t(head[29]) << 8, compression = u32(30);
  if (compression != 0 && compression != 3) return Completeness::Unknown;
  const qint64 rowBytes = (width * bits + 31) / 32 * 4;
  const qint64 rows = height < 0 ? -height : height;
  return offset + rowBytes * rows <= size ? Completeness::Complete : Completeness::Truncated;
}

// The first image's data must reach its terminating empty sub-block.
Completeness checkGif(Bytes& in) {
  in.skip(10);
  const int packed = in.next();
  in.skip(2);
  if (packed & 0x80) in.skip(3 << ((packed & 7) + 1));
  const auto skipSubBlocks = [&] {
    for (int n = in.next(); n > 0; n = in.next()) in.skip(n);
  };
  for (;;) {
    const int introducer = in.next();
    if (in.ended()) return Completeness::Truncated;
    if (introducer == 0x3B) return Completeness::Unknown;  // no image at all: the decoder refuses it
    if (introducer == 0x21) {
      in.next();
      skipSubBlocks();
    } else if (introducer == 0x2C) {
      in.skip(8);
      const int local = in.next();
      if (local & 0x80) in.skip(3 << ((local & 7) + 1));
      in.next();  // the LZW code size
      skipSubBlocks();
      return in.ended() ? Completeness::Truncated : Completeness::Complete;
    } else {
      return Completeness::Unknown;
    }
    if (in.ended()) return Completeness::Truncated;
  }
}

// Segments are walked by their lengths and the entropy-coded data after each
// start of scan up to the next marker, until the end-of-image marker.
Completeness checkJpeg(Bytes& in) {
  in.skip(2);
  for (;;) {
    int byte = in.next();
    while (byte != 0xFF && !in.ended()) byte = in.next();  // entropy-coded data or fill
    int marker = in.next();
    while (marker == 0xFF) marker = in.next();
    if (in.ended()) return Completeness::Truncated;
    if (marker == 0xD9) return Completeness::Complete;
    if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
    const int length = in.u16be();
    if (length < 2) return Completeness::Unknown;
    in.skip(length - 2);
    if (in.ended()) return Completeness::Truncated;
  }
}

}  // namespace

Completeness CheckComplete(QIODevice& device) {
  const qint64 start = device.pos();
  const QByteArray magic = device.peek(4);
  Completeness result = Completeness::Unknown;
  Bytes in(device);
  if (magic.startsWith("BM"))
    result = checkBmp(device, device.size() - start);
  else if (magic.startsWith("GIF8"))
    result = checkGif(in);
  else if (magic.startsWith("\xFF\xD8"))
    result = checkJpeg(in);
  device.seek(start);
  return result;
}

}  // namespace platform
