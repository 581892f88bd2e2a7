#include "pixels/completeness.h"

#include "pixels/codecs.h"
#include "pixels/vb.h"
#include "support/test_form.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <gtest/gtest.h>

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
                   gif = seed("gif/plain.gif"), animated = seed("gif/animated.gif"), mono = seed("bmp/mono.bmp");
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
      {"not a picture", "texto", Completeness::Unknown},
  };
  for (const auto& c : cases) EXPECT_EQ(check(c.bytes), c.expected) << c.what;
}

namespace {

// A 4 x 2 run-length BMP of 8 bits a pixel with a palette of black, red and
// green, holding the given run-length data.
QByteArray rle8(const QByteArray& data, qint32 height = 2) {
  QByteArray b(66, '\0');
  const auto put32 = [&](int at, quint32 v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put32(2, quint32(66 + data.size()));
  put32(10, 66);
  put32(14, 40);
  put32(18, 4);
  put32(22, quint32(height));
  b[26] = 1, b[28] = 8;
  put32(30, 1);  // RLE8
  put32(34, quint32(data.size()));
  put32(46, 3);  // colours used
  put32(54, 0x000000), put32(58, 0xFF0000), put32(62, 0x00FF00);
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
      EXPECT_EQ(f.Description.startsWith(c.expected == Completeness::Damaged ? "Imagen dañada" : "Imagen incompleta"),
                true)
          << c.what << ": " << f.Description.toStdString();
    }
  }
}
