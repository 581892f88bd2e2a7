// Pages of each kind written as TIFF and as PDF, read back by libtiff, Qt and
// qpdf; failed writes leave nothing.
#include "formats/documents/document.h"
#include "core/numbers.h"
#include "support/picture_files.h"
#include "support/test_window.h"

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <tiffio.h>

#include <functional>
#include <optional>

namespace {

using documents::DocumentKind;
using Storage = documents::EncodedPage::Storage;

constexpr int Width = 203, Height = 77, DotsPerMetre = 11811;  // 300 dpi

struct Kind {
  const char* name;
  std::function<platform::ColorValue(int x, int y, int seed)> pixel;
  int quality;
  Storage storage;
  int bits;
  int tiffCompression;
  const char* pdfFilter;
};

// Colour i of 512, never grey.
platform::ColorValue Colour(int i) { return (i & 0xFF) | ((i >> 8) * 100 + 50) << 8 | 0x80 << 16; }

const Kind Kinds[] = {
    {"pure black and white", [](int x, int y, int s) { return (x * y + s) % 5 < 2 ? 0 : 0xFFFFFF; }, 0, Storage::Group4,
     1, COMPRESSION_CCITTFAX4, "/CCITTFaxDecode"},
    {"two colours", [](int x, int y, int s) { return (x + y + s) % 3 ? 0x0000FF : 0xFF0000; }, 0, Storage::Palette, 1,
     COMPRESSION_ADOBE_DEFLATE, "/FlateDecode"},
    // Rows of black and white above the colours.
    {"16 colours", [](int x, int y, int s) { return y < 9 ? (x % 4 ? 0xFFFFFF : 0) : Colour((x / 5 + y + s) % 14); }, 0,
     Storage::Palette, 4, COMPRESSION_ADOBE_DEFLATE, "/FlateDecode"},
    {"200 colours", [](int x, int y, int s) { return Colour((x * 3 + y + s) % 200); }, 0, Storage::Palette, 8,
     COMPRESSION_ADOBE_DEFLATE, "/FlateDecode"},
    {"300 colours", [](int x, int y, int s) { return Colour((x * 3 + y + s) % 300); }, 0, Storage::Rgb, 8,
     COMPRESSION_ADOBE_DEFLATE, "/FlateDecode"},
    {"grey", [](int x, int y, int s) { return 0x10101 * ((x + y * 2 + s) % 256); }, 0, Storage::Grey, 8,
     COMPRESSION_ADOBE_DEFLATE, "/FlateDecode"},
    {"RGB", nullptr, 0, Storage::Rgb, 8, COMPRESSION_ADOBE_DEFLATE, "/FlateDecode"},
    {"JPEG at 90", [](int x, int y, int s) { return x | (y * 3) << 8 | (x + y + s) / 2 << 16; }, 90, Storage::Jpeg, 8,
     COMPRESSION_JPEG, "/DCTDecode"},
};

QImage Page(const Kind& kind, int seed) {
  QImage page = kind.pixel
                    ? testsupport::MakePicture(Width, Height, [&](int x, int y) { return kind.pixel(x, y, seed); })
                    : imagefilestest::Gradient(Width, Height, seed);
  page.setDotsPerMeterX(DotsPerMetre);
  page.setDotsPerMeterY(DotsPerMetre);
  return page;
}

void Write(const QString& path, DocumentKind kind, const std::vector<documents::EncodedPage>& pages) {
  auto writer = documents::CreateDocument(path, kind);
  for (const auto& page : pages) writer->addPage(page);
  writer->finish();
}

// The largest difference of a channel between two pictures of one size.
int Difference(const QImage& a, const QImage& b) {
  int most = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      for (int shift : {0, 8, 16})
        most = std::max(most, std::abs(int(a.pixel(x, y) >> shift & 0xFF) - int(b.pixel(x, y) >> shift & 0xFF)));
  return most;
}

class PageKinds : public testing::TestWithParam<Kind> {};

TEST_P(PageKinds, ThreePagesReadBackFromTiffAndPdf) {
  const Kind& kind = GetParam();
  QTemporaryDir dir;
  std::vector<QImage> pictures;
  std::vector<documents::EncodedPage> pages;
  for (int seed = 0; seed < 3; ++seed) {
    pictures.push_back(Page(kind, seed * 41));
    pages.push_back(documents::EncodePage(pictures.back(), kind.quality));
    ASSERT_EQ(pages.back().storage, kind.storage);
    ASSERT_EQ(pages.back().bitsPerSample, kind.bits);
  }
  const QString tif = dir.filePath("a.tif"), pdf = dir.filePath("a.pdf");
  Write(tif, DocumentKind::Tiff, pages);
  Write(pdf, DocumentKind::Pdf, pages);

  QImageReader reader(tif);
  TIFF* tiff = TIFFOpen(QFile::encodeName(tif).constData(), "r");
  ASSERT_TRUE(tiff);
  QPDF document;
  document.processFile(QFile::encodeName(pdf).constData());
  auto pdfPages = QPDFPageDocumentHelper(document).getAllPages();
  ASSERT_EQ(pdfPages.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(reader.jumpToImage(i));
    const QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(back.size(), pictures[i].size());
    EXPECT_LE(Difference(back, pictures[i]), kind.quality ? 24 : 0);
    EXPECT_EQ(back.dotsPerMeterX(), DotsPerMetre);
    ASSERT_TRUE(TIFFSetDirectory(tiff, tdir_t(i)));
    std::uint16_t compression = 0;
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    EXPECT_EQ(compression, kind.tiffCompression);
    QByteArray strip(qsizetype(TIFFRawStripSize(tiff, 0)), '\0');
    TIFFReadRawStrip(tiff, 0, strip.data(), strip.size());

    // One picture filling an A4-like page: its size at 300 dpi, in points.
    QPDFObjectHandle page = pdfPages[std::size_t(i)].getObjectHandle();
    const auto images = pdfPages[std::size_t(i)].getImages();
    ASSERT_EQ(images.size(), 1u);
    QPDFObjectHandle image = images.begin()->second;
    EXPECT_EQ(image.getDict().getKey("/Filter").getName(), kind.pdfFilter);
    EXPECT_EQ(page.getKey("/MediaBox").unparse(), "[ 0 0 48.72 18.48 ]");
    // The stream stored is the one the TIFF strip holds.
    const auto raw = image.getRawStreamData();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(raw->getBuffer()), qsizetype(raw->getSize())), strip);
  }
  TIFFClose(tiff);

  // Written again, byte for byte the same.
  for (const QString& path : {tif, pdf}) {
    const QString again = dir.filePath("b");
    Write(again, path == tif ? DocumentKind::Tiff : DocumentKind::Pdf, pages);
    EXPECT_EQ(imagefilestest::ReadFile(again), imagefilestest::ReadFile(path));
  }
}

