#pragma once
// Two steps that decide each pixel by the page around it, beside the three
// filters' per-pixel rules, for scans of uneven paper:
//   - the white background: the paper, whatever its tone, its light fall-off,
//     its shadows and its stains lighter than the ink, becomes pure white;
//     the ink keeps its colour and its order of darkness;
//   - local black and white: pure black ink on pure white, each pixel
//     weighed against the paper and the ink around it.
// Both follow the page's own resolution: the neighbourhoods they look at are
// the same size on paper at 150 as at 600 dots per inch.

#include "core/row_walk.h"

#include <QImage>

#include <atomic>
#include <variant>
#include <vector>

namespace filters {

struct WhiteBackgroundStep {
  friend bool operator==(WhiteBackgroundStep, WhiteBackgroundStep) = default;
};
struct LocalBlackWhiteStep {
  friend bool operator==(LocalBlackWhiteStep, LocalBlackWhiteStep) = default;
};

// Any filter run: one of the per-pixel rules, or a step over the whole page.
using Step = std::variant<RemovalRule, GreyTypeRule, WhiteningRule, WhiteBackgroundStep, LocalBlackWhiteStep>;

// The resolution a page is taken at, in dots per inch: its own when it has a
// likely one for a scan (100 to 2400), otherwise 300.
double PageDpi(const QImage& picture);

// The steps, in place on a picture of any size (converted to RGB32 first).
// Each returns false, with the picture as it was, when *stop turns true
// before it begins writing the picture: stop is read between its parts, and
// writing, the last of them, is not cut short.
bool WhitenBackground(QImage& picture, const std::atomic<bool>* stop = nullptr);
bool LocalBlackAndWhite(QImage& picture, const std::atomic<bool>* stop = nullptr);

// The steps in order: each run of per-pixel rules in row order, as
// ApplyInRowOrder takes them, and each page step over the whole picture.
void ApplySteps(QImage& picture, const std::vector<Step>& steps);

}  // namespace filters
