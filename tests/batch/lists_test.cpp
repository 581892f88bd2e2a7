// Inputs read from lists, runs taken up again after being killed, and the
// report of each input: each row is run as a user would, and what the output
// folder and the report hold is checked after.
#include "batch_support.h"

#include "formats/filenames.h"
#include "support/documents.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace batchtest;
using documentfiles::PdfPage;

namespace {

struct Folder {
  QTemporaryDir dir;
  Folder() {
    QDir().mkpath(out());
    for (const char* name : {"a.png", "b.png", "c.png"})
      WriteFile(in(name), imagefilestest::Encode(RandomColours(9, 7, name[0]), "png"));
    WriteFile(in("d.pdf"), documentfiles::Pdf(
                               {{PdfPage::FlateRgb, RandomColours(20, 10, 1)}, {PdfPage::FlateRgb, ScanPage(20, 10)}}));
  }
  QString in(const QString& name) const { return dir.filePath(name); }
  QString out(const QString& name = {}) const { return dir.filePath(QStringLiteral("salida/") + name); }
  // The text with IN/ naming the folder of the inputs.
  QByteArray named(const QByteArray& text) const {
    return QByteArray(text).replace("IN/", platform::EncodeFileName(dir.path() + u'/'));
  }
  // Every entry of the output folder, hidden ones too, with its bytes.
  QMap<QString, QByteArray> written() const {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(out()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
      files.insert(name, ReadFile(out(name)));
    return files;
  }
};

// The command, with standard input and the environment's extra settings.
struct Command {
  QProcess process;
  Command(const QStringList& arguments, const QByteArray& input = {}, const QStringList& environment = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& setting : environment) env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TINTABORRA_LOTE), arguments);
    process.waitForStarted();
    process.write(input);
    process.closeWriteChannel();
  }
  Outcome finish() {
    Outcome o;
    if (!process.waitForFinished(120000)) return o;
    o.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    o.out = QString::fromUtf8(process.readAllStandardOutput());
    o.err = QString::fromLocal8Bit(process.readAllStandardError());
    return o;
  }
};

// The records of a CSV text as RFC 4180 reads them: quotes doubled inside
// quoted fields, each record ended by CRLF.
QList<QStringList> csvRecords(const QString& text) {
  QList<QStringList> records;
  QStringList record;
  QString field;
  bool quoted = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i], next = i + 1 < text.size() ? text[i + 1] : QChar();
    if (c == u'"' && quoted && next == u'"') {
      field += text[++i];
    } else if (c == u'"') {
      quoted = !quoted;
    } else if (!quoted && c == u',') {
      record += std::exchange(field, {});
    } else if (!quoted && c == u'\r' && next == u'\n') {
      record += std::exchange(field, {});
      records += std::exchange(record, {});
      ++i;
    } else {
      field += c;
    }
  }
  EXPECT_TRUE(field.isEmpty() && record.isEmpty()) << "a line not ended: " << field.toStdString();
  return records;
}

template <std::size_t N>
QByteArray withNuls(const char (&text)[N]) {
  return QByteArray(text, N - 1);
}

// "name result | ..." for the report's lines after its header.
std::string results(const QString& report) {
  QList<QStringList> records = csvRecords(report);
  QStringList lines;
  if (!records.isEmpty())
    EXPECT_EQ(records.takeFirst(), QStringList({"entrada", "salidas", "páginas", "resultado", "motivo", "segundos"}));
  for (const QStringList& r : records) lines += QFileInfo(r[0]).fileName() + u' ' + r.value(3) + r.value(6);
  return lines.join(QStringLiteral(" | ")).toStdString();
}

}  // namespace

