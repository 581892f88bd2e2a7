// The two page steps. Each runs on a thread of its own over the picture as it
// is when it starts, while the window keeps handling its events (a yield, as
// the other filters make once per column, every few hundredths of a second);
// the stop button gives it up, and it is given up too when the picture
// changes meanwhile (another is loaded, a run nested in a yield draws on it,
// a step is undone), so that a result never lands on a picture it was not
// made from. The result goes in at once, as one run of the undo history.
#include "window/forms/runtime.h"
#include "window/main_window.h"
#include "window/scan_frame.h"

#include <QElapsedTimer>

#include <chrono>

using namespace platform;

namespace {

// How often the window handles its events while a step runs.
constexpr std::chrono::milliseconds YieldEvery{20};

QString StepName(const filters::Step& step) { return QString::fromUtf8(filters::StepNames[step.index()]); }

}  // namespace

// The white background: the paper becomes pure white, the ink keeps its colours.
void MainWindow::whiteBackgroundClicked() { runPageStep(filters::WhiteBackgroundStep{}); }

// Local black and white: each pixel black or white against the page around it.
void MainWindow::localBlackWhiteClicked() { runPageStep(filters::LocalBlackWhiteStep{}); }

void MainWindow::runPageStep(const filters::Step& step) {
  stopRequested = false;
  const QImage source = pictureBox->Image();
  const auto changed = [&] {
    const QImage now = pictureBox->Image();
    return now.constBits() != source.constBits() || now.size() != source.size();
  };
  // A result already computed for the view is the same result. Its undo
  // step is made with it, so that the window's thread only puts them in place.
  filters::History::Prepared undo;
  QImage result = pageResults.Computed(source, step, &undo);
  if (result.isNull()) {
    filters::PageJob job(source, step);
    progressLabel->setCaption(QStringLiteral("0 %"));
    QElapsedTimer clock;
    clock.start();
    qint64 shownSeconds = 0;
    do {
      DoEvents();
      if (stopRequested || changed()) job.Stop();
      // The step tells nothing of how far it has come: the label counts the
      // seconds it has run instead, so that the user sees it is at work.
      if (const qint64 seconds = clock.elapsed() / 1000; seconds > shownSeconds) {
        shownSeconds = seconds;
        progressLabel->setCaption(QStringLiteral("… %1 s").arg(seconds));
      }
    } while (!job.Wait(YieldEvery));
    result = job.Result();
    undo = job.TakeUndoStep();
  }
  if (changed()) {
    dialogs().ShowMessage(
        QStringLiteral("La imagen cambió mientras «%1» estaba en marcha: no se ha aplicado.").arg(StepName(step)));
    return;
  }
  // A stop seen in any yield gives the run up, even when the step ended in it.
  if (stopRequested || result.isNull()) {
    progressLabel->setCaption(QStringLiteral("Parado"));
  } else {
    filters::detail::RecordedRun recorded(*this);
    recorded.Applies(step);
    recorded.Undoes(std::move(undo));
    pictureBox->EditImage([&result](QImage& image) { image = std::move(result); });
    progressLabel->setCaption(QStringLiteral("100 %"));
  }
  pictureBox->Refresh();
  dialogs().ShowMessage(QStringLiteral("Dibujo terminado"));
}
