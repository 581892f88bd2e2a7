// tintaborra-lote over documents: every page written, whatever the output,
// holds the pixels the single-picture path gives that page; a document that
// fails leaves nothing of itself and the others are written.
#include "batch_support.h"

#include "batch/options.h"
#include "formats/codecs.h"
#include "formats/documents/document.h"
#include "support/documents.h"
#include "support/test_window.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace batchtest;
using documentfiles::PdfPage;

namespace {

struct Documents {
  QTemporaryDir dir;
  QString in(const QString& name) const { return dir.filePath(QStringLiteral("in/") + name); }
  QString out(const QString& name = {}) const { return dir.filePath(QStringLiteral("out/") + name); }
  Documents() {
    QDir().mkpath(in({}));
    const QByteArray pdf = documentfiles::Pdf({{PdfPage::Jpeg, ScanPage(120, 90)},
                                               {PdfPage::FlateRgb, RandomColours(60, 40, 1)},
                                               {PdfPage::Group4, BlackAndWhite(64, 48)},
                                               {PdfPage::Drawing, ScanPage(30, 20)}});
    WriteFile(in("escaneo.pdf"), pdf);
    WriteFile(in("cortado.pdf"), pdf.left(pdf.size() / 2));
    WriteFile(in("clave.pdf"), documentfiles::Pdf({{PdfPage::FlateRgb, RandomColours(8, 8, 2)}}, {"clave", "dueño"}));
    WriteFile(in("enorme.pdf"), documentfiles::HugePicturePdf(100000, 100000));
    WriteFile(in("hojas.tif"), documentfiles::Tiff({{RandomColours(30, 20, 3)},
                                                    {BlackAndWhite(40, 30), documentfiles::TiffStorage::Group4}}));
    std::vector<documentfiles::TiffPage> ten;
    for (unsigned i = 0; i < 10; ++i) ten.push_back({RandomColours(9, 7, i)});
    WriteFile(in("diez.tif"), documentfiles::Tiff(ten));
    WriteFile(in("foto.png"), testsupport::Encode(RandomColours(50, 40, 4), "png"));
  }
  QStringList written() const {
    return QDir(out()).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
  }
};

// A file's pages as they read back: a document's through the reader, a
// picture's through the loader.
std::vector<QImage> pagesOf(const QString& path) {
  if (!path.endsWith(u".pdf") && !(path.endsWith(u".tif") && documents::OpenDocument(path)->pageCount() > 1))
    return {platform::LoadPicture(path)};
  const auto reader = documents::OpenDocument(path);
  std::vector<QImage> pages;
  for (int i = 0; i < reader->pageCount(); ++i) pages.push_back(reader->page(i));
  return pages;
}

}  // namespace

TEST(BatchDocuments, EveryPageWrittenIsTheSinglePicturePathsPage) {
  Documents d;
  const struct {
    QStringList args, inputs;
    std::vector<std::pair<const char*, std::vector<std::pair<const char*, int>>>> outputs;  // file: (input, page)
  } cases[] = {
      {{"--formato", "pdf", "--gris", "140,20"},
       {"escaneo.pdf", "foto.png"},
       {{"escaneo.pdf", {{"escaneo.pdf", 0}, {"escaneo.pdf", 1}, {"escaneo.pdf", 2}, {"escaneo.pdf", 3}}},
        {"foto.pdf", {{"foto.png", 0}}}}},
      {{"--formato", "tif", "--quitar", "200,30,30", "-j", "1"},
       {"hojas.tif", "foto.png"},
       {{"hojas.tif", {{"hojas.tif", 0}, {"hojas.tif", 1}}}, {"foto.tif", {{"foto.png", 0}}}}},
      {{"--paginas", "2"},  // no step: a plain conversion
       {"escaneo.pdf", "hojas.tif"},
       {{"escaneo-2.png", {{"escaneo.pdf", 1}}}, {"hojas-2.png", {{"hojas.tif", 1}}}}},
      {{"--formato", "bmp", "--paginas", "10,9", "--blanquear"},
       {"diez.tif"},
       {{"diez-09.bmp", {{"diez.tif", 8}}}, {"diez-10.bmp", {{"diez.tif", 9}}}}},
      {{"--unir", "todo.tif", "--gris", "100,40"},
       {"foto.png", "hojas.tif", "escaneo.pdf"},
       {{"todo.tif",
         {{"foto.png", 0},
          {"hojas.tif", 0},
          {"hojas.tif", 1},
          {"escaneo.pdf", 0},
          {"escaneo.pdf", 1},
          {"escaneo.pdf", 2},
          {"escaneo.pdf", 3}}}}},
      {{"--unir", "todo.pdf", "--paginas", "2-1"}, {}, {}},  // not a run: a usage error
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(u' ').toStdString());
    QDir(d.out()).removeRecursively();
    QStringList args{"-o", d.out()};
    args += c.args;
    for (const QString& input : c.inputs) args += d.in(input);
    const Outcome run = RunLote(args);
    if (c.inputs.isEmpty()) {
      EXPECT_EQ(run.exitCode, 2);
      continue;
    }
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const batch::Options options = batch::ParseArguments(args);
    QStringList files;
    for (const auto& [file, pages] : c.outputs) {
      files += QString::fromUtf8(file);
      const std::vector<QImage> got = pagesOf(d.out(QString::fromUtf8(file)));
      ASSERT_EQ(got.size(), pages.size()) << file;
      for (std::size_t i = 0; i < pages.size(); ++i) {
        QImage expected = pagesOf(d.in(QString::fromUtf8(pages[i].first)))[std::size_t(pages[i].second)];
        filters::ApplySteps(expected, options.steps);
        EXPECT_EQ(got[i].convertToFormat(QImage::Format_RGB32), expected) << file << " page " << i;
        EXPECT_EQ(got[i].dotsPerMeterX(), expected.dotsPerMeterX()) << file << " page " << i;
      }
    }
    files.sort();
    EXPECT_EQ(d.written(), files);  // and no hidden folder of pages left behind
  }
}

