#include "formats/codecs.h"

#include "core/colors.h"
#include "core/numbers.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <optional>

#include <functional>

#include <sys/stat.h>

#include "allocations.h"
#include "support/hostile_files.h"
#include "support/picture_files.h"
#include "support/test_window.h"

using namespace platform;

namespace {

QByteArray encode(const QImage& image, const char* format) {
  const QByteArray bytes = testsupport::Encode(image, format);
  EXPECT_FALSE(bytes.isEmpty()) << format;
  return bytes;
}

QImage palettePicture(QImage::Format format) {
  QImage image(8, 4, format);
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) image.setPixel(x, y, (x + y) % 2);
  return image;
}

QString failureDescription(const std::function<void()>& load) {
  try {
    load();
  } catch (const Failure& f) {
    return f.reason;
  }
  return QStringLiteral("(cargada)");
}

// The kind of failure loading the bytes gives; none when they load.
std::optional<platform::FailureKind> failureKind(const QByteArray& bytes) {
  try {
    LoadPictureFromData(bytes);
  } catch (const Failure& f) {
    EXPECT_FALSE(f.reason.isEmpty());
    return f.kind;
  }
  return std::nullopt;
}

}  // namespace

TEST(LoadPicture, EveryKindOfFileBecomesThirtyTwoBitRgb) {
  QImage grey(8, 4, QImage::Format_Grayscale8);
  grey.fill(100);
  const struct {
    const char* what;
    QByteArray bytes;
    QRgb pixel00, pixel10;
  } cases[] = {
      {"1-bit BMP", encode(palettePicture(QImage::Format_Mono), "bmp"), qRgb(0, 0, 0), qRgb(255, 255, 255)},
      {"8-bit BMP", encode(palettePicture(QImage::Format_Indexed8), "bmp"), qRgb(0, 0, 0), qRgb(255, 255, 255)},
      {"grey BMP", encode(grey, "bmp"), qRgb(100, 100, 100), qRgb(100, 100, 100)},
      {"grey JPEG", encode(grey, "jpg"), qRgb(100, 100, 100), qRgb(100, 100, 100)},
  };
  for (const auto& c : cases) {
    const QImage image = LoadPictureFromData(c.bytes);
    EXPECT_EQ(image.format(), QImage::Format_RGB32) << c.what;
    EXPECT_EQ(image.size(), QSize(8, 4)) << c.what;
    EXPECT_EQ(image.pixel(0, 0), c.pixel00) << c.what;
    EXPECT_EQ(image.pixel(1, 0), c.pixel10) << c.what;
  }
}

TEST(LoadPicture, TransparentPixelsBecomeWhite) {
  // A 1 x 1 GIF whose only pixel is index 0, red in the palette but transparent.
  const QByteArray gif = imagefilestest::RedPixelGif(true);
  const QImage image = LoadPictureFromData(gif);
  EXPECT_EQ(image.format(), QImage::Format_RGB32);
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
}

TEST(LoadPicture, BadFilesFailWithADescription) {
  QImage picture(16, 16, QImage::Format_RGB32);
  picture.fill(Qt::red);
  const QByteArray jpeg = encode(picture, "jpg"), gif = imagefilestest::RedPixelGif(true);
  EXPECT_EQ(failureKind("esto es texto, no una imagen\n"), FailureKind::Damaged);
  EXPECT_EQ(failureKind(QByteArray()), FailureKind::Damaged);
  EXPECT_EQ(failureKind(jpeg.left(20)), FailureKind::Damaged);
  EXPECT_TRUE(failureKind(gif.left(gif.size() / 2)));
  EXPECT_THROW(LoadPicture("/no/existe/gato.jpg"), Failure);
  EXPECT_THROW(LoadPicture("/"), Failure);
}

