// tintaborra-lote as a user runs it: exit codes, messages, what is written
// and what is left alone.
#include "batch_support.h"

#include "formats/codecs.h"
#include "support/test_window.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace batchtest;

namespace {

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

// A folder with two good pictures.
struct Work {
  QTemporaryDir dir;
  QString in = dir.filePath(QStringLiteral("in")), out = dir.filePath(QStringLiteral("out"));
  Work() {
    QDir().mkpath(in);
    WriteFile(QDir(in).filePath(QStringLiteral("uno.bmp")), testsupport::Encode(RandomColours(50, 40, 1), "bmp"));
    WriteFile(QDir(in).filePath(QStringLiteral("dos.jpg")), testsupport::Encode(ScanPage(80, 60), "jpg"));
  }
  QString inFile(const char* name) const { return QDir(in).filePath(QString::fromUtf8(name)); }
  QString outFile(const char* name) const { return QDir(out).filePath(QString::fromUtf8(name)); }
};

}  // namespace

// A mistake in how the command is written is followed by the synopsis; one
// found in the files it names (syntax false) is not.
TEST(BatchCommand, UsageErrorsExitWithTwoAMessageAndTheUsageAndWriteNothing) {
  Work w;
  const QString o = w.out;
  const struct {
    QStringList args;
    const char* says;
    bool syntax = true;
  } cases[] = {
      {{}, "falta la carpeta de salida"},
      {{"-o", o, "--blanquear"}, "falta al menos una imagen"},
      {{"--blanquear", w.in}, "falta la carpeta de salida"},
      {{"-o", o, "--brillo", w.in}, "opción desconocida: --brillo"},
      {{"-o", o, "--quitar", "256,0,0", w.in}, "color no válido: «256,0,0»"},
      {{"-o", o, "--quitar", "#12345", w.in}, "color no válido"},
      {{"-o", o, "--quitar", "1,2,3:rojo", w.in}, "color no válido: «rojo»"},
      {{"-o", o, "--gris", "140", w.in}, "--gris necesita dos valores"},
      {{"-o", o, "--formato", "gif", "--blanquear", w.in}, "formato desconocido"},
      {{"-o", o, "-j", "0", "--blanquear", w.in}, "-j necesita"},
      {{"-o", o, "--blanquear", w.in, "-o"}, "falta el valor de -o"},
      {{"-o", o, "--blanquear=1", w.in}, "--blanquear no lleva valor"},
      {{"-o", o, "--o", o, "--blanquear", w.in}, "opción desconocida: --o"},
      {{"-salida", o, "--blanquear", w.in}, "opción desconocida: -salida"},
      {{"-o", o, "--quitar", "-x", "--brillo", w.in}, "color no válido: «-x»"},
      {{"-o", o, "--blanquear", w.inFile("uno.bmp"), w.dir.filePath("otra/uno.gif")},
       "se escribirían en el mismo archivo",
       false},
      {{"-o", w.in, "--formato", "bmp", "--blanquear", w.inFile("uno.bmp")}, "que es una de las entradas", false},
      {{"-o", o, "--paginas", "1,2", w.in}, "no tiene página 2: tiene una sola página", false},
      {{"-o", w.inFile("uno.bmp"), w.in}, "es un archivo, no una carpeta", false},
      {{"-o", o, "--paginas", "3-1", w.in}, "--paginas necesita números de página"},
      {{"-o", o, "--paginas", "1-3,2", w.in}, "--paginas pide la página 2 más de una vez"},
      {{"-o", o, "--paginas", "0", w.in}, "--paginas necesita"},
      {{"-o", o, "--unir", "todo.png", w.in}, "--unir «todo.png» no acaba en .pdf, .tif ni .tiff"},
      {{"-o", o, "--unir", "todo", w.in}, "--unir «todo» no acaba en .pdf, .tif ni .tiff"},
      {{"-o", o, "--formato", "png", "--unir", "todo.pdf", w.in}, "--unir escribe un documento PDF o TIFF, no png"},
      {{"-o", o, "--unir", "informe.pdf", "--formato", "tif", w.in},
       "«informe.pdf» acaba en .pdf, pero --formato pide tif"},
      {{"-o", o, "--formato", "pdf", "--unir", "informe.TIFF", w.in}, "acaba en .TIFF, pero --formato pide pdf"},
      {{"-o", o, "--formato", "pdf", "--unir", "informe.png", w.in}, "acaba en .png, pero --formato pide pdf"},
      {{"-o", o, "--tolerancia", "mucha", "--quitar", "1,2,3", w.in},
       "--tolerancia necesita un número entero de 0 a 255"},
      {{"-o", o, "--tolerancia", "-1", "--quitar", "1,2,3", w.in}, "--tolerancia necesita un número entero de 0 a 255"},
      {{"-o", o, "--tolerancia", "256", "--quitar", "1,2,3", w.in}, "«256»"},
      {{"-o", o, "--tolerancia", "", "--quitar", "1,2,3", w.in}, "--tolerancia necesita"},
      {{"-o", o, "--quitar", "1,2,3", w.in, "--tolerancia"}, "falta el valor de --tolerancia"},
      {{"-o", o, "--calidad", "0", w.in}, "--calidad necesita un número entero de 1 a 100"},
      {{"-o", o, "--ppp", "20", w.in}, "--ppp necesita un número entero de 50 a 1200"},
      {{"-o", o, "--blanquear", w.dir.filePath("vacia_no_existe/")}, ""},
  };
  QDir().mkpath(w.dir.filePath("otra"));
  WriteFile(w.dir.filePath("otra/uno.gif"), testsupport::Encode(BlackAndWhite(4, 4), "bmp"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(u' ').toStdString());
    const Outcome run = RunLote(c.args);
    if (QString::fromUtf8(c.says).isEmpty()) {  // a missing input is the input's failure, not a usage error
      EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
      continue;
    }
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("tintaborra-lote: "))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << run.err.toStdString();
    EXPECT_EQ(run.err.contains(QStringLiteral("Uso: tintaborra-lote -o CARPETA")), c.syntax) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(o));
    EXPECT_EQ(filesIn(w.in), QStringList({"dos.jpg", "uno.bmp"}));
  }
}

