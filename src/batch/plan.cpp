#include "batch/plan.h"

#include "batch/documents_module.h"
#include "batch/input_lists.h"
#include "batch/resume.h"
#include "batch/watched_reading.h"
#include "core/numbers.h"
#include "formats/filenames.h"
#include "formats/picture_header.h"
#include "formats/tiff_decoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <climits>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace batch {

namespace {

QString extensionOf(const QString& name) {
  const qsizetype dot = name.lastIndexOf(u'.');
  return dot > 0 ? name.mid(dot + 1).toLower() : QString();
}

// The formats the help names, by the extensions they go by.
bool hasReadableExtension(const QString& name) {
  static const QStringList known{QStringLiteral("bmp"), QStringLiteral("dib"),  QStringLiteral("gif"),
                                 QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jpe"),
                                 QStringLiteral("png"), QStringLiteral("tif"),  QStringLiteral("tiff"),
                                 QStringLiteral("pdf")};
  return known.contains(extensionOf(name));
}

// The file's first bytes, enough to tell a PDF with a little junk before its
// mark. Opened without waiting, so that a pipe put in the file's place cannot
// hold the listing up; only a regular file is read.
QByteArray headOf(const QString& path) {
  const int fd = ::open(platform::EncodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {};
  struct stat st {};
  QByteArray head(1024, '\0');
  const ssize_t n = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::read(fd, head.data(), head.size()) : -1;
  ::close(fd);
  head.resize(n > 0 ? n : 0);
  return head;
}

bool startsAsReadable(const QString& path) {
  const QByteArray head = headOf(path);
  return platform::StartsAsPdf(head) ||
         (head.size() >= 8 && platform::FormatOf(head) != platform::PictureFormat::Other);
}

// Whether the TIFF's first page links to another: a TIFF of one page is a
// picture, and loads no document library; one of several is a document even
// when its chain of pages is broken, and is refused as one, never taken for
// its first page alone.
bool severalPages(const QString& path) {
  QFile file;
  return platform::OpenForReading(file, path) && platform::TiffLinksFurther(file);
}

// A PDF is always a document, a TIFF when it holds more than one page;
// anything else, and a file that cannot be read at all, is a single picture
// whose loading tells what is wrong with it.
Source sourceOf(const QString& input, const Options& options, bool keepOpen) {
  Source source{input, false, 1, {}, {}, {}};
  const QByteArray head = headOf(input);
  const bool pdf = platform::StartsAsPdf(head) || (head.size() > 0 && extensionOf(input) == u"pdf");
  const bool tiff = !pdf && head.size() >= 8 && platform::FormatOf(head) == platform::PictureFormat::Tiff;
  const bool severalTiff = tiff && severalPages(input);
  if (!pdf && !severalTiff) return source;
  try {
    std::shared_ptr<documents::DocumentReader> reader = OpenWatched(input, options.dpi);
    source.pageCount = reader->pageCount();
    source.document = pdf || source.pageCount > 1;
    if (source.document && keepOpen) source.reader = std::move(reader);
  } catch (const platform::Failure&) {
    // A damaged document is told when its turn comes, with the other inputs
    // written.
    source.document = true;
    source.pageCount = 0;
  } catch (const ReadingAbandoned& a) {
    // Not opened again: it would only stall once more.
    source.document = true;
    source.pageCount = 0;
    source.failure = a.reason;
  }
  return source;
}

// The pages taken from a source, checked against its end before any work.
void takePages(Source& source, const Options& options) {
  if (source.pageCount == 0) {  // it will fail when opened
    source.pages = {0};
    return;
  }
  if (options.pages.empty()) {
    for (int p = 0; p < source.pageCount; ++p) source.pages.push_back(p);
    return;
  }
  for (const auto& [first, last] : options.pages) {
    if (last > source.pageCount)
      throw UsageError{QStringLiteral("«%1» no tiene página %2: %3")
                           .arg(platform::DisplayFileName(source.input))
                           .arg(std::max(first, source.pageCount + 1))
                           .arg(source.pageCount == 1 ? QStringLiteral("tiene una sola página")
                                                      : QStringLiteral("tiene %1 páginas").arg(source.pageCount)),
                       false};
    for (int p = first; p <= last; ++p) source.pages.push_back(p - 1);
  }
}

// Where a file is, with links and "..", for telling two names of one file apart.
QString identity(const QFileInfo& file) {
  const QString canonical = file.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(file.absoluteFilePath()) : canonical;
}

// Why the target cannot take what is written to it, or nothing: told before
// any work, with the target named.
QString targetProblem(const QString& target) {
  const QByteArray native = platform::EncodeFileName(target);
  if (native.size() - native.lastIndexOf('/') - 1 > NAME_MAX) return QStringLiteral("el nombre es demasiado largo");
  struct stat st {};
  if (::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode))
    return QStringLiteral("es una carpeta y no se puede sustituir");
  return {};
}

void findProblem(Output& output, const QString& input, const QString& outputFolder) {
  const QStringList targets = output.kind == Output::Kind::PageFiles ? output.pageFiles : QStringList{output.path};
  for (const QString& target : targets)
    if (const QString why = targetProblem(target); !why.isEmpty()) {
      output.problemTarget = QDir(outputFolder).filePath(QFileInfo(target).fileName());  // as the user named it
      output.problem =
          input.isEmpty() ? why
                          : QStringLiteral("%1: no se escribe nada de «%2»").arg(why, platform::DisplayFileName(input));
      return;
    }
}

}  // namespace

int Plan::pageCount() const {
  int n = 0;
  for (const Output& output : outputs)
    for (const std::size_t s : output.sources) n += int(sources[s].pages.size());
  return n;
}