TEST(LoadPicture, HostileFilesAreRefusedWithTheirFault) {
  const QString badHeader = "Imagen dañada: su cabecera no es válida", otherFormat = "Imagen no válida";
  QFile fuzzed(TINTABORRA_FUZZ_DIR "/regressions/bmp-negative-width-header-size-8.bmp");
  ASSERT_TRUE(fuzzed.open(QIODevice::ReadOnly));
  const QByteArray bmp = encode(palettePicture(QImage::Format_Indexed8), "bmp"),
                   png = encode(palettePicture(QImage::Format_Indexed8), "png");
  QImage grey(8, 4, QImage::Format_Grayscale8);
  grey.fill(100);
  const QByteArray jpeg = encode(grey, "jpg");
  const auto with = [](QByteArray bytes, qsizetype at, const QByteArray& put) {
    return bytes.replace(at, put.size(), put);
  };
  const auto le32 = [](qint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
  };
  const qsizetype sof = jpeg.indexOf("\xFF\xC0");
  // A TIFF whose one directory gives 60000 x 60000 and nothing else.
  const QByteArray tiff(
      "II*\x00\x08\x00\x00\x00\x02\x00"
      "\x00\x01\x04\x00\x01\x00\x00\x00\x60\xEA\x00\x00"
      "\x01\x01\x04\x00\x01\x00\x00\x00\x60\xEA\x00\x00\x00\x00\x00\x00",
      38);
  const struct {
    const char* fault;
    QByteArray bytes;
    QString description;
  } cases[] = {
      // Found by fuzzing: a header of 8 bytes, a negative width.
      {"BMP with a negative width and a header of 8 bytes", fuzzed.readAll(), badHeader},
      {"BMP with a header size of 8", with(bmp, 14, le32(8)), badHeader},
      {"BMP with a negative width", with(bmp, 18, le32(-8)), badHeader},
      {"BMP with a height of 0", with(bmp, 22, le32(0)), badHeader},
      {"BMP whose rows' size overflows (found by fuzzing)",
       with(with(with(bmp, 18, le32(INT32_MAX)), 22, le32(INT32_MAX)), 28, QByteArray(2, '\xFF')),
       "Imagen incompleta: el archivo termina antes de tiempo"},
      {"BMP with the lowest height, its rows past its end", with(bmp, 22, le32(INT32_MIN)),
       "Imagen incompleta: el archivo termina antes de tiempo"},
      {"PNG with a width of 0", with(png, 16, QByteArray(4, '\0')), badHeader},
      {"PNG with a width past 2^31", with(png, 16, QByteArray(4, '\xFF')), badHeader},
      {"JPEG with a height of 0", with(jpeg, sof + 5, QByteArray(2, '\0')), badHeader},
      {"TIFF claiming 60000 x 60000", tiff, "La imagen es demasiado grande (60000 × 60000 píxeles)"},
      {"ICO", QByteArray("\x00\x00\x01\x00\x01\x00\x01\x01", 8) + QByteArray(40, '\0'), otherFormat},
      {"PBM", "P1\n1 1\n0\n", otherFormat},
      {"XPM", "/* XPM */\nstatic char* a[] = {\"1 1 1 1\", \"a c #000000\", \"a\"};\n", otherFormat},
      {"MNG", QByteArray("\x8AMNG\r\n\x1A\n", 8) + QByteArray(111, '\0'), otherFormat},
  };
  for (const auto& c : cases)
    EXPECT_EQ(failureDescription([&] { LoadPictureFromData(c.bytes); }).toStdString(), c.description.toStdString())
        << c.fault;
}

TEST(LoadPicture, OnlyRegularFilesAreRead) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath("tuberia.bmp");
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString refused = "No es un archivo normal (es una tubería, un dispositivo o un socket)";
  for (const QString& path : {fifo, QStringLiteral("/dev/zero")})
    EXPECT_EQ(failureDescription([&] { LoadPicture(path); }).toStdString(), refused.toStdString())
        << path.toStdString();
}

