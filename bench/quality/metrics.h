#pragma once
// How far a step's result is from the truth of the page it was given.
//   For a black-and-white result: the F-measure (x 100), the PSNR (C = 1 on
//   pictures of 0 and 1), the DRD (Lu, Kot and Shi 2004, as the DIBCO
//   contests weigh it), the share of the pencil found, and the share of the
//   stains and of the back page's text made black. The truth is the ink and
//   the pencil together.
//   For a white-background result: the share of the paper made exactly white,
//   of the ink and of the pencil left other than white, and how far the
//   stamp's hue has moved.
// Shares are percentages, NaN when the page has none of what they count.

#include "page_maker.h"

#include <QImage>

namespace quality {

struct BinaryScore {
  double fMeasure = 0, psnr = 0, drd = 0;
  double faintFound = 0;        // % of the pencil's pixels black
  double stainOrBackBlack = 0;  // % of the stain and show-through pixels black
};

struct WhiteScore {
  double paperWhite = 0;     // % of the paper exactly (255, 255, 255)
  double inkKept = 0;        // % of the ink (pencil apart) not white
  double faintKept = 0;      // % of the pencil not white
  double stampHueShift = 0;  // degrees between the stamp's mean hue and its own colour's
};

// The black pixels of a result: exactly (0, 0, 0).
Mask BlackOf(const QImage& result);

double FMeasure(const Mask& truth, const Mask& result);
double Psnr(const Mask& truth, const Mask& result);  // infinity when they agree
double Drd(const Mask& truth, const Mask& result);

BinaryScore Score(const Page& page, const Mask& black);
BinaryScore Score(const Page& page, const QImage& result);
WhiteScore ScoreWhite(const Page& page, const QImage& result);

}  // namespace quality
