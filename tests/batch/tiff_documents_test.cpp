// tintaborra-lote over TIFF files that once went wrong: a document whose
// chain of pages is broken is refused whole, never taken for its first page;
// what libtiff reads is written; a page that claims more than its bytes hold
// is refused with its reason.
#include "batch_support.h"

#include "support/tiff_producers.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace batchtest;
using namespace tiffproducers;

namespace {

TEST(BatchTiff, EachFileEndsWithItsOutcome) {
  const QByteArray three = Pages(3);
  const struct {
    const char* name;
    QByteArray bytes;
    int exitCode;
    const char* says;
    QStringList written;
  } cases[] = {
      {"vuelta.tif",
       BrokenChain(three, Chain::BackToFirst),
       1,
       "vuelta.tif: documento dañado o incompleto: la página 3 lleva de vuelta a la página 1\n",
       {}},
      {"misma.tif", BrokenChain(three, Chain::ToItself), 1, "la página 3 lleva de vuelta a la página 3\n", {}},
      {"lejos.tif", BrokenChain(three, Chain::PastEnd), 1, "la página 4 no se puede leer\n", {}},
      {"cortado.tif", three.left(three.size() * 4 / 5), 1, "la página 3 no se puede leer\n", {}},
      {"sinpaleta.tif", PaletteWithoutColourMap(), 1, "sinpaleta.tif: imagen dañada: es de paleta y le falta", {}},
      {"enorme.tif", SecondPageHuge(16384), 1, "enorme.tif, página 2: imagen dañada: sus datos no alcanzan", {}},
      {"teselas.tif", TiledRgb(RandomColours(70, 50, 1), 16, false), 0, "1 imagen escrita", {"teselas.png"}},
      {"grande.tif", BigTiff(RandomColours(40, 30, 2)), 0, "1 imagen escrita", {"grande.png"}},
      {"tres.tif", three, 0, "3 páginas escritas de 1 documento", {"tres-1.png", "tres-2.png", "tres-3.png"}},
  };
  QTemporaryDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString input = dir.filePath(QString::fromUtf8(c.name)), out = dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(WriteFile(input, c.bytes));
    QDir(out).removeRecursively();
    const Outcome run = RunLote({"-o", out, "--blanquear", input});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << run.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot), c.written);
  }
}

}  // namespace