TEST(LoadPicture, ASixteenBitPngsTransparentColourBecomesWhite) {
  // 7 x 5, 16 bits a sample; the pixels where x + y is a multiple of 3 hold the transparent colour.
  QFile file(TINTABORRA_FUZZ_DIR "/seeds/png/rgb16-transparent-colour.png");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray png = file.readAll();
  const QImage image = LoadPictureFromData(png);
  ASSERT_EQ(image.size(), QSize(7, 5));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      const auto eight = [](int sixteen) { return (sixteen + 128) / 257; };
      const QRgb expected = (x + y) % 3 == 0 ? qRgb(255, 255, 255) : qRgb(eight(x * 9000), eight(y * 12000), 0x80);
      EXPECT_EQ(image.pixel(x, y), expected) << x << "," << y;
    }
}

TEST(LoadPicture, BigEightBitPicturesWidenedInPlaceGiveThePixelsAConversionGives) {
  // Over two million pixels: palette and grey pictures are widened where they were decoded.
  QImage grey(1601, 1311, QImage::Format_Grayscale8), indexed(1601, 1311, QImage::Format_Indexed8);
  QList<QRgb> colours;
  for (int i = 0; i < 200; ++i) colours += qRgba(i, 255 - i, i / 2, i < 10 ? i * 20 : 255);
  indexed.setColorTable(colours);
  for (int y = 0; y < grey.height(); ++y)
    for (int x = 0; x < grey.width(); ++x) {
      grey.scanLine(y)[x] = uchar(x * 7 + y * 3);
      indexed.scanLine(y)[x] = uchar((x + y * 13) % 200);
    }
  QImage opaque = indexed;
  opaque.setColorTable(QList<QRgb>(colours).mid(10) + QList<QRgb>(10, qRgb(1, 2, 3)));
  // Eight pixels of the second colour on the bottom row, the rest left to the first.
  QImage runs(1601, 1311, QImage::Format_RGB32);
  runs.fill(0xFF103050);
  for (int x = 0; x < 8; ++x) runs.setPixel(x, 1310, 0xFF505060);
  const struct {
    const char* what;
    QByteArray bytes;
    QImage expected;  // when not as Qt reads it
  } cases[] = {
      {"grey PNG", encode(grey, "png"), {}},
      {"PNG with a palette, some colours transparent", encode(indexed, "png"), {}},
      {"8-bit BMP", encode(opaque, "bmp"), {}},
      {"run-length BMP ending early", hostile::Rle8Bmp(1601, 1311, QByteArray("\x08\x01\x00\x00\x00\x01", 6)), runs},
  };
  for (const auto& c : cases) {
    QImage expected = c.expected.isNull() ? QImage::fromData(c.bytes) : c.expected;
    if (expected.hasAlphaChannel()) {
      QImage flat(expected.size(), QImage::Format_RGB32);
      flat.fill(Qt::white);
      QPainter(&flat).drawImage(0, 0, expected);
      expected = flat;
    }
    EXPECT_EQ(LoadPictureFromData(c.bytes), expected.convertToFormat(QImage::Format_RGB32)) << c.what;
  }
}

TEST(LoadPicture, EnormousHeadersAreRefusedBeforeDecoding) {
  // A BMP header claiming 100000 x 100000 pixels, with no pixel data behind it.
  QByteArray bmp = encode(palettePicture(QImage::Format_Indexed8), "bmp");
  qToLittleEndian<qint32>(100000, bmp.data() + 18);
  qToLittleEndian<qint32>(100000, bmp.data() + 22);
  EXPECT_TRUE(failureKind(bmp));
  // A GIF whose screen and image both claim 65535 x 65535.
  QByteArray gif = imagefilestest::RedPixelGif(true);
  for (int offset : {6, 8, 32, 34}) qToLittleEndian<quint16>(65535, gif.data() + offset);
  EXPECT_TRUE(failureKind(gif));
}

