#include "batch/runner.h"

#include "pixels/codecs.h"
#include "pixels/filenames.h"
#include "pixels/picture_header.h"
#include "pixels/vb.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace batch {

namespace {

// The formats the help names, by the extensions they go by.
bool hasPictureExtension(const QString& name) {
  static const QStringList known{QStringLiteral("bmp"), QStringLiteral("dib"),  QStringLiteral("gif"),
                                 QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jpe"),
                                 QStringLiteral("png"), QStringLiteral("tif"),  QStringLiteral("tiff")};
  const qsizetype dot = name.lastIndexOf(u'.');
  return dot > 0 && known.contains(name.mid(dot + 1).toLower());
}

// Whether the file starts as one of the formats the loader reads. Opened
// without waiting, so that a pipe put in the file's place cannot hold the
// listing up; only a regular file is read.
bool startsAsPicture(const QString& path) {
  const int fd = ::open(platform::EncodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  char head[8] = {};
  const bool read = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::read(fd, head, sizeof head) == sizeof head;
  ::close(fd);
  return read && platform::FormatOf(QByteArray(head, sizeof head)) != platform::PictureFormat::Other;
}

// Where a file is, with links and "..", for telling two names of one file apart.
QString identity(const QFileInfo& file) {
  const QString canonical = file.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(file.absoluteFilePath()) : canonical;
}

}  // namespace

std::vector<Job> PlanJobs(const Options& options) {
  if (platform::KindOf(options.outputFolder) == platform::FileKind::File)
    throw UsageError{QStringLiteral("la salida «%1» es un archivo, no una carpeta")
                         .arg(platform::DisplayFileName(options.outputFolder))};
  QStringList inputs;
  for (const QString& given : options.inputs) {
    if (platform::KindOf(given) != platform::FileKind::Folder) {
      inputs += given;
      continue;
    }
    const QString folder = given.endsWith(u'/') ? given : given + u'/';
    for (const QString& name : platform::FolderFiles(given))  // regular files only
      if (hasPictureExtension(name) || startsAsPicture(folder + name)) inputs += folder + name;
  }
  if (inputs.isEmpty()) throw UsageError{QStringLiteral("no hay ninguna imagen en las carpetas dadas")};

  const QFileInfo out(options.outputFolder);
  const QDir outFolder(identity(out));
  std::vector<Job> jobs;
  QSet<QString> read;               // inputs' identities
  QHash<QString, QString> inputOf;  // output's identity -> its input
  for (const QString& input : inputs) {
    const QString id = identity(QFileInfo(input));
    if (read.contains(id)) continue;  // one file named twice is read once
    read.insert(id);
    Job job{input, outFolder.filePath(QFileInfo(input).completeBaseName() + u'.' + options.format)};
    const QString outId = identity(QFileInfo(job.output));
    if (const auto other = inputOf.constFind(outId); other != inputOf.constEnd())
      throw UsageError{
          QStringLiteral("«%1» y «%2» se escribirían en el mismo archivo, «%3»").arg(*other, input, job.output)};
    inputOf.insert(outId, input);
    jobs.push_back(job);
  }
  for (const Job& job : jobs)
    if (const auto writer = inputOf.constFind(identity(QFileInfo(job.input))); writer != inputOf.constEnd())
      throw UsageError{QStringLiteral("el resultado de «%1» se escribiría en «%2», que es una de las entradas")
                           .arg(*writer, job.input)};
  return jobs;
}

Result ProcessOne(const Job& job, const Options& options) {
  try {
    QImage picture = platform::LoadPicture(job.input);
    filters::ApplyInRowOrder(picture, options.steps);
    const QByteArray format = options.format.toLatin1();
    platform::SavePicture(platform::CompactForm(picture), job.output, format.constData());
    return {true, {}};
  } catch (const platform::Failure& f) {
    return {false, f.Description};
  } catch (const std::bad_alloc&) {
    return {false, QStringLiteral("Memoria insuficiente")};
  } catch (...) {
    return {false, QStringLiteral("Error inesperado")};
  }
}

Totals RunJobs(const std::vector<Job>& jobs, const Options& options,
               const std::function<void(std::size_t, const Result&)>& done, const std::function<void()>& tick,
               const std::atomic<bool>* stopping) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers = std::min<std::size_t>(options.jobs > 0 ? unsigned(options.jobs) : cores, jobs.size());
  std::atomic<std::size_t> next{0};
  std::mutex reporting;
  std::condition_variable finished;
  std::size_t running = workers;
  Totals totals;
  const auto work = [&] {
    for (std::size_t i = next++; i < jobs.size(); i = next++) {
      if (stopping && stopping->load()) break;  // the pictures under way are finished, no new one is begun
      const Result result = ProcessOne(jobs[i], options);
      const std::lock_guard lock(reporting);
      ++(result.written ? totals.written : totals.failed);
      if (done) done(i, result);
    }
    const std::lock_guard lock(reporting);
    --running;
    finished.notify_one();
  };
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < workers; ++t) threads.emplace_back(work);
  {
    std::unique_lock lock(reporting);
    while (!finished.wait_for(lock, std::chrono::seconds(1), [&] { return running == 0; }))
      if (tick) tick();
  }
  for (std::thread& t : threads) t.join();
  return totals;
}

}  // namespace batch
