#pragma once
// The command of tintaborra-lote that repeats on a picture's file the filter
// runs the window applied to it, written for a POSIX shell.
//
// Each run is written with the rule it really applied, as the batch command
// rebuilds it from its arguments: a removal's target and replacement colours,
// a grey-type run's threshold and tolerance. A run that cannot be repeated is
// not written, and the reason is given instead: one stopped part-way, one
// another run began inside, one whose settings changed between its columns
// (a press on the picture, a new replacement colour or a new threshold typed
// during its yields), one that began on a picture since replaced.

#include "core/page_steps.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

namespace filters {

// bytes as one word of a POSIX shell command, which the shell gives back
// byte for byte. Bare when every byte is one the shell takes as it stands;
// otherwise in single quotes ('\'' for a quote inside, a newline kept as it
// is). A byte that is no part of valid UTF-8, which a text on the clipboard
// cannot hold, and a control character other than the newline, which a
// terminal would act on when pasted, are written as "$(printf '\NNN')" in
// octal: $'\xNN' would be shorter, but dash, Debian's /bin/sh, does not read it.
QString ShellWord(const QByteArray& bytes);

// The arguments of tintaborra-lote that make it apply step ("--quitar",
// "200,30,30"; "--fondo"), or nothing when its arguments cannot rebuild it.
std::optional<QStringList> StepArguments(const Step& step);

// Where repeated runs write, relative to where the command is run.
inline constexpr const char* RepeatOutputFolder = "limpias";

// The filter runs applied to the picture since it was loaded, in order, kept
// beside the undo history: the history's steps are the last of these runs,
// those it has undone at the end, and it may have dropped older steps whose
// runs are still in force.
class RunLog {
 public:
  // A picture replaces the one the runs were made on; file is the path it was
  // read from, kept against the folder current now when relative, empty for
  // a picture of no file.
  void NewPicture(const QString& file);
  // A run begins. undone: how many steps of the undo history are undone,
  // which a run begun outside any other drops.
  void BeginRun(int undone);
  // The running run applies step to its next column, or to the whole
  // picture at once for a page step.
  void Column(const Step& step);
  // The running run leaves a column out (the stop button).
  void ColumnLeftOut();
  void EndRun();
  bool Running() const { return depth_ > 0; }
  // The last `undone` runs, whose steps of the undo history are undone, go.
  void DropUndone(int undone) { runs_.resize(runs_.size() - std::min(runs_.size(), std::size_t(std::max(undone, 0)))); }

  // The command, or why there is none, in Spanish: exactly one is non-empty.
  struct Command {
    QString text;
    QString refusal;
  };
  // The command that repeats the runs in force, undone steps of the history
  // left out.
  Command Repeat(int undone) const;

 private:
  struct Run {
    std::optional<Step> rule;   // that of its first column
    bool changed = false;       // a later column had another rule
    bool leftOut = false;       // a column was left out
    bool nested = false;        // another run began inside it
    bool otherPicture = false;  // a picture was loaded while it ran
  };

  std::vector<Run> runs_;
  Run current_;
  int depth_ = 0;
  QString file_;
};

}  // namespace filters
