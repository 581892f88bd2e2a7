#pragma once
// --informe: a line for each input as it ends, in CSV (RFC 4180, UTF-8, a
// header line): the input, its outputs, its pages, the result ("escrita",
// "ya hecha" or "error"), the reason (for one written, the pages that had
// content and came out of the steps blank) and the seconds it took. Each line is
// written whole by one write, so that a run killed at any point leaves every
// line of the inputs ended before and no part of another.

#include "batch/plan.h"
#include "batch/runner.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace batch {

// The fields as one CSV line, ended by CRLF: a field with a comma, a quote or
// a line break is quoted, its quotes doubled.
QByteArray CsvLine(const QStringList& fields);

class ReportFile {
 public:
  // Throws UsageError when the report would be in the output folder, or be
  // one of the inputs or of the lists, or cannot be created.
  ReportFile(const Options& options, const Plan& plan);
  ~ReportFile();
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // The lines of the output's inputs.
  void ended(const Plan& plan, const Ended& end);
  void alreadyDone(const Plan& plan, const Output& output);

 private:
  void lines(const Plan& plan, const Output& output, const QString& result, std::size_t failing, const QString& reason,
             double seconds, const std::vector<BlankPage>& blank = {});
  void write(const QByteArray& line);

  int fd_ = -1;
  bool own_ = false;  // not standard output
};

}  // namespace batch
