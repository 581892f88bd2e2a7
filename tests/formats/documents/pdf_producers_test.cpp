// PDF pages as other producers and attackers write them: what is not a plain
// grey or RGB picture of the page is shown as poppler draws it, what cannot be
// read fails its page, and the work of drawing is bounded.
#include "support/pdf_producers.h"
#include "core/failure.h"
#include "formats/documents/document.h"
#include "support/picture_files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <poppler/qt6/poppler-qt6.h>

#include <atomic>
#include <functional>

using namespace pdfproducers;

namespace {

QString written(const QTemporaryDir& dir, const QByteArray& bytes, const char* name = "documento.pdf") {
  const QString path = dir.filePath(QString::fromLatin1(name));
  EXPECT_TRUE(imagefilestest::WriteFile(path, bytes));
  return path;
}

// Page 1 as poppler draws it, with the reader's own settings.
QImage popplerDrawing(const QString& path, double dpi) {
  std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
  document->setRenderHint(Poppler::Document::Antialiasing);
  document->setRenderHint(Poppler::Document::TextAntialiasing);
  document->setPaperColor(Qt::white);
  std::unique_ptr<Poppler::Page> page(document->page(0));
  return page->renderToImage(dpi, dpi).convertToFormat(QImage::Format_RGB32);
}

// The failure of page 1, or "" when it is read.
QString pageFailure(const QString& path, documents::ReadingLimits limits = {}) {
  try {
    documents::OpenDocument(path, 150, limits)->page(0);
    return {};
  } catch (const platform::Failure& f) {
    return f.reason;
  }
}

QImage testPicture() {
  QImage p(64, 48, QImage::Format_RGB32);
  for (int y = 0; y < p.height(); ++y)
    for (int x = 0; x < p.width(); ++x) p.setPixel(x, y, qRgb(x * 4, 255 - y * 5, (x * y) & 255));
  return p;
}

TEST(PdfProducers, JpegPicturesInOtherColoursAreShownAsPopplerDrawsThem) {
  QTemporaryDir dir;
  for (ForeignJpeg kind : {ForeignJpeg::AdobeCmyk, ForeignJpeg::Separation, ForeignJpeg::DeviceN, ForeignJpeg::Lab,
                           ForeignJpeg::Decoded}) {
    SCOPED_TRACE(int(kind));
    const QString path = written(dir, ForeignJpegPdf(kind, testPicture()));
    const QImage page = documents::OpenDocument(path, 150)->page(0);
    EXPECT_EQ(page, popplerDrawing(path, 150));
  }
}

TEST(PdfProducers, NotesOverAPictureAreDrawnAtThePicturesResolution) {
  QTemporaryDir dir;
  const QString path = written(dir, AnnotatedPdf(testPicture()));
  const QImage page = documents::OpenDocument(path, 300)->page(0);
  EXPECT_EQ(page, popplerDrawing(path, 100));
  EXPECT_EQ(page.size(), QSize(64, 48));
  EXPECT_EQ(page.pixel(2, 45), qRgb(255, 0, 0));  // the stamp at the lower left
  EXPECT_EQ(page.dotsPerMeterX(), 3937);
}

TEST(PdfProducers, PagesKeepTheirPhysicalSize) {
  QTemporaryDir dir;
  // Two inches by one in user units of two points: 4 x 2 inches.
  const auto drawn = documents::OpenDocument(written(dir, UserUnitPdf(144, 72, 2)), 100)->page(0);
  EXPECT_EQ(drawn.size(), QSize(400, 200));
  EXPECT_EQ(documents::EncodePage(drawn).dpiX, 100);
  EXPECT_EQ(drawn.pixel(50, 150), qRgb(0x33, 0x66, 0xCC));  // lower left quarter
  EXPECT_EQ(drawn.pixel(300, 50), qRgb(255, 255, 255));

  // Resolutions whole dots per metre cannot hold: the page stays 200 inches wide.
  for (double dpi : {0.01, 0.5, 7200.0}) {
    SCOPED_TRACE(dpi);
    const int side = 2;
    const auto page = documents::OpenDocument(written(dir, TinyResolutionPdf(side, side, dpi)))->page(0);
    const documents::EncodedPage encoded = documents::EncodePage(page);
    EXPECT_NEAR(encoded.width / encoded.dpiX / (side / dpi), 1, 1e-9);
    // A copy whose resolution was changed since is taken at its new one.
    QImage changed = page;
    changed.setDotsPerMeterX(3937);
    EXPECT_EQ(documents::EncodePage(changed).dpiX, 100);
  }
}

TEST(PdfProducers, APictureThatCannotBeReadFailsItsPage) {
  QTemporaryDir dir;
  for (Unreadable kind : {Unreadable::FlateWithMargin, Unreadable::Jbig2, Unreadable::MissingXObject,
                          Unreadable::CutGroup4, Unreadable::GarbageGroup4}) {
    SCOPED_TRACE(int(kind));
    EXPECT_TRUE(pageFailure(written(dir, UnreadablePdf(kind))).startsWith(QStringLiteral("Documento dañado")));
  }
  // A font the machine lacks is replaced, as other readers do: the page is read.
  EXPECT_EQ(pageFailure(written(dir, MissingFontPdf())), QString());
}

TEST(PdfProducers, ABlankGroup4PageAtHighResolutionIsRead) {
  QTemporaryDir dir;
  const QImage page = documents::OpenDocument(written(dir, SparseGroup4Pdf()))->page(0);
  ASSERT_EQ(page.size(), QSize(4960, 7016));
  for (int y = 0; y < page.height(); y += 701)
    for (int x = 0; x < page.width(); x += 331) ASSERT_EQ(page.pixel(x, y), qRgb(255, 255, 255));
}

TEST(PdfProducers, DrawingGivesUpPastItsBudgetOrWhenStopped) {
  QTemporaryDir dir;
  const QString path = written(dir, NestedFormsPdf(9, 10));
  EXPECT_EQ(pageFailure(path, {std::chrono::milliseconds(200), nullptr}),
            QStringLiteral("el dibujo de la página tarda demasiado"));
  const std::atomic<bool> stop{true};
  EXPECT_EQ(pageFailure(path, {std::chrono::seconds(3000), &stop}),
            QStringLiteral("el trabajo se detuvo mientras se dibujaba la página"));
  // A page that is quickly drawn is not stopped by a short budget.
  EXPECT_EQ(pageFailure(written(dir, NestedFormsPdf(2, 3), "corto.pdf"), {std::chrono::milliseconds(200), nullptr}),
            QString());
}

TEST(PdfProducers, StreamsThatInflateFarAreReadOnlyAsFarAsNeeded) {
  QTemporaryDir dir;
  // Its content is no one picture's: drawn, as poppler draws it.
  const QString bomb = written(dir, ContentBombPdf(qint64(16) << 20), "contenido.pdf");
  EXPECT_EQ(documents::OpenDocument(bomb, 150)->page(0), popplerDrawing(bomb, 150));
  // A palette's table is read only as far as its entries.
  const QImage indexed =
      documents::OpenDocument(written(dir, IndexedLookupBombPdf(qint64(64) << 20), "paleta.pdf"))->page(0);
  ASSERT_EQ(indexed.size(), QSize(40, 50));
  EXPECT_EQ(indexed.pixel(20, 20), qRgb(0x40, 0x40, 0x40));
  // Samples that stop before the picture's end fail it.
  const QString cut = written(dir, LargeFlateGreyPdf(600).replace("/Height 600", "/Height 900"), "corta.pdf");
  EXPECT_TRUE(pageFailure(cut).contains(QStringLiteral("menos datos")));
  const QImage large = documents::OpenDocument(written(dir, LargeFlateGreyPdf(600), "gris.pdf"))->page(0);
  ASSERT_EQ(large.size(), QSize(600, 600));
  EXPECT_EQ(large.pixel(599, 599), qRgb(255, 255, 255));
}

}  // namespace
