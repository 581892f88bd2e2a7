#include "batch/outputs.h"

#include "batch/messages.h"

#include "core/failure.h"
#include "formats/codecs.h"
#include "formats/filenames.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <new>

namespace batch {

QString ReasonOf(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const platform::Failure& f) {
    return f.reason;
  } catch (const std::bad_alloc&) {
    return QStringLiteral("Memoria insuficiente");
  } catch (...) {
    return QStringLiteral("Error inesperado");
  }
}

void SystemFailure(const char* what, int error) { platform::RaiseWriteFailure(QString::fromUtf8(what), error); }

Outputs::Outputs(const Plan& plan, const std::vector<PageJob>& jobs, PageQueue& queue, documents::DocumentKind kind,
                 const std::function<void(const Report&)>& failed, const std::function<void()>& pageDone,
                 const std::function<void(const Ended&)>& ended)
    : plan_(plan),
      jobs_(jobs),
      queue_(queue),
      kind_(kind),
      failedReport_(failed),
      pageDone_(pageDone),
      ended_(ended),
      outputs_(plan.outputs.size()) {
  for (std::size_t j = 0; j < jobs.size(); ++j) {
    State& out = outputs_[jobs[j].output];
    if (jobs[j].slot == 0) out.firstJob = j;
    ++out.remaining;
  }
  for (std::size_t o = 0; o < plan.outputs.size(); ++o) {
    const Output& output = plan.outputs[o];
    totals_.documentsAsked |= output.kind == Output::Kind::Document;
    totals_.pageFilesAsked |= output.kind == Output::Kind::PageFiles;
    if (output.problem.isEmpty()) continue;
    // A target found unwritable by the plan: its output fails before any
    // work, and its pages are only given up.
    outputs_[o].failed = true;
    ++totals_.failed;
    if (failedReport_) failedReport_({output.problemTarget, 0, output.problem});
    if (output.sources.size() > 1 && output.problemTarget != output.path)
      failedReport_({output.path, 0, QStringLiteral("no se escribe: todas sus páginas tienen que salir bien")});
    if (ended_) ended_({o, false, output.sources.front(), output.problem, 0, {}});
  }
}

void Outputs::begin(std::size_t o) {
  State& out = outputs_[o];
  const std::lock_guard lock(out.mutex);
  if (out.begun == std::chrono::steady_clock::time_point{}) out.begun = std::chrono::steady_clock::now();
}

double Outputs::secondsOf(const State& out) const {
  if (out.begun == std::chrono::steady_clock::time_point{}) return 0;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - out.begun).count();
}

void Outputs::drop(std::size_t o) {
  State& out = outputs_[o];
  const std::lock_guard lock(out.mutex);
  if (out.failed || out.complete) return;
  out.failed = true;  // no page more is written for it
  std::vector<std::size_t> given;
  for (const auto& waiting : out.waiting) given.push_back(out.firstJob + std::size_t(waiting.first));
  discard(o);
  for (const std::size_t j : given) placedLocked(o, j);
  const std::lock_guard reports(reportMutex_);
  ++totals_.unfinished;
}

void Outputs::notify(std::size_t source, const QStringList& lines) {
  const std::lock_guard lock(reportMutex_);
  if (failedReport_)
    for (const QString& line : lines) failedReport_({plan_.sources[source].input, 0, line, true});
}

bool Outputs::failed(std::size_t o) {
  const std::lock_guard lock(outputs_[o].mutex);
  return outputs_[o].failed;
}

QString Outputs::stage(std::size_t j) {
  const PageJob& job = jobs_[j];
  State& out = outputs_[job.output];
  const QString target = plan_.outputs[job.output].pageFiles[job.slot];
  const std::lock_guard lock(out.mutex);
  if (out.failed) return {};
  if (!out.staging) {
    auto staging = std::make_unique<platform::StagedFolder>(QFileInfo(target).path());
    if (!staging->open()) SystemFailure("No se puede crear la carpeta temporal", staging->error());
    out.staging = std::move(staging);
  }
  ++out.stagingWriters;
  return out.staging->stagedPath(QFileInfo(target).fileName());
}

void Outputs::unstage(std::size_t o) {
  State& out = outputs_[o];
  const std::lock_guard lock(out.mutex);
  if (--out.stagingWriters == 0 && out.failed) out.staging.reset();  // given up while this page was written
}

bool Outputs::add(std::size_t j, documents::EncodedPage encoded) {
  const PageJob& job = jobs_[j];
  State& out = outputs_[job.output];
  const std::lock_guard lock(out.mutex);
  if (out.failed) return false;
  out.waiting.emplace(job.slot, std::move(encoded));
  for (auto it = out.waiting.begin(); it != out.waiting.end() && it->first == out.next; it = out.waiting.begin()) {
    const std::size_t k = out.firstJob + std::size_t(out.next);
    try {
      if (!out.writer) out.writer = Documents().createDocument(plan_.outputs[job.output].path, kind_);
      out.writer->addPage(it->second);
    } catch (...) {
      const PageJob& failing = jobs_[k];
      failLocked(job.output, failing.source, failing.page < 0 ? 0 : failing.page + 1,
                 ReasonOf(std::current_exception()));
      return true;
    }
    out.waiting.erase(it);
    ++out.next;
    placedLocked(job.output, k);
  }
  return true;
}

