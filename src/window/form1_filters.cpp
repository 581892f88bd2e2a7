// The three filters and the stop button.
#include "core/pixel_rules.h"
#include "window/form1.h"
#include "window/scan_frame.h"

using namespace platform;

// Colour removal: every pixel near the target colour takes the replacement colour.
void Form1::Command6_Click() {
  filters::RunScan(*this, filters::ColourRemovalScan, filters::NoRunSettings,
                   [this] { return filters::RemovalRule(TargetRed, TargetGreen, TargetBlue, Command7->BackColor()); });
}

// Grey-type binarisation: pixels dark and grey enough become black, the rest white.
void Form1::Command1_Click() {
  std::int16_t D = 0;
  filters::RunScan(
      *this, filters::GreyTypeScan, [&] { D = CInt(Val(Text5->Text())); },
      [&] { return filters::GreyTypeRule(Val(Text2->Text()), D); });
}

// Whitening: everything but pure black becomes white.
void Form1::Command3_Click() {
  filters::RunScan(*this, filters::WhiteningScan, filters::NoRunSettings, [] { return filters::WhiteningRule{}; });
}

void Form1::Command4_Click() { StopRequested = true; }