INSTANTIATE_TEST_SUITE_P(Documents, PageKinds, testing::ValuesIn(Kinds));

// A write that fails, or is given up, leaves the target as it was and
// nothing beside it.
TEST(DocumentWriter, AFailedWriteLeavesNothing) {
  QTemporaryDir dir;
  const QString old = dir.filePath("viejo.pdf");
  ASSERT_TRUE(imagefilestest::WriteFile(old, "antes"));
  ASSERT_TRUE(imagefilestest::WriteFile(dir.filePath("archivo"), "x"));
  const auto page = documents::EncodePage(Page(Kinds[6], 0));
  const struct {
    QString target;
    long sizeLimit;  // 0: none
    bool finish;
  } cases[] = {
      {dir.filePath("falta/a.pdf"), 0, true},    // no such folder
      {dir.filePath("archivo/a.tif"), 0, true},  // a file where the folder should be
      {old, 4000, true},                         // the disk is full
      {old, 0, false},                           // given up before finishing
  };
  for (const auto& c : cases) {
    for (DocumentKind kind : {DocumentKind::Pdf, DocumentKind::Tiff}) {
      SCOPED_TRACE(c.target.toStdString());
      bool failed = false;
      try {
        std::optional<testsupport::FileSizeLimit> limit;
        if (c.sizeLimit) limit.emplace(c.sizeLimit);
        auto writer = documents::CreateDocument(c.target, kind);
        for (int i = 0; i < 5; ++i) writer->addPage(page);
        if (c.finish) writer->finish();
      } catch (const platform::Failure& failure) {
        failed = true;
        EXPECT_TRUE(failure.reason.startsWith("No se pu")) << failure.reason.toStdString();
      }
      EXPECT_EQ(failed, c.finish);
      EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                QStringList({"archivo", "viejo.pdf"}));
      EXPECT_EQ(imagefilestest::ReadFile(old), "antes");
    }
  }
}

}  // namespace
