// Ways out of the output folder, and what a run leaves behind when a target
// is in the way, a library never returns or the run is stopped or killed:
// each row is the command's exit code, its line on standard error and the
// files the output folder holds after.
#include "batch_support.h"

#include "core/failure.h"
#include "formats/codecs.h"
#include "support/documents.h"
#include "support/pdf_producers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <cerrno>
#include <csignal>

using namespace batchtest;
using documentfiles::PdfPage;

namespace {

struct Folder {
  QTemporaryDir dir;
  QString in(const QString& name) const { return dir.filePath(name); }
  QString out(const QString& name = {}) const { return dir.filePath(QStringLiteral("salida/") + name); }
  Folder() {
    QDir().mkpath(out());
    const QByteArray pdf =
        documentfiles::Pdf({{PdfPage::FlateRgb, RandomColours(20, 10, 1)}, {PdfPage::FlateRgb, ScanPage(20, 10)}});
    for (const char* name : {"a.pdf", "s.pdf", "t.pdf"}) WriteFile(in(name), pdf);
  }
  QStringList written() const {
    return QDir(out()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
  }
  // The text with IN/ naming the folder of the inputs (the output folder is IN/salida/).
  QString named(QString text) const { return text.replace(QStringLiteral("IN/"), dir.path() + u'/'); }
};

// The command started with the environment's extra settings.
void start(QProcess& process, const QStringList& arguments, const QStringList& environment) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& setting : environment) env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
  process.setProcessEnvironment(env);
  process.start(QStringLiteral(TINTABORRA_LOTE), arguments);
  process.waitForStarted();
}

Outcome finish(QProcess& process) {
  Outcome o;
  if (!process.waitForFinished(120000)) return o;
  o.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  o.err = QString::fromLocal8Bit(process.readAllStandardError());
  return o;
}

// Waits, within a generous ceiling, for the file the stalled reading makes.
bool waitFor(const QString& path) {
  for (QDeadlineTimer ceiling(60000); !ceiling.hasExpired(); QThread::msleep(20))
    if (QFileInfo::exists(path)) return true;
  return false;
}

const QStringList pages = {"a-1.png", "a-2.png"};
const QStringList sPages = {"s-1.png", "s-2.png"}, tPages = {"t-1.png", "t-2.png"};

}  // namespace

TEST(BatchEscapes, EachIsRefusedOrEndsItsDocumentAndLeavesNothingBehind) {
  const QString longName = QString(251, u'n');
  const QString plazo = QStringLiteral("TINTABORRA_LOTE_PLAZO=3");
  struct Row {
    const char* fault;
    std::function<void(Folder&)> prepare;
    QStringList arguments;  // after the output folder
    QStringList environment;
    int exitCode;
    QString says;         // how a line of standard error begins
    QStringList written;  // what the output folder holds after
  };
  const Row rows[] = {
      Row("join_up_out_of_the_folder", {}, {"--unir", "../x.pdf", "IN/a.pdf"}, {}, 2,
          "tintaborra-lote: --unir lleva solo el nombre del documento, que se escribe en la carpeta de salida (-o): "
          "«../x.pdf»",
          {}),
      Row("join_to_an_absolute_path", {}, {"--unir", "IN/x.pdf", "IN/a.pdf"}, {}, 2,
          "tintaborra-lote: --unir lleva solo el nombre del documento, que se escribe en la carpeta de salida (-o): "
          "«IN/x.pdf»",
          {}),
      Row("second_page_target_a_folder",
          [](Folder& f) {
            WriteFile(f.out("a-1.png"), "viejo");
            QDir().mkpath(f.out("a-2.png"));
          },
          {"IN/a.pdf", "IN/t.pdf"}, {}, 1,
          "tintaborra-lote: IN/salida/a-2.png: es una carpeta y no se puede sustituir: no se escribe nada de "
          "«IN/a.pdf»",
          {"a-1.png", "a-2.png", "t-1.png", "t-2.png"}),
      Row("joined_target_a_folder", [](Folder& f) { QDir().mkpath(f.out("u.pdf")); },
          {"--unir", "u.pdf", "IN/a.pdf", "IN/t.pdf"}, {}, 1,
          "tintaborra-lote: IN/salida/u.pdf: es una carpeta y no se puede sustituir", {"u.pdf"}),
      Row(
          "page_name_too_long", [&](Folder& f) { QFile::copy(f.in("a.pdf"), f.in(longName + ".pdf")); },
          {"IN/" + longName + ".pdf", "IN/t.pdf"}, {}, 1,
          "tintaborra-lote: IN/salida/" + longName +
              "-1.png: el nombre es demasiado largo: no se escribe nada de «IN/" + longName + ".pdf»",
          tPages),
      Row("one_file_named_twice", {}, {"--unir", "u.pdf", "IN/a.pdf", "IN/t.pdf", "IN/a.pdf"}, {}, 0,
          "tintaborra-lote: aviso: «IN/a.pdf» se ha dado más de una vez y se lee una sola vez", {"u.pdf"}),
      Row("failed_document_counted_as_pages",
          [](Folder& f) { WriteFile(f.in("s.pdf"), "%PDF-1.4\nno es un documento"); }, {"IN/s.pdf"}, {}, 1,
          "0 páginas escritas de 0 documentos, 1 con error, en", {}),
      Row("library_never_returns_from_opening", {}, {"IN/a.pdf", "IN/s.pdf"},
          {plazo, "TINTABORRA_LOTE_PRUEBA_ATASCO=s.pdf"}, 1,
          "tintaborra-lote: IN/s.pdf: la lectura del documento tarda demasiado", pages),
      Row("library_never_returns_from_a_page", {}, {"-j", "2", "IN/s.pdf", "IN/t.pdf"},
          {plazo, "TINTABORRA_LOTE_PRUEBA_ATASCO=s.pdf#2"}, 1,
          "tintaborra-lote: IN/s.pdf, página 2: la lectura del documento tarda demasiado", tPages),
      Row(
          "forms_nested_forty_deep", [](Folder& f) { WriteFile(f.in("s.pdf"), pdfproducers::NestedFormsPdf(40, 2)); },
          {"IN/s.pdf", "IN/t.pdf"}, {plazo}, 1, "tintaborra-lote: IN/s.pdf, página 1: ", tPages),
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fault);
    Folder f;
    QProcess process;
    if (row.prepare) row.prepare(f);
    QStringList arguments = {"-o", f.out()};
    for (const QString& argument : row.arguments) arguments << f.named(argument);
    start(process, arguments, row.environment);
    const Outcome run = finish(process);
    EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
    const QString says = f.named(row.says);
    const QStringList lines = run.err.split(u'\n');
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& line) { return line.startsWith(says); }))
        << run.err.toStdString();
    EXPECT_EQ(f.written(), row.written);
    EXPECT_FALSE(QFileInfo::exists(f.in("x.pdf")));
    if (QFileInfo::exists(f.out("a-1.png")) && QFileInfo(f.out("a-2.png")).isDir()) {
      EXPECT_EQ(ReadFile(f.out("a-1.png")), "viejo");  // untouched by the document that could not be written
    }
  }
}

