#include "formats/completeness.h"

#include "formats/codecs.h"
#include "core/numbers.h"
#include "support/test_window.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <gtest/gtest.h>

#include "allocations.h"

using platform::CheckComplete;
using platform::Completeness;

namespace {

QByteArray seed(const char* name) {
  QFile f(QStringLiteral(TINTABORRA_FUZZ_DIR "/seeds/") + name);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
  return f.readAll();
}

QByteArray picture(const char* format, bool progressive = false) {
  QImage image(120, 90, QImage::Format_RGB32);
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 120; ++x) image.setPixel(x, y, qRgb(x * 2, y * 3, (x * y) % 256));
  return testsupport::Encode(image, format, progressive);
}

// A GIF of one 4 x 4 frame whose LZW data (code size 2) is the given bytes
// in one sub-block.
QByteArray gifWithCodes(const QByteArray& codes) {
  QByteArray b("GIF89a\x04\x00\x04\x00\x80\x00\x00", 13);
  b += QByteArray("\x00\x00\x00\xFF\xFF\xFF", 6);  // black, white
  b += QByteArray("\x2C\x00\x00\x00\x00\x04\x00\x04\x00\x00\x02", 11);
  return b + char(codes.size()) + codes + QByteArray("\x00\x3B", 2);
}

// A PNG of its signature, a header chunk and an end chunk, with a chunk of
// the given length claim (and only 4 bytes of data) after the header.
QByteArray pngClaimingChunk(quint32 length) {
  QByteArray b("\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00\x00", 29);
  b += QByteArray(4, '\0');  // its check sum, not looked at
  const char claim[] = {char(length >> 24), char(length >> 16), char(length >> 8), char(length)};
  b += QByteArray(claim, 4) + "tEXt" + "abcd";
  return b + QByteArray("\x00\x00\x00\x00IEND\xAE\x42\x60\x82", 12);
}

Completeness check(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  const Completeness result = CheckComplete(buffer);
  EXPECT_EQ(buffer.pos(), 0) << "the position is put back";
  return result;
}

}  // namespace

TEST(Completeness, WholeFilesAreCompleteAndCutOnesTruncated) {
  const QByteArray bmp = picture("bmp"), jpeg = picture("jpg"), progressive = picture("jpg", true),
                   gif = seed("gif/plain.gif"), animated = seed("gif/animated.gif"), mono = seed("bmp/mono.bmp"),
                   png = picture("png");
  // A 3 x 2 BMP with the old 12-byte header, 24 bits a pixel: two rows of 12 bytes.
  QByteArray os2("BM\x32\x00\x00\x00\x00\x00\x00\x00\x1A\x00\x00\x00\x0C\x00\x00\x00\x03\x00\x02\x00\x01\x00\x18\x00",
                 26);
  os2 += QByteArray(24, '\x7F');
  const struct {
    const char* what;
    QByteArray bytes;
    Completeness expected;
  } cases[] = {
      {"BMP", bmp, Completeness::Complete},
      {"BMP one byte short", bmp.chopped(1), Completeness::Truncated},
      {"BMP header only", bmp.left(54), Completeness::Truncated},
      {"1-bit BMP", mono, Completeness::Complete},
      {"1-bit BMP cut", mono.chopped(4), Completeness::Truncated},
      {"JPEG", jpeg, Completeness::Complete},
      {"JPEG with bytes after its end", jpeg + "resto", Completeness::Complete},
      {"JPEG cut in its scan", jpeg.left(jpeg.size() / 2), Completeness::Truncated},
      {"JPEG without its end marker", jpeg.chopped(2), Completeness::Truncated},
      {"JPEG cut in its headers", jpeg.left(30), Completeness::Truncated},
      {"progressive JPEG", progressive, Completeness::Complete},
      {"progressive JPEG cut", progressive.left(progressive.size() * 2 / 3), Completeness::Truncated},
      {"GIF", gif, Completeness::Complete},
      {"GIF without its trailer", gif.chopped(1), Completeness::Complete},
      {"GIF cut in its image data", gif.chopped(4), Completeness::Truncated},
      {"GIF cut in its palette", gif.left(16), Completeness::Truncated},
      {"animated GIF", animated, Completeness::Complete},
      {"BMP with the 12-byte header", os2, Completeness::Complete},
      {"BMP with the 12-byte header cut", os2.chopped(1), Completeness::Truncated},
      {"PNG", png, Completeness::Complete},
      {"PNG without its end chunk", png.chopped(12), Completeness::Truncated},
      {"PNG chunk claiming 2 GB", pngClaimingChunk(0x7FFFFFF0), Completeness::Truncated},
      {"PNG chunk claiming 4 GB", pngClaimingChunk(0xFFFFFFF0), Completeness::Damaged},
      // Clear, then 16 pixels of black: code 0, the new codes 6 to 9 (runs of 2 to 5), 0; then the end.
      {"GIF whose codes fill the frame", gifWithCodes(QByteArray("\x84\x8F\x09\x05", 4)), Completeness::Complete},
      {"GIF whose codes stop after one pixel", gifWithCodes(QByteArray("\x44\x01", 2)), Completeness::Damaged},
      {"GIF whose data ends after one pixel", gifWithCodes(QByteArray("\x04", 1)), Completeness::Damaged},
      {"GIF with a code no entry stands for", gifWithCodes(QByteArray("\x3C\x00", 2)), Completeness::Damaged},
      {"not a picture", "texto", Completeness::Unknown},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(check(c.bytes), c.expected) << c.what;
    if (c.expected == Completeness::Complete || c.expected == Completeness::Unknown) continue;
    try {
      platform::LoadPictureFromData(c.bytes);
      ADD_FAILURE() << c.what << " was loaded";
    } catch (const platform::Failure& f) {
      EXPECT_EQ(f.reason, c.expected == Completeness::Damaged
                                   ? "Imagen dañada: sus datos se salen de la imagen"
                                   : "Imagen incompleta: el archivo termina antes de tiempo")
          << c.what;
    }
  }
}