TEST(BatchCommand, HelpAndVersionAreShownAndExitWithZero) {
  const Outcome help = RunLote({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains("Uso: tintaborra-lote")) << help.out.toStdString();
  EXPECT_TRUE(help.out.contains("Ejemplos:"));
  const Outcome version = RunLote({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(version.out.startsWith("tintaborra-lote ")) << version.out.toStdString();
}

TEST(BatchCommand, HostileAndDamagedFilesAreNamedAndTheRestWritten) {
  Work w;
  const QByteArray jpeg = testsupport::Encode(ScanPage(120, 90), "jpg");
  WriteFile(w.inFile("cortada.jpg"), jpeg.left(jpeg.size() / 2));
  WriteFile(w.inFile("enorme.png"), PngHeaderOnly(100000, 100000));
  WriteFile(w.inFile("texto.gif"), "Esto no es una imagen, solo texto.\n");
  WriteFile(w.inFile("notas.txt"), "no es una imagen ni lo parece\n");  // not taken from a folder
  const Outcome run = RunLote({"-o", w.out, "--quitar", "200,30,30", "--blanquear", w.in, w.inFile("falta.bmp")});
  EXPECT_EQ(run.exitCode, 1);
  const struct {
    const char* file;
    const char* reason;
  } failures[] = {
      {"cortada.jpg", "imagen incompleta"},
      {"enorme.png", "la imagen es demasiado grande (100000 × 100000 píxeles)"},
      {"texto.gif", "imagen no válida"},
      {"falta.bmp", "no se encontró el archivo"},
  };
  for (const auto& f : failures)
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("tintaborra-lote: %1: %2").arg(w.inFile(f.file), QString::fromUtf8(f.reason))))
        << f.file << "\n"
        << run.err.toStdString();
  // a scan has no pure black: written, and told
  EXPECT_TRUE(
      run.err.contains(QStringLiteral("tintaborra-lote: página en blanco tras los pasos: ") + w.inFile("dos.jpg")))
      << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(
      QRegularExpression("\\n2 imágenes escritas, 4 con error, 1 página en blanco, en \\d+,\\d s\\n$")))
      << run.err.toStdString();
  EXPECT_EQ(filesIn(w.out), QStringList({"dos.png", "uno.png"}));
  EXPECT_EQ(platform::LoadPicture(w.outFile("uno.png")).size(), QSize(50, 40));
}

TEST(BatchCommand, AFullDiskLeavesTheEarlierFileIntactAndNothingBehind) {
  Work w;
  QDir().mkpath(w.out);
  const QByteArray earlier = testsupport::Encode(BlackAndWhite(8, 8), "bmp");
  WriteFile(w.outFile("uno.bmp"), earlier);
  QFile::remove(w.inFile("dos.jpg"));
  WriteFile(w.inFile("dos.bmp"), testsupport::Encode(BlackAndWhite(80, 60), "bmp"));
  Outcome run;
  {
    const testsupport::FileSizeLimit limit(4096);  // uno.bmp comes to 6 KB, dos.bmp to 1 KB in one bit a pixel
    run = RunLote({"-o", w.out, "--formato", "bmp", "--quitar", "200,30,30", w.in});
  }
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(
      run.err.contains(QStringLiteral("%1: no se pudo escribir el archivo: el archivo supera el tamaño permitido")
                           .arg(w.inFile("uno.bmp"))))
      << run.err.toStdString();
  EXPECT_EQ(filesIn(w.out), QStringList({"dos.bmp", "uno.bmp"}));
  EXPECT_EQ(ReadFile(w.outFile("uno.bmp")), earlier);
}
