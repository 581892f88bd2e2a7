#include "platform/completeness.h"
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
                   gif = seed("plain.gif"), animated = seed("animated.gif"), mono = seed("mono.bmp");
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