void Outputs::blank(std::size_t j) {
  State& out = outputs_[jobs_[j].output];
  const std::lock_guard lock(out.mutex);
  out.blankJobs.push_back(j);
}

void Outputs::placed(std::size_t j) {
  State& out = outputs_[jobs_[j].output];
  const std::lock_guard lock(out.mutex);
  placedLocked(jobs_[j].output, j);
}

void Outputs::placedLocked(std::size_t o, std::size_t j) {
  queue_.delivered(j);
  {
    const std::lock_guard lock(reportMutex_);
    if (pageDone_) pageDone_();
  }
  State& out = outputs_[o];
  if (--out.remaining > 0 || out.failed) return;
  completeLocked(o, j);
}

// The output's last page is in place: the document is finished, or the page
// files put in their places together.
void Outputs::completeLocked(std::size_t o, std::size_t j) {
  State& out = outputs_[o];
  const Output& output = plan_.outputs[o];
  try {
    if (output.kind == Output::Kind::Document) out.writer->finish();
    if (output.kind == Output::Kind::PageFiles) {
      QStringList names;
      for (const QString& target : output.pageFiles) names += QFileInfo(target).fileName();
      const int error = !out.staging ? EBADF : out.staging->commit(names) ? 0 : out.staging->error();
      const QString at = out.staging ? out.staging->failedName() : QString();
      out.staging.reset();
      if (error != 0)
        platform::RaiseWriteFailure(at.isEmpty()
                                        ? QStringLiteral("No se pudo escribir el archivo")
                                        : QStringLiteral("No se pudo escribir «%1»").arg(platform::DisplayFileName(at)),
                                    error);
    }
  } catch (...) {
    failLocked(o, jobs_[j].source, 0, ReasonOf(std::current_exception()));
    return;
  }
  out.complete = true;
  std::sort(out.blankJobs.begin(), out.blankJobs.end());
  std::vector<BlankPage> blank;
  for (const std::size_t k : out.blankJobs)
    blank.push_back({jobs_[k].source, jobs_[k].page < 0 ? 0 : jobs_[k].page + 1});
  const std::lock_guard lock(reportMutex_);
  totals_.blankPages += int(blank.size());
  if (failedReport_)
    for (const BlankPage& page : blank)
      failedReport_({plan_.sources[page.source].input, page.page, BlankPageNotice(), true});
  if (ended_) ended_({o, true, jobs_[j].source, {}, secondsOf(out), std::move(blank)});
  switch (output.kind) {
    case Output::Kind::Picture:
      ++totals_.pictures;
      break;
    case Output::Kind::PageFiles:
      ++totals_.pagedDocuments;
      totals_.pageFiles += int(output.pageFiles.size());
      break;
    case Output::Kind::Document:
      ++totals_.documents;
      totals_.documentPages += out.next;
      break;
  }
}

void Outputs::fail(std::size_t o, std::size_t source, int page, const QString& reason) {
  const std::lock_guard lock(outputs_[o].mutex);
  failLocked(o, source, page, reason);
}

void Outputs::failLocked(std::size_t o, std::size_t source, int page, const QString& reason) {
  State& out = outputs_[o];
  if (out.failed) return;
  out.failed = true;
  // Pages that waited for their turn are given up with the output.
  std::vector<std::size_t> given;
  for (const auto& waiting : out.waiting) given.push_back(out.firstJob + std::size_t(waiting.first));
  discard(o);
  for (const std::size_t j : given) placedLocked(o, j);
  const std::lock_guard lock(reportMutex_);
  ++totals_.failed;
  if (failedReport_) {
    failedReport_({plan_.sources[source].input, page, reason});
    if (plan_.outputs[o].sources.size() > 1)
      failedReport_(
          {plan_.outputs[o].path, 0, QStringLiteral("no se escribe: todas sus páginas tienen que salir bien")});
  }
  if (ended_) ended_({o, false, source, reason, secondsOf(out), {}});
}

void Outputs::discard(std::size_t o) {
  State& out = outputs_[o];
  out.writer.reset();  // a document never finished leaves nothing behind
  out.waiting.clear();
  if (out.stagingWriters == 0) out.staging.reset();
}

Totals Outputs::finish() {
  for (std::size_t o = 0; o < outputs_.size(); ++o) {
    State& out = outputs_[o];
    if (out.complete || out.failed) continue;
    discard(o);  // stopped before its last page: never left with pages missing
    ++totals_.unfinished;
  }
  return totals_;
}

}  // namespace batch
