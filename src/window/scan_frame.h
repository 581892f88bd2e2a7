#pragma once
// The scan that the three filters share. The frame owns everything but the
// pixels: it prepares pictureBox, walks the columns from 0 to ScaleWidth (both
// bounds inclusive), switches AutoRedraw on for each column's pixel work and
// off again, yields once per column, shows the progress in progressLabel, honours the
// stop button where the filter does, and closes with "Dibujo terminado". A
// filter brings its options, the settings it reads once per run, and the
// per-pixel rule for each column, built after the yield that precedes it: the
// settings a rule holds can only change while the window handles events, so
// the rule sees them exactly as it would reading them at every pixel.

#include "core/numbers.h"
#include "core/page_steps.h"
#include "window/main_window.h"
#include "window/model/skip_and_continue.h"

#include <QString>

#include <optional>
#include <type_traits>
#include <utility>

namespace filters {

// The kind of row counter: a real running to ScaleHeight as read, or a 32-bit
// integer running to ScaleHeight rounded to the nearest integer, halves to even.
enum class RowCounter { Real, Long };

// The order in which a column is closed.
enum class ColumnClose {
  RepaintYieldLabel,  // AutoRedraw off, yield, progress
  YieldLabelRepaint,  // yield, progress, AutoRedraw off
};

struct ScanOptions {
  bool honoursStop;  // clears stopRequested at the start; leaves out the pixels of every column begun while it is set
  RowCounter rows;
  ColumnClose closing;
  bool skipsFailures;  // a failing step is left out and the run goes on
};

inline constexpr ScanOptions ColourRemovalScan{true, RowCounter::Real, ColumnClose::RepaintYieldLabel, false};
inline constexpr ScanOptions GreyTypeScan{true, RowCounter::Real, ColumnClose::YieldLabelRepaint, true};
inline constexpr ScanOptions WhiteningScan{false, RowCounter::Long, ColumnClose::YieldLabelRepaint, true};

inline constexpr auto NoRunSettings = [] {};

// "N %" with N the integer part of 100 * x / scaleWidth, or nothing when that
// cannot be computed (a surface 0 pixels wide): the label then keeps its text.
std::optional<QString> ProgressText(double x, double scaleWidth);

namespace detail {

// The steps of a run; in skip-and-continue mode a failing step is left out.
class Steps {
 public:
  explicit Steps(bool skipsFailures) {
    if (skipsFailures) resume_.emplace();
  }
  template <class Step>
  void operator()(Step&& step) {
    if (resume_)
      (*resume_)(std::forward<Step>(step));
    else
      std::forward<Step>(step)();
  }

 private:
  std::optional<platform::ResumeNext> resume_;
};

// While it lives, the run's changes to the persistent image make one step of
// the undo history, which a run nested in it joins.
class RecordedRun {
 public:
  explicit RecordedRun(MainWindow& window);
  ~RecordedRun();
  RecordedRun(const RecordedRun&) = delete;
  RecordedRun& operator=(const RecordedRun&) = delete;

  // The rule applied to the next column, kept for repeating the run; a
  // column left out (stopped, or its step failed) makes the run one that
  // cannot be repeated, as does a failure that ends the run.
  template <class Rule>
  const Rule& Applies(const Rule& rule) {
    if constexpr (std::is_constructible_v<Step, Rule>) Column(Step(rule));
    return rule;
  }
  void LeavesOut();
  // The undo step of the run's whole change, made ahead off the window's thread.
  void Undoes(History::Prepared&& undo) { undo_ = std::move(undo); }

 private:
  void Column(const Step& rule);
  MainWindow& window_;
  int exceptions_;
  History::Prepared undo_;
};

void PrepareSurface(MainWindow& window, const ScanOptions& options, Steps& step);
// The last row of the column about to be scanned; ScaleHeight is read anew.
int LastRow(const platform::PictureBox& surface, RowCounter rows);
void CloseColumn(MainWindow& window, const ScanOptions& options, double x, Steps& step);
void Finish(MainWindow& window);

}  // namespace detail

// ruleForColumn() returns the per-pixel rule for the column about to be
// scanned, a function from the colour read to the colour written.
template <class ReadRunSettings, class RuleForColumn>
void RunScan(MainWindow& window, const ScanOptions& options, ReadRunSettings&& readRunSettings,
             RuleForColumn&& ruleForColumn) {
  detail::RecordedRun recorded(window);
  detail::Steps step(options.skipsFailures);
  platform::PictureBox& surface = *window.pictureBox;
  detail::PrepareSurface(window, options, step);
  step(readRunSettings);
  const double lastColumn = surface.ScaleWidth();
  int lastRow = 0;
  for (double x = 0; x <= lastColumn; ++x) {
    step([&] { surface.setAutoRedraw(true); });
    bool transformed = false;
    if (!(options.honoursStop && window.stopRequested)) {
      step([&] { lastRow = detail::LastRow(surface, options.rows); });
      step([&] {
        surface.TransformColumn(static_cast<int>(x), lastRow, recorded.Applies(ruleForColumn()));
        transformed = true;
      });
    }
    if (!transformed) recorded.LeavesOut();
    detail::CloseColumn(window, options, x, step);
  }
  detail::Finish(window);
}

}  // namespace filters