QString PageFileName(const QString& baseName, int page, int pageCount, const QString& extension) {
  const int width = int(QString::number(std::max(pageCount, 1)).size());
  return QStringLiteral("%1-%2.%3").arg(baseName).arg(page, width, 10, QChar(u'0')).arg(extension);
}

Plan PlanWork(const Options& options) {
  if (platform::KindOf(options.outputFolder) == platform::FileKind::File)
    throw UsageError{QStringLiteral("la salida «%1» es un archivo, no una carpeta")
                         .arg(platform::DisplayFileName(options.outputFolder)),
                     false};
  struct Given {
    QString input, refusal;  // refusal: why a list's entry is no file to read
  };
  std::vector<Given> inputs;
  bool standardInputRead = false;
  std::size_t nextList = 0;
  const auto readLists = [&](qsizetype position) {
    for (; nextList < options.lists.size() && options.lists[nextList].position <= position; ++nextList) {
      const InputList& list = options.lists[nextList];
      if (list.path == u"-" && std::exchange(standardInputRead, true))
        throw UsageError{QStringLiteral("la entrada estándar solo puede leerse como una lista")};
      for (ListedName& entry : ReadList(list)) {
        if (entry.name.isEmpty()) {
          inputs.push_back({ListName(list),
                            list.nulSeparated ? QStringLiteral("el nombre %1 de la lista está vacío").arg(entry.line)
                                              : QStringLiteral("la línea %1 de la lista está vacía").arg(entry.line)});
        } else if (platform::KindOf(entry.name) == platform::FileKind::Folder) {
          inputs.push_back(
              {std::move(entry.name), QStringLiteral("es una carpeta: una lista solo nombra archivos (find -type f)")});
        } else {
          inputs.push_back({std::move(entry.name), {}});  // a missing file or a pipe fails when it is read
        }
      }
    }
  };
  for (qsizetype i = 0; i < options.inputs.size(); ++i) {
    readLists(i);
    const QString& given = options.inputs[i];
    if (platform::KindOf(given) != platform::FileKind::Folder) {
      inputs.push_back({given, {}});
      continue;
    }
    const QString folder = given.endsWith(u'/') ? given : given + u'/';
    for (const QString& name : platform::FolderFiles(given))  // regular files only
      if (hasReadableExtension(name) || startsAsReadable(folder + name)) inputs.push_back({folder + name, {}});
  }
  readLists(options.inputs.size());
  if (inputs.empty())
    throw UsageError{QStringLiteral("no hay ninguna imagen ni documento en las entradas dadas"), false};

  Plan plan;
  int kept = 0;        // documents held open
  QSet<QString> read;  // inputs' identities
  for (const auto& [input, refusal] : inputs) {
    if (!refusal.isEmpty()) {
      Source refused{input, false, 1, {0}, {}, refusal};
      refused.refused = true;
      plan.sources.push_back(std::move(refused));
      continue;
    }
    const QString id = identity(QFileInfo(input));
    if (read.contains(id)) {  // one file named twice is read once
      plan.warnings +=
          QStringLiteral("«%1» se ha dado más de una vez y se lee una sola vez").arg(platform::DisplayFileName(input));
      continue;
    }
    read.insert(id);
    plan.sources.push_back(sourceOf(input, options, kept < KeptOpen));
    kept += plan.sources.back().reader != nullptr;
    takePages(plan.sources.back(), options);
  }

  const QDir outFolder(identity(QFileInfo(options.outputFolder)));
  QHash<QString, QString> inputOf;  // output's identity -> its input
  const auto claim = [&](const QString& path, const QString& input) {
    const QString outId = identity(QFileInfo(path));
    if (const auto other = inputOf.constFind(outId); other != inputOf.constEnd())
      throw UsageError{QStringLiteral("«%1» y «%2» se escribirían en el mismo archivo, «%3»").arg(*other, input, path),
                       false};
    inputOf.insert(outId, input);
  };
  if (!options.join.isEmpty()) {
    Output joined{Output::Kind::Document, outFolder.filePath(options.join), {}, {}, {}, {}};
    for (std::size_t s = 0; s < plan.sources.size(); ++s) joined.sources.push_back(s);
    claim(joined.path, plan.sources.front().input);
    findProblem(joined, QString(), options.outputFolder);
    plan.outputs.push_back(joined);
  } else {
    for (std::size_t s = 0; s < plan.sources.size(); ++s) {
      const Source& source = plan.sources[s];
      if (source.refused) {  // fails with its reason, writing nothing
        plan.outputs.push_back({Output::Kind::Picture, {}, {}, {s}, {}, {}});
        continue;
      }
      const QString base = QFileInfo(source.input).completeBaseName();
      Output output{Output::Kind::Picture, outFolder.filePath(base + u'.' + options.format), {}, {s}, {}, {}};
      if (options.writesDocuments()) {
        output.kind = Output::Kind::Document;
      } else if (source.document) {
        output.kind = Output::Kind::PageFiles;
        for (const int p : source.pages)
          output.pageFiles += outFolder.filePath(PageFileName(base, p + 1, source.pageCount, options.format));
      }
      if (output.kind == Output::Kind::PageFiles) {
        for (const QString& file : output.pageFiles) claim(file, source.input);
      } else {
        claim(output.path, source.input);
      }
      findProblem(output, source.input, options.outputFolder);
      plan.outputs.push_back(output);
    }
  }
  for (const Source& source : plan.sources) {
    if (source.refused) continue;
    if (const auto writer = inputOf.constFind(identity(QFileInfo(source.input))); writer != inputOf.constEnd())
      throw UsageError{QStringLiteral("el resultado de «%1» se escribiría en «%2», que es una de las entradas")
                           .arg(*writer, source.input),
                       false};
  }
  if (options.resume) SetAsideDone(plan, options.format);
  return plan;
}

}  // namespace batch