TEST(BatchDocuments, ADocumentThatFailsLeavesNothingOfItselfAndTheOthersAreWritten) {
  Documents d;
  const struct {
    QStringList args, inputs;
    const char* says;
    QStringList written;
  } cases[] = {
      {{"--formato", "pdf"}, {"cortado.pdf", "foto.png"}, "cortado.pdf: documento dañado o incompleto", {"foto.pdf"}},
      {{},
       {"escaneo.pdf", "clave.pdf"},
       "clave.pdf: el documento está protegido con contraseña",
       {"escaneo-1.png", "escaneo-2.png", "escaneo-3.png", "escaneo-4.png"}},
      {{"--formato", "tif"}, {"enorme.pdf", "hojas.tif"}, "enorme.pdf, página 1: ", {"hojas.tif"}},
      {{"--unir", "todo.pdf"}, {"foto.png", "cortado.pdf", "hojas.tif"}, "todo.pdf: no se escribe", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.inputs.join(u' ').toStdString());
    QDir(d.out()).removeRecursively();
    QStringList args{"-o", d.out(), "-j", "2", "--blanquear"};
    args += c.args;
    for (const QString& input : c.inputs) args += d.in(input);
    const Outcome run = RunLote(args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << run.err.toStdString();
    EXPECT_EQ(d.written(), c.written);
  }
}

// The documents' libraries (poppler, qpdf) are loaded by a run that reads or
// writes a document, and by no other: they cost more to load than a few
// pictures take to clean.
TEST(BatchDocuments, TheDocumentLibrariesAreLoadedOnlyWhenADocumentIsRead) {
  const Documents d;
  WriteFile(d.in("una.tif"), documentfiles::Tiff({{RandomColours(12, 10, 5)}}));
  const struct {
    QStringList args;
    bool loads;
  } cases[] = {
      {{"--help"}, false},
      {{"-o", d.out("a"), d.in("foto.png")}, false},
      {{"-o", d.out("b"), d.in("una.tif")}, false},
      {{"-o", d.out("c"), d.in("escaneo.pdf")}, true},
      {{"-o", d.out("d"), d.in("hojas.tif")}, true},
      {{"-o", d.out("e"), "--formato", "pdf", d.in("foto.png")}, true},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].args.join(u' ').toStdString());
    // The dynamic loader names each library it loads in a file of its own.
    const QString log = d.dir.filePath(QStringLiteral("cargadas-%1").arg(i));
    qputenv("LD_DEBUG", "files");
    qputenv("LD_DEBUG_OUTPUT", log.toLocal8Bit());
    const Outcome run = RunLote(cases[i].args);
    qunsetenv("LD_DEBUG");
    qunsetenv("LD_DEBUG_OUTPUT");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QByteArray loaded;
    for (const QString& name :
         QDir(d.dir.path()).entryList(QStringList{QFileInfo(log).fileName() + QStringLiteral(".*")}, QDir::Files))
      loaded += ReadFile(d.dir.filePath(name));
    ASSERT_TRUE(loaded.contains("libQt6Core")) << "the loader wrote no names";
    EXPECT_EQ(loaded.contains("tintaborra-documentos"), cases[i].loads);
    EXPECT_EQ(loaded.contains("libpoppler"), cases[i].loads);
  }
}
