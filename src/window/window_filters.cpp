// The three filters and the stop button.
#include "core/pixel_rules.h"
#include "window/main_window.h"
#include "window/scan_frame.h"

using namespace platform;

// Colour removal: every pixel near the target colour takes the replacement colour.
void MainWindow::removeColourClicked() {
  filters::RunScan(*this, filters::ColourRemovalScan, filters::NoRunSettings, [this] {
    return filters::RemovalRule(targetRed, targetGreen, targetBlue, replacementButton->BackColor());
  });
}

// Grey-type binarisation: pixels dark and grey enough become black, the rest white.
void MainWindow::greyTypeClicked() {
  std::int16_t tolerance = 0;
  filters::RunScan(
      *this, filters::GreyTypeScan, [&] { tolerance = CInt(Val(toleranceBox->Text())); },
      [&] { return filters::GreyTypeRule(Val(greyTypeBox->Text()), tolerance); });
}

// Whitening: everything but pure black becomes white.
void MainWindow::whitenClicked() {
  filters::RunScan(*this, filters::WhiteningScan, filters::NoRunSettings, [] { return filters::WhiteningRule{}; });
}

void MainWindow::stopClicked() { stopRequested = true; }