TEST(LoadPicture, AJpegClaimingTheLargestSizeIsRefused) {
  QImage picture(16, 16, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  QByteArray jpeg = encode(picture, "jpg");
  const qsizetype sof = jpeg.indexOf("\xFF\xC0");
  ASSERT_GT(sof, 0);
  for (quint16 side : {65535, 65000}) {
    qToBigEndian<quint16>(side, jpeg.data() + sof + 5);
    qToBigEndian<quint16>(side, jpeg.data() + sof + 7);
    EXPECT_TRUE(failureKind(jpeg)) << side;
  }
}

TEST(LoadPicture, AClaimTheFileCannotHoldAllocatesNothing) {
  // 16000 x 16000 is under the size limit, but not in a file of a few hundred bytes.
  QByteArray bmp = encode(palettePicture(QImage::Format_Indexed8), "bmp");
  qToLittleEndian<qint32>(16000, bmp.data() + 18);
  qToLittleEndian<qint32>(16000, bmp.data() + 22);
  using allocationtest::LargestAllocation;
  ASSERT_GE(LargestAllocation([] { QImage(2048, 1024, QImage::Format_RGB32); }), 8u << 20) << "an image is seen";
  const std::size_t largest = LargestAllocation([&] { EXPECT_TRUE(failureKind(bmp)); });
  EXPECT_LT(largest, 1u << 20) << "bytes asked for at once";
}

TEST(SavePicture, WritesATwentyFourBitBmpThatReadsBackTheSame) {
  QTemporaryDir dir;
  QImage picture(5, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) picture.setPixel(x, y, qRgb(x * 50, y * 100, 7));
  const QString path = dir.filePath("foto.bmp");
  SavePicture(picture, path);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_EQ(bytes.left(2), "BM");
  EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 28), 24);
  EXPECT_EQ(LoadPicture(path), picture);
}

TEST(SavePicture, EveryByteWrittenFollowsFromThePixels) {
  // Widths that leave padding at the end of each row, in every form written
  // (colour, 8-bit grey, 1-bit), each picture put in that form as it is
  // saved; its resolution reads back as it was.
  QImage grey = imagefilestest::Gradient(7, 3), blackAndWhite(13, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 7; ++x) grey.setPixel(x, y, qRgb(x * 30 + y, x * 30 + y, x * 30 + y));
    for (int x = 0; x < 13; ++x) blackAndWhite.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
  }
  QTemporaryDir dir;
  for (const char* format : {"bmp", "tif", "png"})
    for (QImage picture : {imagefilestest::Gradient(5, 3), grey, blackAndWhite}) {
      picture.setDotsPerMeterX(11811);  // 300 dpi
      picture.setDotsPerMeterY(7874);   // 200 dpi
      QByteArray written[2];
      for (int i = 0; i < 2; ++i) {
        const QString path = dir.filePath(QStringLiteral("%1.%2").arg(i).arg(format));
        allocationtest::WithUsedMemory(i ? 0xFF : 0x00, [&] { SavePicture(CompactForm(picture), path, format); });
        written[i] = imagefilestest::ReadFile(path);
      }
      EXPECT_EQ(written[0], written[1]) << format << " of " << picture.width() << " pixels a row";
      const QImage read = LoadPictureFromData(written[0]);
      EXPECT_EQ(read, picture) << format;
      EXPECT_EQ(read.dotsPerMeterX(), 11811) << format;
      EXPECT_EQ(read.dotsPerMeterY(), 7874) << format;
    }
}

TEST(SavePicture, AFailedWriteLeavesTheOldFileAlone) {
  QTemporaryDir dir;
  const QString path = dir.filePath("foto.bmp");
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("antiguo");
  old.close();
  QImage picture(300, 300, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  try {
    const testsupport::FileSizeLimit full(4096);
    SavePicture(picture, path);
    ADD_FAILURE() << "the write should fail";
  } catch (const Failure& f) {
    EXPECT_EQ(f.reason, "No se pudo escribir el archivo: el archivo supera el tamaño permitido");
  }
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), "antiguo");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"foto.bmp"}) << "no temporary file is left";
  EXPECT_THROW(SavePicture(picture, "/dev/null/foto.bmp"), Failure);
}