TEST(BatchLists, EachFormOfListIsReadInItsPlaceAndBadEntriesFailAlone) {
  const QByteArray notUtf8 = "a\xf1o.png";  // Latin-1, as an old disk holds it
  const struct Row {
    QByteArray list;  // IN/ the inputs' folder
    const char* how;  // the option, then "-" to give the list on standard input
    int exitCode;
    const char* report;  // "name result" in the order of the inputs (-j 1); c.png follows the list
    QStringList says;    // on standard error
  } rows[] = {
      {"IN/b.png\nIN/a.png\n", "--lista", 0, "b.png escrita | a.png escrita | c.png escrita", {}},
      {"IN/b.png\nIN/a.png", "--lista -", 0, "b.png escrita | a.png escrita | c.png escrita", {}},
      {withNuls("IN/dos\nlineas.png\0IN/d.pdf\0"),
       "--lista0 -",
       0,
       "dos\nlineas.png escrita | d.pdf escrita | c.png escrita",
       {}},
      {"IN/" + notUtf8 + "\n", "--lista", 0, "a\u00f1o.png escrita | c.png escrita", {}},
      {"IN/a.png\n\nIN/carpeta\nIN/tubo.png\nIN/falta.png\nIN/b.png\n",
       "--lista",
       1,
       "a.png escrita | lista error | carpeta error | tubo.png error | falta.png error | b.png escrita | c.png escrita",
       {"tintaborra-lote: IN/lista: la línea 2 de la lista está vacía", "tintaborra-lote: IN/carpeta: es una carpeta",
        "tintaborra-lote: IN/tubo.png: no es un archivo normal", "tintaborra-lote: IN/falta.png: "}},
      {withNuls("IN/a.png\0\0"),
       "--lista0",
       1,
       "a.png escrita | lista error | c.png escrita",
       {"tintaborra-lote: IN/lista: el nombre 2 de la lista está vacío"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.report);
    Folder f;
    QFile::copy(f.in("a.png"), f.in("dos\nlineas.png"));
    ::link(platform::EncodeFileName(f.in("a.png")).constData(), f.named("IN/" + notUtf8).constData());
    QDir().mkpath(f.in("carpeta"));
    ASSERT_EQ(::mkfifo(platform::EncodeFileName(f.in("tubo.png")).constData(), 0600), 0);
    WriteFile(f.in("lista"), f.named(row.list));
    const QStringList how = QString::fromUtf8(row.how).split(u' ');
    const bool fromStdin = how.size() > 1;
    Command run({"-o", f.out(), "-j", "1", "--informe", "-", how[0], fromStdin ? "-" : f.in("lista"), f.in("c.png")},
                fromStdin ? f.named(row.list) : QByteArray());
    const Outcome o = run.finish();  // a pipe in the list never holds it up
    EXPECT_EQ(o.exitCode, row.exitCode) << o.err.toStdString();
    EXPECT_EQ(results(o.out), row.report) << o.err.toStdString();
    for (const QString& says : row.says)
      EXPECT_TRUE(o.err.contains(QString::fromUtf8(f.named(says.toUtf8())))) << o.err.toStdString();
    for (const QByteArray& left : {"IN/" + notUtf8, "IN/salida/" + notUtf8})
      ::unlink(f.named(left).constData());  // Qt cannot name it to remove it
  }
}

TEST(BatchLists, AListThatCannotBeReadIsAUsageErrorAndNothingIsWritten) {
  Folder f;
  for (const QStringList& args : {QStringList{"--lista", "IN/falta"}, QStringList{"--lista0", "IN/"},
                                  QStringList{"--lista", "-", "--lista0", "-"}}) {
    QStringList full{"-o", f.out(), f.in("a.png")};
    for (const QString& a : args) full += QString(a).replace(QStringLiteral("IN/"), f.dir.path() + u'/');
    Command run(full, "");
    const Outcome o = run.finish();
    EXPECT_EQ(o.exitCode, 2) << o.err.toStdString();
    EXPECT_TRUE(f.written().isEmpty());
  }
}

// A run killed at several points, then run again with --continuar, ends with
// the output folder byte for byte as a run never stopped leaves it.
TEST(BatchLists, ARunTakenUpAgainEndsAsOneNeverStopped) {
  Folder reference;
  const QStringList inputs{"a.png", "d.pdf", "b.png"};
  const auto arguments = [&](const Folder& f) {
    QStringList args{"-o", f.out(), "--fondo", "--informe", f.in("informe.csv")};
    for (const QString& input : inputs) args += f.in(input);
    return args;
  };
  ASSERT_EQ(Command(arguments(reference)).finish().exitCode, 0);
  const QMap<QString, QByteArray> whole = reference.written();
  ASSERT_EQ(whole.keys(), QStringList({"a.png", "b.png", "d-1.png", "d-2.png"}));

  const struct Row {
    const char* killed;
    std::function<void(Folder&)> leave;  // what the killed run left
    const char* report;
  } rows[] = {
      {"before_any_output",
       [](Folder& f) {
         // A page of d waiting in a hidden folder whose run is gone.
         QDir().mkpath(f.out(".tb-abc123"));
         WriteFile(f.out(".tb-abc123/.tb-vivo"), "");
         WriteFile(f.out(".tb-abc123/d-1.png"), "medio");
       },
       "a.png escrita | d.pdf escrita | b.png escrita"},
      {"leftovers_in_the_names",
       [&](Folder& f) {
         WriteFile(f.out("a.png"), "");                  // empty
         WriteFile(f.out("d-1.png"), whole["d-1.png"]);  // one page of two
         WriteFile(f.out("b.png"), "no es una imagen");  // not of the format
       },
       "a.png escrita | d.pdf escrita | b.png escrita"},
      {"link_in_the_name",
       [&](Folder& f) {
         WriteFile(f.in("otra.png"), whole["a.png"]);
         QFile::link(f.in("otra.png"), f.out("a.png"));
         WriteFile(f.out("b.png"), whole["b.png"]);
       },
       "b.png ya hecha | a.png escrita | d.pdf escrita"},
      {"mid_document",
       [&](Folder& f) {
         Command killed(arguments(f) + QStringList{"-j", "2"}, {}, {"TINTABORRA_LOTE_PRUEBA_ATASCO=d.pdf#2"});
         // d stalls on its second page; the other worker writes b meanwhile
         bool stalled = false;
         for (QDeadlineTimer ceiling(60000); !stalled && !ceiling.hasExpired(); QThread::msleep(20))
           stalled = QFileInfo::exists(f.in("d.pdf.atascado")) && ReadFile(f.in("informe.csv")).contains("b.png,");
         ASSERT_TRUE(stalled);
         killed.process.kill();
         killed.finish();
         // b is written meanwhile, d's first page waits hidden
         EXPECT_EQ(results(QString::fromUtf8(ReadFile(f.in("informe.csv")))), "a.png escrita | b.png escrita");
       },
       "a.png ya hecha | b.png ya hecha | d.pdf escrita"},
      {"after_the_last_output", [&](Folder& f) { ASSERT_EQ(Command(arguments(f)).finish().exitCode, 0); },
       "a.png ya hecha | d.pdf ya hecha | b.png ya hecha"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.killed);
    Folder f;
    row.leave(f);
    const Outcome again = Command(arguments(f) + QStringList{"--continuar", "-j", "1"}).finish();
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(f.written(), whole);
    EXPECT_FALSE(QFileInfo(f.out("a.png")).isSymLink());
    if (QFileInfo::exists(f.in("otra.png")))
      EXPECT_EQ(ReadFile(f.in("otra.png")), whole["a.png"]);  // not written through
    EXPECT_EQ(results(QString::fromUtf8(ReadFile(f.in("informe.csv")))), row.report);
    EXPECT_TRUE(again.err.contains(QStringLiteral(", %1 ya ").arg(QString::fromUtf8(row.report).count(u"ya hecha"))))
        << again.err.toStdString();
  }
}

// Every field as written, whatever the name holds, and a failing input's reason.
TEST(BatchLists, TheReportHoldsALineForEachInputAsWritten) {
  Folder f;
  const QString odd = QStringLiteral("coma, \"cita\"\ny línea.png");
  QFile::copy(f.in("a.png"), f.in(odd));
  WriteFile(f.in("rota.png"), "\x89PNG\r\n\x1a\nroto");
  Command run({"-o", f.out(), "-j", "1", "--informe", f.in("informe.csv"), "--lista0", "-", f.in("d.pdf")},
              platform::EncodeFileName(f.in(odd)) + '\0' + platform::EncodeFileName(f.in("rota.png")) + '\0');
  const Outcome o = run.finish();
  EXPECT_EQ(o.exitCode, 1) << o.err.toStdString();
  const QByteArray bytes = ReadFile(f.in("informe.csv"));
  const QList<QStringList> records = csvRecords(QString::fromUtf8(bytes));
  ASSERT_EQ(records.size(), 4) << bytes.toStdString();
  EXPECT_EQ(records[1].mid(0, 5), QStringList({f.in(odd), "coma, \"cita\"\ny línea.png", "1", "escrita", ""}));
  EXPECT_EQ(records[2].mid(0, 4), QStringList({f.in("rota.png"), "rota.png", "1", "error"}));
  EXPECT_FALSE(records[2][4].isEmpty());
  EXPECT_TRUE(o.err.contains(records[2][4])) << "the reason told on standard error too";
  EXPECT_EQ(records[3].mid(0, 4), QStringList({f.in("d.pdf"), "d-1.png; d-2.png", "2", "escrita"}));
  bool seconds = false;
  records[3][5].toDouble(&seconds);
  EXPECT_TRUE(seconds) << records[3][5].toStdString();

  // Never in the output folder, nor one of the inputs.
  for (const QString& report : {f.out("informe.csv"), f.in("a.png"), f.out()}) {
    EXPECT_EQ(Command({"-o", f.out(), "--informe", report, f.in("a.png")}).finish().exitCode, 2)
        << report.toStdString();
    EXPECT_FALSE(QFileInfo::exists(f.out("informe.csv")));
  }
}
