// JPEG files decoded by libjpeg-turbo directly: every kind of valid file gives
// the pixels Qt's reader gives, and damage the decoder sees refuses the file.
#include "formats/jpeg_decoder.h"

#include "formats/codecs.h"
#include "core/numbers.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDirIterator>
#include <QImageReader>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "support/picture_files.h"

using namespace platform;

namespace {

struct Encoding {
  int width = 37, height = 23;
  J_COLOR_SPACE space = JCS_YCbCr;  // what the file holds: grey, YCbCr, RGB, CMYK or YCCK
  int hSampling = 2, vSampling = 2;
  bool progressive = false, arithmetic = false;
  int restartRows = 0;
  QByteArray exif{};                    // an APP1 segment's contents
  std::vector<jpeg_scan_info> scans{};  // a progression of one's own
};

// A file written by libjpeg with the options given, from a picture whose every
// pixel differs from its neighbours.
QByteArray encodeJpeg(const Encoding& e) {
  const QImage picture = imagefilestest::Gradient(e.width, e.height, 5);
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = JDIMENSION(e.width);
  info.image_height = JDIMENSION(e.height);
  const bool grey = e.space == JCS_GRAYSCALE, inks = e.space == JCS_CMYK || e.space == JCS_YCCK;
  info.input_components = grey ? 1 : inks ? 4 : 3;
  info.in_color_space = grey ? JCS_GRAYSCALE : inks ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, e.space);
  jpeg_set_quality(&info, 90, TRUE);
  info.comp_info[0].h_samp_factor = e.hSampling;
  info.comp_info[0].v_samp_factor = e.vSampling;
  info.arith_code = e.arithmetic;
  info.restart_in_rows = e.restartRows;
  if (e.progressive) jpeg_simple_progression(&info);
  if (!e.scans.empty()) {
    info.scan_info = e.scans.data();
    info.num_scans = int(e.scans.size());
  }
  jpeg_start_compress(&info, TRUE);
  if (!e.exif.isEmpty())
    jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(e.exif.data()), e.exif.size());
  std::vector<JSAMPLE> row(std::size_t(e.width) * 4);
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < e.width; ++x) {
      const QRgb p = picture.pixel(x, int(info.next_scanline));
      const int channels[] = {qRed(p), qGreen(p), qBlue(p), 255 - qGray(p)};
      for (int c = 0; c < info.input_components; ++c)
        row[std::size_t(x * info.input_components + c)] = JSAMPLE(grey ? qGray(p) : channels[c]);
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
  std::free(out);
  return bytes;
}

// An Exif block saying the picture is to be shown turned a quarter clockwise.
QByteArray quarterTurnExif() {
  static const char block[] = "Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0";
  return QByteArray(block, sizeof block - 1);
}

// More scans than any encoder writes, each one legal: a grey picture's every
// coefficient sent a bit at a time.
std::vector<jpeg_scan_info> bitByBitScans() {
  std::vector<jpeg_scan_info> scans;
  const auto scan = [&](int first, int last, int high, int low) { scans.push_back({1, {0}, first, last, high, low}); };
  scan(0, 0, 0, 10);
  for (int bit = 10; bit > 0; --bit) scan(0, 0, bit, bit - 1);
  for (int k = 1; k < 64; ++k) {
    scan(k, k, 0, 10);
    for (int bit = 10; bit > 0; --bit) scan(k, k, bit, bit - 1);
  }
  return scans;
}

// The loader's picture before JPEG files went to libjpeg-turbo directly.
QImage throughQt(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImage image = QImageReader(&buffer).read();
  image.convertTo(QImage::Format_RGB32);
  return image;
}

}  // namespace