namespace {

// A run-length BMP of 8 bits a pixel, 4 x 2 unless told, with a palette of
// black (unless told), red and green, holding the given run-length data.
QByteArray rle8(const QByteArray& data, qint32 height = 2, qint32 width = 4, quint32 firstColour = 0x000000) {
  QByteArray b(66, '\0');
  const auto put32 = [&](int at, quint32 v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put32(2, quint32(66 + data.size()));
  put32(10, 66);
  put32(14, 40);
  put32(18, quint32(width));
  put32(22, quint32(height));
  b[26] = 1, b[28] = 8;
  put32(30, 1);  // RLE8
  put32(34, quint32(data.size()));
  put32(46, 3);  // colours used
  put32(54, firstColour), put32(58, 0xFF0000), put32(62, 0x00FF00);
  return b + data;
}

QByteArray bytes(std::initializer_list<int> values) {
  QByteArray b;
  for (const int v : values) b += char(v);
  return b;
}

}  // namespace

TEST(Completeness, RunLengthBmpsWhoseRunsLeaveThePictureAreRefusedAsDamaged) {
  const struct {
    const char* what;
    QByteArray file;
    Completeness expected;
  } cases[] = {
      // The bottom row is stored first: red along it, then green, black, red, green above.
      {"runs and a row of single pixels", rle8(bytes({4, 1, 0, 0, 0, 4, 2, 0, 1, 2, 0, 1})), Completeness::Complete},
      // Up one row and two pixels right, green there.
      {"a jump, then the end mark early", rle8(bytes({0, 2, 2, 1, 2, 2, 0, 1})), Completeness::Complete},
      {"a run past the end of its row", rle8(bytes({5, 1, 0, 0, 4, 1, 0, 1})), Completeness::Damaged},
      {"single pixels past the end of the row", rle8(bytes({4, 1, 0, 0, 0, 5, 1, 1, 1, 1, 1, 0, 0, 1})),
       Completeness::Damaged},
      {"a jump past the right edge", rle8(bytes({0, 2, 5, 0, 0, 1})), Completeness::Damaged},
      {"a jump past the last row", rle8(bytes({0, 2, 0, 3, 0, 1})), Completeness::Damaged},
      {"a third row in a picture of two", rle8(bytes({4, 1, 0, 0, 4, 1, 0, 0, 4, 2, 0, 1})), Completeness::Damaged},
      {"stored top-down", rle8(bytes({4, 1, 0, 0, 4, 1, 0, 1}), -2), Completeness::Damaged},
      {"data ending before the picture is filled", rle8(bytes({4, 1, 0, 0})), Completeness::Truncated},
      {"single pixels cut short", rle8(bytes({0, 4, 2, 0})), Completeness::Truncated},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(check(c.file), c.expected) << c.what;
    // The one loader of the window and the batch command refuses them.
    try {
      const QImage image = platform::LoadPictureFromData(c.file);
      EXPECT_EQ(c.expected, Completeness::Complete) << c.what << " was loaded";
      EXPECT_EQ(image.pixel(3, 0), qRgb(0, 255, 0)) << c.what;
      EXPECT_EQ(image.pixel(0, 1), c.file[66] == 4 ? qRgb(255, 0, 0) : qRgb(0, 0, 0)) << c.what;
    } catch (const platform::Failure& f) {
      EXPECT_EQ(f.reason.startsWith(c.expected == Completeness::Damaged ? "Imagen dañada" : "Imagen incompleta"),
                true)
          << c.what << ": " << f.reason.toStdString();
    }
  }
}

TEST(Completeness, PixelsNoRunCoversTakeThePalettesFirstColour) {
  // 8 x 8: a run of eight red pixels along the bottom row, then the end mark.
  const QByteArray file = rle8(bytes({8, 1, 0, 1}), 8, 8, 0x3040C0);
  for (const unsigned char used : {0x00, 0x01, 0xA5}) {
    QImage image;
    allocationtest::WithUsedMemory(used, [&] { image = platform::LoadPictureFromData(file); });
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(image.pixel(x, y), y == 7 ? qRgb(255, 0, 0) : qRgb(0x30, 0x40, 0xC0)) << x << "," << y;
  }
}