// A run stopped or killed while a reading never returns: it ends promptly,
// and neither it nor the run after it leaves a hidden folder.
TEST(BatchEscapes, StoppedOrKilledWhileALibraryHangsLeavesNoStaging) {
  const struct {
    const char* how;
    std::function<void(QProcess&)> stop;
    int exitCode;
  } rows[] = {
      {"sigterm", [](QProcess& p) { p.terminate(); }, 130},
      {"sigint_twice",
       [](QProcess& p) {
         ::kill(pid_t(p.processId()), SIGINT);
         ::kill(pid_t(p.processId()), SIGINT);
       },
       130},
      {"kill_9", [](QProcess& p) { p.kill(); }, -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.how);
    Folder f;
    QProcess process;
    // t's pages are written and s's first waits in the hidden folder while
    // its second never comes.
    start(process, {"-o", f.out(), "-j", "2", f.in("t.pdf"), f.in("s.pdf")}, {"TINTABORRA_LOTE_PRUEBA_ATASCO=s.pdf#2"});
    ASSERT_TRUE(waitFor(f.in("s.pdf.atascado")));
    row.stop(process);
    const Outcome stopped = finish(process);
    EXPECT_EQ(stopped.exitCode, row.exitCode) << stopped.err.toStdString();
    if (row.exitCode == 130) {  // ended by itself: its hidden folder removed already
      for (const QString& name : f.written()) EXPECT_FALSE(name.startsWith(u'.')) << name.toStdString();
    }
    const Outcome again = RunLote({"-o", f.out(), f.in("t.pdf"), f.in("s.pdf")});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(f.written(), sPages + tPages);
  }
}

// The system's reasons reach the user in Spanish, never in the words of the
// system or of Qt, whatever the error.
TEST(BatchEscapes, SystemReasonsAreToldInSpanish) {
  const struct {
    int error;
    const char* reason;
  } rows[] = {
      {EROFS, "No se pudo escribir el archivo: la carpeta es de solo lectura"},
      {EISDIR, "No se pudo escribir el archivo: es una carpeta"},
      {EIO, "No se pudo escribir el archivo: error de entrada o salida del disco"},
      {EXDEV, "No se pudo escribir el archivo: error 18 del sistema"},
  };
  for (const auto& row : rows) {
    try {
      platform::RaiseWriteFailure(QStringLiteral("No se pudo escribir el archivo"), row.error,
                                  QStringLiteral("Read-only file system"));
      ADD_FAILURE() << row.error;
    } catch (const platform::Failure& f) {
      EXPECT_EQ(f.reason, QString::fromUtf8(row.reason));
    }
  }
}