TEST(DecodeJpeg, GivesThePixelsAndDetailsQtsReaderGives) {
  struct Case {
    QString what;
    QByteArray bytes;
  };
  std::vector<Case> cases = {
      {"baseline 4:2:0, odd size", encodeJpeg({})},
      {"4:2:2", encodeJpeg({.hSampling = 2, .vSampling = 1})},
      {"4:4:4 with restart markers", encodeJpeg({.hSampling = 1, .vSampling = 1, .restartRows = 1})},
      {"progressive", encodeJpeg({.progressive = true})},
      {"arithmetic coding", encodeJpeg({.width = 64, .height = 9, .arithmetic = true})},
      {"grey", encodeJpeg({.space = JCS_GRAYSCALE, .hSampling = 1, .vSampling = 1})},
      {"RGB", encodeJpeg({.space = JCS_RGB, .hSampling = 1, .vSampling = 1})},
      {"CMYK with an Adobe segment", encodeJpeg({.space = JCS_CMYK, .hSampling = 1, .vSampling = 1})},
      {"YCCK", encodeJpeg({.space = JCS_YCCK})},
      {"Exif orientation", encodeJpeg({.exif = quarterTurnExif()})},
      {"big, 4:2:0", encodeJpeg({.width = 1601, .height = 1203})},
  };
  // Stray bytes before the end mark, as some cameras write: the picture is whole.
  QByteArray stray = encodeJpeg({});
  stray.insert(stray.size() - 2, QByteArray("\x00\x17\x2A", 3));
  cases.push_back({"stray bytes before the end mark", stray});
  for (QDirIterator it(TINTABORRA_FUZZ_DIR "/seeds/jpeg", QDir::Files); it.hasNext();)
    cases.push_back({it.next(), imagefilestest::ReadFile(it.filePath())});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what.toStdString());
    const QImage expected = throughQt(c.bytes), actual = DecodeJpeg(c.bytes);
    ASSERT_FALSE(expected.isNull());
    ASSERT_EQ(actual.format(), QImage::Format_RGB32);
    ASSERT_EQ(actual.size(), expected.size());
    for (int y = 0; y < actual.height(); ++y)
      ASSERT_EQ(0, std::memcmp(actual.constScanLine(y), expected.constScanLine(y), std::size_t(actual.width()) * 4))
          << "row " << y;
    EXPECT_EQ(actual.dotsPerMeterX(), expected.dotsPerMeterX());
    EXPECT_EQ(actual.dotsPerMeterY(), expected.dotsPerMeterY());
    EXPECT_EQ(actual.textKeys(), expected.textKeys());
    EXPECT_EQ(actual.text(), expected.text());
    EXPECT_EQ(actual.colorSpace(), expected.colorSpace());
  }
}

TEST(DecodeJpeg, DamageTheDecoderSeesRefusesTheFile) {
  const QByteArray whole = encodeJpeg({.width = 64, .height = 480});
  // A header claiming 10000 x 10000 and 13 KB of zeros where the data should be.
  QByteArray claim = encodeJpeg({.width = 16, .height = 16});
  const qsizetype frame = claim.indexOf("\xFF\xC0"), scan = claim.indexOf("\xFF\xDA");
  claim[frame + 5] = claim[frame + 7] = char(0x27);
  claim[frame + 6] = claim[frame + 8] = char(0x10);
  claim = claim.left(scan + 2 + 12) + QByteArray(13000, '\0') + "\xFF\xD9";
  const struct {
    const char* what;
    QByteArray bytes;
  } cases[] = {
      {"cut in half, end marker appended", whole.left(whole.size() / 2) + "\xFF\xD9"},
      {"10000 x 10000 of zeros", claim},
      {"more than 100 scans", encodeJpeg({.space = JCS_GRAYSCALE, .scans = bitByBitScans()})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      LoadPictureFromData(c.bytes);
      ADD_FAILURE() << "accepted";
    } catch (const Failure& f) {
      EXPECT_EQ(f.kind, FailureKind::Damaged);
      EXPECT_TRUE(f.reason.contains(QStringLiteral("dañada o incompleta"))) << f.reason.toStdString();
    }
  }
}
