// tintaborra-lote over PDF pages as other producers and attackers write
// them: a page whose picture cannot be read fails its document with the
// reason; a page packed far tighter than most is read and keeps its size.
#include "batch_support.h"

#include "formats/documents/document.h"
#include "support/pdf_producers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace batchtest;
using pdfproducers::Unreadable;

namespace {

TEST(BatchPdfPages, APageThatCannotBeReadFailsItsDocumentAndAPackedOneIsWritten) {
  const struct {
    const char* name;
    QByteArray bytes;
    int exitCode;
    const char* says;
  } cases[] = {
      {"margen.pdf", pdfproducers::UnreadablePdf(Unreadable::FlateWithMargin), 1,
       "margen.pdf, página 1: documento dañado o incompleto: una imagen u otro objeto de la página no se puede leer"},
      {"falta.pdf", pdfproducers::UnreadablePdf(Unreadable::MissingXObject), 1,
       "falta.pdf, página 1: documento dañado"},
      {"fuente.pdf", pdfproducers::MissingFontPdf(), 0, "1 documento escrito"},
      {"blanca.pdf", pdfproducers::SparseGroup4Pdf(), 0, "1 documento escrito"},
      {"diminuta.pdf", pdfproducers::TinyResolutionPdf(2, 2, 0.01), 0, "1 documento escrito"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    const QString in = dir.filePath(QString::fromLatin1(c.name)), out = dir.filePath(QStringLiteral("salida"));
    ASSERT_TRUE(WriteFile(in, c.bytes));
    const Outcome run = RunLote({"-o", out, "--formato", "pdf", "--blanquear", in});
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE((run.err + run.out).contains(QString::fromUtf8(c.says))) << run.err.toStdString();
    if (c.exitCode != 0) continue;
    // The page written keeps the size the document gave it.
    const auto written = documents::OpenDocument(out + QLatin1Char('/') + QString::fromLatin1(c.name));
    const auto original = documents::OpenDocument(in);
    const documents::EncodedPage was = documents::EncodePage(original->page(0));
    const documents::EncodedPage is = documents::EncodePage(written->page(0));
    EXPECT_NEAR(is.width / is.dpiX, was.width / was.dpiX, 1e-6 * was.width / was.dpiX);
  }
}

}  // namespace
