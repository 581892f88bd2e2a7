// What a scan meets beyond the window's fixed settings: --tolerancia against
// the removal rule with that tolerance, applied by core directly, and pages
// that had content and come out of the steps all one colour.
#include "batch_support.h"

#include "core/pixel_rules.h"
#include "formats/codecs.h"
#include "support/documents.h"
#include "support/test_window.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace batchtest;

namespace {

platform::ColorValue colourAt(const QImage& picture, int x, int y) {
  const QRgb p = picture.pixel(x, y);
  return platform::RGB(qRed(p), qGreen(p), qBlue(p));
}

// Every red, and greens and blues spread over their whole range, so that
// each tolerance meets colours on both sides of its edge.
QImage spread() {
  return testsupport::MakePicture(
      256, 64, [](int x, int y) { return platform::RGB(x, (y * 37 + x / 16) % 256, (x * 7 + y * 11) % 256); });
}

}  // namespace

TEST(BatchScanSteps, ToleranceHoldsForTheRemovalsAfterItAndMatchesTheRule) {
  const struct {
    QStringList steps;
    // the removals as core applies them: target, replacement, tolerance
    std::vector<filters::RemovalRule> rules;
    const char* warns = "";
  } rows[] = {
      {{"--quitar", "200,30,30"}, {{200, 30, 30, filters::White}}},
      {{"--tolerancia", "0", "--quitar", "100,120,42"}, {{100, 120, 42, filters::White, 0}}},  // the pixel at 100,10
      {{"--tolerancia=255", "--quitar", "128,128,128:0,0,0"}, {{128, 128, 128, 0, 255}}},
      {{"--tolerancia", "60", "--quitar", "200,30,30", "--tolerancia", "5", "--quitar", "90,100,110:#102030",
        "--quitar", "10,20,30"},
       {{200, 30, 30, filters::White, 60},
        {90, 100, 110, platform::RGB(16, 32, 48), 5},
        {10, 20, 30, filters::White, 5}}},
      {{"--quitar", "200,30,30", "--tolerancia", "80"},
       {{200, 30, 30, filters::White}},
       "--tolerancia 80 no cambia nada"},
  };
  const QImage input = spread();
  QTemporaryDir dir;
  const QString in = dir.filePath("colores.png"), out = dir.filePath("out");
  ASSERT_TRUE(WriteFile(in, testsupport::Encode(input, "png")));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.steps.join(u' ').toStdString());
    const Outcome run = RunLote(QStringList{"-o", out} + row.steps + QStringList{in});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.contains(QString::fromUtf8(row.warns)), true) << run.err.toStdString();
    const QImage written = platform::LoadPicture(dir.filePath("out/colores.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(written.size(), input.size());
    int changed = 0;
    for (int y = 0; y < input.height(); ++y)
      for (int x = 0; x < input.width(); ++x) {
        platform::ColorValue c = colourAt(input, x, y);
        for (const filters::RemovalRule& rule : row.rules) c = rule(c);
        changed += c != colourAt(input, x, y);
        ASSERT_EQ(colourAt(written, x, y), c) << x << "," << y;
      }
    EXPECT_GT(changed, 0);
  }
}

TEST(BatchScanSteps, APageWithContentLeftOneColourIsWrittenToldAndCounted) {
  QTemporaryDir dir;
  const auto at = [&](const QString& name) { return dir.filePath(name); };
  const QImage scan = ScanPage(60, 40);  // warm paper, grey pencil, a red stamp: no pure black
  const QImage plain = testsupport::MakePicture(30, 20, [](int, int) { return platform::RGB(240, 235, 220); });
  WriteFile(at("escaneo.png"), testsupport::Encode(scan, "png"));
  WriteFile(at("liso.png"), testsupport::Encode(plain, "png"));  // no content to lose
  WriteFile(at("hojas.pdf"), documentfiles::Pdf({{documentfiles::PdfPage::FlateRgb, BlackAndWhite(40, 30)},
                                                 {documentfiles::PdfPage::FlateRgb, scan}}));
  const struct {
    QStringList args;
    QStringList told;  // the inputs, with their page, told blank
    const char* summary;
    const char* report;  // the reason column, in the order of the inputs
  } rows[] = {
      {{"--blanquear", at("escaneo.png"), at("liso.png")},
       {"escaneo.png"},
       "2 imágenes escritas, 0 con error, 1 página en blanco, en",
       "página en blanco tras los pasos|"},
      {{"--blanquear", "--formato", "pdf", at("hojas.pdf")},
       {"hojas.pdf, página 2"},
       "1 documento escrito (2 páginas), 0 con error, 1 página en blanco, en",
       "página 2 en blanco tras los pasos"},
      {{"--unir", "todo.tif", "--gris", "140,20", "--quitar", "0,0,0", at("liso.png"), at("hojas.pdf"),
        at("escaneo.png")},
       {"hojas.pdf, página 1", "hojas.pdf, página 2", "escaneo.png"},
       "1 documento escrito (4 páginas), 0 con error, 3 páginas en blanco, en",
       "|páginas 1 y 2 en blanco tras los pasos|página en blanco tras los pasos"},
      {{"--gris", "170,30", at("escaneo.png"), at("liso.png")}, {}, "2 imágenes escritas, 0 con error, en", "|"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args.join(u' ').toStdString());
    QDir(at("out")).removeRecursively();
    const Outcome run = RunLote(QStringList{"-o", at("out"), "-j", "1", "--informe", "-"} + row.args);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList told;
    static const QRegularExpression notice(
        QStringLiteral("^tintaborra-lote: página en blanco tras los pasos: .*/(.*)$"),
        QRegularExpression::MultilineOption);
    for (auto it = notice.globalMatch(run.err); it.hasNext();) told += it.next().captured(1);
    EXPECT_EQ(told.join(u'|'), row.told.join(u'|')) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(row.summary))) << run.err.toStdString();
    QStringList reasons;
    for (const QString& line : run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(1)) {
      // entrada,salidas,páginas,escrita,motivo,segundos: the reason may be quoted
      const qsizetype from = line.indexOf(QStringLiteral(",escrita,")) + 9, to = line.lastIndexOf(u',');
      ASSERT_GE(from, 9) << line.toStdString();
      reasons += line.mid(from, to - from).remove(u'"');
    }
    EXPECT_EQ(reasons.join(u'|'), QString::fromUtf8(row.report)) << run.out.toStdString();
  }
}
