// The document reader: each kind of page gives the pixels the single-picture
// loader gives for the same picture, at its own resolution; every damaged,
// hostile or protected document is refused with its reason.
#include "core/numbers.h"
#include "formats/codecs.h"
#include "formats/documents/document.h"
#include "support/documents.h"
#include "support/picture_files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

using namespace documentfiles;

namespace {

int dpm(double dpi) { return int(std::lround(dpi / 0.0254)); }

QString written(const QTemporaryDir& dir, const QByteArray& bytes) {
  const QString path = dir.filePath(QStringLiteral("documento"));
  EXPECT_TRUE(imagefilestest::WriteFile(path, bytes));
  return path;
}

QImage rgb(const QImage& picture) { return picture.convertToFormat(QImage::Format_RGB32); }

struct PageCase {
  const char* name;
  Page page;
  std::function<QImage(const Page&)> expected;  // the loader's pixels for the page's picture
};

TEST(DocumentReader, EachKindOfPageGivesThePicturesOwnPixels) {
  const QImage picture = imagefilestest::Gradient(61, 47, 5);
  const auto loaded = [](const Page& p) { return platform::LoadPictureFromData(StoredPicture(p)); };
  const auto held = [](const Page& p) { return HeldPixels(p); };
  const std::vector<PageCase> cases = {
      {"jpeg", {PdfPage::Jpeg, picture, 300}, loaded},
      {"group 4", {PdfPage::Group4, picture, 200}, loaded},
      {"group 3", {PdfPage::Group3, picture, 200}, loaded},
      {"group 3 two-dimensional", {PdfPage::Group3TwoD, picture, 204}, loaded},
      {"modified huffman", {PdfPage::ModifiedHuffman, picture, 100}, loaded},
      {"grey of 1 bit", {PdfPage::FlateGrey, picture, 300, 1}, held},
      {"grey of 2 bits", {PdfPage::FlateGrey, picture, 300, 2}, held},
      {"grey of 4 bits", {PdfPage::FlateGrey, picture, 300, 4}, held},
      {"palette of 1 bit", {PdfPage::Indexed, picture, 150, 1}, held},
      {"palette of 2 bits", {PdfPage::Indexed, picture, 150, 2}, held},
      {"palette of 4 bits", {PdfPage::Indexed, picture, 150, 4}, held},
      {"placed through nested matrices",
       {PdfPage::FlateRgb, picture, 150, 8, 0, false, true},
       [](const Page& p) { return rgb(p.picture); }},
      {"turned a whole turn", {PdfPage::FlateRgb, picture, 150, 8, 360}, [](const Page& p) { return rgb(p.picture); }},
      {"flate rgb", {PdfPage::FlateRgb, picture, 150}, [](const Page& p) { return rgb(p.picture); }},
      {"flate grey",
       {PdfPage::FlateGrey, picture, 300},
       [](const Page& p) { return rgb(p.picture.convertToFormat(QImage::Format_Grayscale8)); }},
      {"indexed",
       {PdfPage::Indexed, picture, 72},
       [](const Page& p) { return rgb(p.picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)); }},
  };
  std::vector<Page> pages;
  for (const PageCase& c : cases) pages.push_back(c.page);
  QTemporaryDir dir;
  for (const PdfOptions& options : {PdfOptions{}, PdfOptions{{}, "dueño"}}) {
    const auto reader = documents::OpenDocument(written(dir, Pdf(pages, options)));
    ASSERT_EQ(reader->pageCount(), int(cases.size()));
    for (int i = 0; i < int(cases.size()); ++i) {
      SCOPED_TRACE(cases[std::size_t(i)].name);
      const QImage page = reader->page(i), expected = cases[std::size_t(i)].expected(pages[std::size_t(i)]);
      EXPECT_EQ(page.format(), QImage::Format_RGB32);
      EXPECT_EQ(page, expected);
      EXPECT_EQ(page.dotsPerMeterX(), dpm(pages[std::size_t(i)].dpi));
      EXPECT_EQ(page.dotsPerMeterY(), dpm(pages[std::size_t(i)].dpi));
    }
  }

  // A TIFF of several pages: each as the loader reads a TIFF of that page alone.
  const std::vector<TiffPage> tiffPages = {{picture, TiffStorage::Lzw},
                                           {imagefilestest::Gradient(33, 20, 1), TiffStorage::Group4},
                                           {picture, TiffStorage::Deflate},
                                           {imagefilestest::Gradient(9, 70, 2), TiffStorage::None}};
  const auto tiff = documents::OpenDocument(written(dir, Tiff(tiffPages)));
  ASSERT_EQ(tiff->pageCount(), int(tiffPages.size()));
  for (int i = 0; i < int(tiffPages.size()); ++i)
    EXPECT_EQ(tiff->page(i), platform::LoadPictureFromData(Tiff({tiffPages[std::size_t(i)]}))) << "page " << i;
}

