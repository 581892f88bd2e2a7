#include "window/scan_frame.h"

#include "window/forms/runtime.h"

#include <climits>
#include <cmath>

namespace filters {

std::optional<QString> ProgressText(double x, double scaleWidth) {
  const double percent = 100 * x / scaleWidth;
  if (!std::isfinite(percent)) return std::nullopt;
  return platform::Str(std::floor(percent)) + QStringLiteral(" %");
}

namespace detail {

void PrepareSurface(MainWindow& window, const ScanOptions& options, Steps& step) {
  step([&] { window.pictureBox->setDrawWidth(1); });
  step([&] { window.pictureBox->setScaleMode(3); });
  if (options.honoursStop) window.stopRequested = false;
}

int LastRow(const platform::PictureBox& surface, RowCounter rows) {
  const double height = surface.ScaleHeight();
  if (rows == RowCounter::Long) return platform::CLng(height);
  return height >= INT_MAX ? INT_MAX : static_cast<int>(std::floor(height));
}

void CloseColumn(MainWindow& window, const ScanOptions& options, double x, Steps& step) {
  platform::PictureBox& surface = *window.pictureBox;
  const auto showProgress = [&] {
    step([&] {
      if (const auto text = ProgressText(x, surface.ScaleWidth())) window.progressLabel->setCaption(*text);
    });
  };
  // The yield is not a step of this run: what happens in it belongs to the
  // handlers it runs, and ending the program there must not come back.
  if (options.closing == ColumnClose::RepaintYieldLabel) {
    step([&] { surface.setAutoRedraw(false); });
    platform::DoEvents();
    showProgress();
  } else {
    platform::DoEvents();
    showProgress();
    step([&] { surface.setAutoRedraw(false); });
  }
}

void Finish(MainWindow& window) {
  // The columns drawn since the last repaint are shown before the message.
  window.pictureBox->Refresh();
  window.dialogs().ShowMessage(QStringLiteral("Dibujo terminado"));
}

}  // namespace detail

}  // namespace filters
