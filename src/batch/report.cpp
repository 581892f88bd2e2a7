#include "batch/report.h"

#include "batch/messages.h"

#include "formats/filenames.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace batch {

namespace {

// Where a file is, with links and "..", whether it exists or not.
QString identity(const QString& path) {
  const QFileInfo file(path);
  const QString canonical = file.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(file.absoluteFilePath()) : canonical;
}

// The report's own folder, with links, and the report within it.
QString reportIdentity(const QString& path) {
  const QFileInfo file(path);
  return QDir(identity(file.absolutePath())).filePath(file.fileName());
}

[[noreturn]] void refuse(const QString& report, const QString& why) {
  throw UsageError{QStringLiteral("el informe «%1» %2").arg(platform::DisplayFileName(report), why), false};
}

QString fileNames(const Output& output) {
  QStringList names;
  for (const QString& path : output.kind == Output::Kind::PageFiles ? output.pageFiles : QStringList{output.path})
    if (!path.isEmpty()) names += platform::DisplayFileName(QFileInfo(path).fileName());
  return names.join(QStringLiteral("; "));
}

}  // namespace

QByteArray CsvLine(const QStringList& fields) {
  QByteArray line;
  for (qsizetype i = 0; i < fields.size(); ++i) {
    QByteArray field = fields[i].toUtf8();
    if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r'))
      field = '"' + field.replace("\"", "\"\"") + '"';
    if (i > 0) line += ',';
    line += field;
  }
  return line + "\r\n";
}

ReportFile::ReportFile(const Options& options, const Plan& plan) {
  if (options.report == u"-") {
    fd_ = STDOUT_FILENO;
  } else {
    const QString id = reportIdentity(options.report);
    const QString out = identity(options.outputFolder);
    if (id == out || id.startsWith(out + u'/') || identity(options.report).startsWith(out + u'/'))
      refuse(options.report, QStringLiteral("no puede estar en la carpeta de salida"));
    for (const Source& source : plan.sources)
      if (!source.refused && identity(source.input) == identity(options.report))
        refuse(options.report, QStringLiteral("es una de las entradas"));
    for (const InputList& list : options.lists)
      if (list.path != u"-" && identity(list.path) == identity(options.report))
        refuse(options.report, QStringLiteral("es una de las listas de entradas"));
    fd_ = ::open(platform::EncodeFileName(options.report).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0)
      refuse(options.report, errno == EACCES || errno == EPERM ? QStringLiteral("no se puede crear: no hay permiso")
                             : errno == EISDIR                 ? QStringLiteral("es una carpeta")
                             : errno == ENOENT ? QStringLiteral("no se puede crear: su carpeta no existe")
                                               : QStringLiteral("no se puede crear: error %1 del sistema").arg(errno));
    own_ = true;
  }
  write(CsvLine({QStringLiteral("entrada"), QStringLiteral("salidas"), QStringLiteral("páginas"),
                 QStringLiteral("resultado"), QStringLiteral("motivo"), QStringLiteral("segundos")}));
}

ReportFile::~ReportFile() {
  if (own_) ::close(fd_);
}

void ReportFile::ended(const Plan& plan, const Ended& end) {
  lines(plan, plan.outputs[end.output], end.written ? QStringLiteral("escrita") : QStringLiteral("error"), end.source,
        end.reason, end.seconds, end.blank);
}

void ReportFile::alreadyDone(const Plan& plan, const Output& output) {
  lines(plan, output, QStringLiteral("ya hecha"), output.sources.front(), {}, 0);
}

void ReportFile::lines(const Plan& plan, const Output& output, const QString& result, std::size_t failing,
                       const QString& reason, double seconds, const std::vector<BlankPage>& blank) {
  const QString names = fileNames(output);
  for (const std::size_t s : output.sources) {
    const Source& source = plan.sources[s];
    QString why = result != u"error" || s == failing
                      ? ReasonText(reason)
                      : QStringLiteral("no se escribe: todas sus páginas tienen que salir bien");
    QStringList pages;
    for (const BlankPage& page : blank)
      if (page.source == s) pages += QString::number(page.page);
    if (!pages.isEmpty() && pages.front() == u"0")
      why = BlankPageNotice();
    else if (pages.size() == 1)
      why = QStringLiteral("página %1 en blanco tras los pasos").arg(pages.front());
    else if (!pages.isEmpty())
      why = QStringLiteral("páginas %1 y %2 en blanco tras los pasos")
                .arg(pages.mid(0, pages.size() - 1).join(QStringLiteral(", ")), pages.back());
    write(CsvLine({platform::DisplayFileName(source.input), names,
                   QString::number(source.refused ? 0 : source.pages.size()), result, why,
                   QString::number(seconds, 'f', 3)}));
  }
}

void ReportFile::write(const QByteArray& line) {
  // One write for the line; only a write cut short (a full disk) goes on.
  for (qsizetype at = 0; at < line.size();) {
    const ssize_t n = ::write(fd_, line.constData() + at, std::size_t(line.size() - at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    at += n;
  }
}

}  // namespace batch