TEST(DocumentReader, PagesThatAreNotOnePictureAreDrawnAtTheAskedResolution) {
  QTemporaryDir dir;
  const auto reader = documents::OpenDocument(
      written(dir, Pdf({{PdfPage::Drawing, QImage(300, 150, QImage::Format_RGB32), 100}})), 200);
  const QImage page = reader->page(0);
  EXPECT_EQ(page.size(), QSize(600, 300));  // 3 × 1.5 inches at 200 dpi
  EXPECT_EQ(page.dotsPerMeterX(), dpm(200));
  EXPECT_EQ(page.pixel(599, 0), qRgb(255, 255, 255));       // white paper
  EXPECT_EQ(page.pixel(100, 250), qRgb(0x33, 0x66, 0xCC));  // inside the drawn rectangle
}

// A picture of four quarters: red, green above; blue, black below.
QImage quarters(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2, below = y >= height / 2;
      picture.setPixel(x, y,
                       below   ? (right ? qRgb(0, 0, 0) : qRgb(0, 0, 255))
                       : right ? qRgb(0, 255, 0)
                               : qRgb(255, 0, 0));
    }
  return picture;
}

struct ShownCase {
  const char* name;
  int rotate;
  bool cropped;
  QSize size;                  // drawn at the picture's own resolution
  std::vector<QRgb> quarters;  // the colour at the middle of the drawn page's quarters, row by row
};

TEST(DocumentReader, PagesTurnedOrCutAreDrawnAsTheyShow) {
  const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), black = qRgb(0, 0, 0);
  const std::vector<ShownCase> cases = {
      {"turned a quarter", 90, false, {60, 80}, {blue, red, black, green}},
      {"turned half", 180, false, {80, 60}, {black, blue, green, red}},
      {"turned back a quarter", -90, false, {60, 80}, {green, black, red, blue}},
      {"cut to its left half", 0, true, {40, 60}, {red, red, blue, blue}},
  };
  QTemporaryDir dir;
  for (const ShownCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto reader = documents::OpenDocument(
        written(dir, Pdf({{PdfPage::FlateRgb, quarters(80, 60), 72, 8, c.rotate, c.cropped}})), 72);
    const QImage page = reader->page(0);
    ASSERT_EQ(page.size(), c.size);
    EXPECT_EQ(page.dotsPerMeterX(), dpm(72));
    for (int i = 0; i < 4; ++i) {
      const QRgb shown = page.pixel(c.size.width() * (1 + 2 * (i % 2)) / 4, c.size.height() * (1 + 2 * (i / 2)) / 4);
      EXPECT_EQ(shown, c.quarters[std::size_t(i)]) << "quarter " << i;
    }
  }
}

struct Refusal {
  const char* name;
  std::function<QByteArray()> bytes;  // empty: a FIFO
  const char* reason;
};

TEST(DocumentReader, RefusesWhatIsNotAWholeReadableDocument) {
  const QImage picture = imagefilestest::Gradient(40, 30);
  const QByteArray pdf = Pdf({{PdfPage::FlateRgb, picture}, {PdfPage::Jpeg, picture}});
  const QByteArray tiff = Tiff({{picture, TiffStorage::Lzw}, {picture, TiffStorage::Deflate}});
  const std::vector<Refusal> cases = {
      {"pdf cut short", [&] { return pdf.left(pdf.size() * 2 / 3); }, "Documento dañado o incompleto"},
      {"tiff cut short", [&] { return tiff.left(tiff.size() / 2); }, ""},
      {"user password",
       [&] {
         return Pdf({{PdfPage::Jpeg, picture}}, {"clave", "dueño"});
       },
       "el documento está protegido con contraseña"},
      {"pages count that lies", [&] { return QByteArray(pdf).replace("/Count 2", "/Count 9"); },
       "Documento dañado o incompleto"},
      {"pages tree naming each branch twice", [] { return PagesTreeBomb(60); }, "Documento dañado o incompleto"},
      {"picture past the pixel limit", [] { return HugePicturePdf(70000, 70000); }, "demasiado grande"},
      {"picture past what its bytes hold", [] { return HugePicturePdf(8000, 8000); }, "demasiado grande"},
      {"tiff page past the pixel limit", [] { return HugePictureTiff(70000, 70000); }, "demasiado grande"},
      {"fifo", nullptr, "No es un archivo normal"},
      {"text", [] { return QByteArray("no es un documento"); }, "No es un documento PDF ni TIFF"},
  };
  QTemporaryDir dir;
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = dir.filePath(QString::fromUtf8(c.name));
    if (c.bytes)
      ASSERT_TRUE(imagefilestest::WriteFile(path, c.bytes()));
    else
      ASSERT_EQ(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
    try {
      const auto reader = documents::OpenDocument(path);
      for (int i = 0; i < reader->pageCount(); ++i) reader->page(i);
      ADD_FAILURE() << "read whole";
    } catch (const platform::Failure& f) {
      EXPECT_TRUE(f.reason.contains(QString::fromUtf8(c.reason))) << f.reason.toStdString();
    }
  }
}

}  // namespace
