#include "formats/completeness.h"

#include <QIODevice>

#include <cstdint>
#include <vector>

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
  qint64 u32be() { return qint64(u16be()) << 16 | u16be(); }
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

// Run-length data must fill its picture within its bounds: no run and no jump
// may go past the end of its row or of the picture, and the data may not end
// before the end-of-picture mark while rows are still missing. The mark may
// come early; the rest of the picture is then left blank.
Completeness checkRle(Bytes& in, qint64 width, qint64 height, bool fourBits) {
  if (height < 0) return Completeness::Damaged;  // run-length pictures are stored bottom-up only
  qint64 x = 0, y = 0;
  for (;;) {
    const int count = in.next(), code = in.next();
    if (in.ended()) return y >= height ? Completeness::Complete : Completeness::Truncated;
    if (count > 0) {  // count pixels of one or two colours
      if (y >= height || x + count > width) return Completeness::Damaged;
      x += count;
    } else if (code == 0) {  // end of the row
      if (++y > height) return Completeness::Damaged;
      x = 0;
    } else if (code == 1) {  // end of the picture
      return Completeness::Complete;
    } else if (code == 2) {  // a jump right and up
      x += in.next();
      y += in.next();
      if (in.ended()) return Completeness::Truncated;
      if (x > width || y > height || (y == height && x > 0)) return Completeness::Damaged;
    } else {  // code pixels given one by one, padded to a whole number of 16-bit words
      if (y >= height || x + code > width) return Completeness::Damaged;
      x += code;
      const qint64 bytes = fourBits ? (code + 1) / 2 : code;
      in.skip(bytes + (bytes & 1));
      if (in.ended()) return Completeness::Truncated;
    }
  }
}

// Uncompressed rows must all be there; compressed data ends where it says.
Completeness checkBmp(QIODevice& device, Bytes& in, qint64 size) {
  const QByteArray head = device.peek(34);
  if (head.size() < 26) return Completeness::Truncated;
  const auto u16 = [&](int at) { return qint64(std::uint8_t(head[at])) | qint64(std::uint8_t(head[at + 1])) << 8; };
  const auto u32 = [&](int at) { return u16(at) | u16(at + 2) << 16; };
  const qint64 offset = u32(10);
  // Whether rows of rowBytes each fit after the offset, without multiplying
  // sizes that a header may make as large as it likes.
  const auto rowsFit = [&](qint64 rowBytes, qint64 rows) {
    if (rowBytes < 0) return Completeness::Damaged;
    if (offset > size) return Completeness::Truncated;
    return rowBytes == 0 || rows <= (size - offset) / rowBytes ? Completeness::Complete : Completeness::Truncated;
  };
  if (u32(14) == 12)  // the old OS/2 header: 16-bit sizes, no compression
    return rowsFit((u16(18) * u16(24) + 31) / 32 * 4, u16(20));
  if (head.size() < 34) return Completeness::Truncated;
  const qint64 width = std::int32_t(u32(18)), height = std::int32_t(u32(22));
  const qint64 bits = u16(28), compression = u32(30);
  if ((compression == 1 && bits == 8) || (compression == 2 && bits == 4)) {
    if (width <= 0 || offset > size) return Completeness::Damaged;
    in.skip(offset);
    return checkRle(in, width, height, compression == 2);
  }
  if (compression != 0 && compression != 3) return Completeness::Unknown;
  return rowsFit((width * bits + 31) / 32 * 4, height < 0 ? -height : height);
}

// Follows a GIF frame's LZW codes, counting the pixels they stand for without
// producing them, until the frame's pixels are all given, then reads on to
// the end of the frame's data. A code that no table entry stands for, or an
// end before every pixel is given, makes the frame damaged.
Completeness walkLzw(Bytes& in, qint64 pixels) {
  const int minimum = in.next();
  if (in.ended()) return Completeness::Truncated;
  if (minimum < 1 || minimum > 11) return Completeness::Damaged;
  const int clear = 1 << minimum, end = clear + 1;
  std::vector<qint64> lengths(4096, 1);  // how many pixels each code stands for
  int codeBits = minimum + 1, nextCode = clear + 2, previous = -1;
  qint64 given = 0;
  std::uint32_t held = 0;
  int heldBits = 0, blockLeft = 0;
  bool lastBlock = false;
  while (given < pixels) {
    while (heldBits < codeBits && !lastBlock) {
      if (blockLeft == 0) {
        blockLeft = in.next();
        if (in.ended()) return Completeness::Truncated;
        if (blockLeft == 0) {
          lastBlock = true;  // the frame's data ends here
          break;
        }
      }
      const int byte = in.next();
      if (in.ended()) return Completeness::Truncated;
      held |= std::uint32_t(byte) << heldBits;
      heldBits += 8;
      --blockLeft;
    }
    if (heldBits < codeBits) return Completeness::Damaged;
    const int code = int(held & ((1u << codeBits) - 1));
    held >>= codeBits;
    heldBits -= codeBits;
    if (code == clear) {
      codeBits = minimum + 1, nextCode = clear + 2, previous = -1;
      continue;
    }
    qint64 length;
    if (code < clear)
      length = 1;
    else if (code > end && code < nextCode)
      length = lengths[code];
    else if (code == nextCode && previous >= 0)
      length = lengths[previous] + 1;
    else
      return Completeness::Damaged;  // the end code before the frame is full, or no such entry
    given += length;
    if (previous >= 0 && nextCode < 4096) {
      lengths[nextCode++] = lengths[previous] + 1;
      if (nextCode == 1 << codeBits && codeBits < 12) ++codeBits;
    }
    previous = code;
  }
  if (!lastBlock) {  // the rest of the frame's data, up to its terminator
    in.skip(blockLeft);
    for (int n = in.next(); n > 0; n = in.next()) in.skip(n);
  }
  return in.ended() ? Completeness::Truncated : Completeness::Complete;
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
      in.skip(4);
      const qint64 width = in.u16le(), height = in.u16le();
      const int local = in.next();
      if (local & 0x80) in.skip(3 << ((local & 7) + 1));
      return walkLzw(in, width * height);
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

// Chunks are walked by their lengths up to the end chunk, so that one whose
// length claims more than the file holds is refused before any is read.
Completeness checkPng(Bytes& in, qint64 size) {
  in.skip(8);
  qint64 at = 8;
  for (;;) {
    const qint64 length = in.u32be(), type = in.u32be();
    if (in.ended()) return Completeness::Truncated;
    if (length > 0x7FFFFFFF) return Completeness::Damaged;
    at += 12 + length;
    if (at > size) return Completeness::Truncated;
    in.skip(length + 4);                                    // the data and its check sum
    if (type == 0x49454E44) return Completeness::Complete;  // "IEND"
  }
}

}  // namespace

Completeness CheckComplete(QIODevice& device) {
  const qint64 start = device.pos();
  const QByteArray magic = device.peek(4);
  Completeness result = Completeness::Unknown;
  Bytes in(device);
  if (magic.startsWith("BM"))
    result = checkBmp(device, in, device.size() - start);
  else if (magic.startsWith("GIF8"))
    result = checkGif(in);
  else if (magic.startsWith("\xFF\xD8"))
    result = checkJpeg(in);
  else if (magic.startsWith("\x89PNG"))
    result = checkPng(in, device.size() - start);
  device.seek(start);
  return result;
}

}  // namespace platform
