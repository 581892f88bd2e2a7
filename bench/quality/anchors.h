#pragma once
// The published methods the page steps are set beside, through Leptonica
// where it has them: global Otsu, Sauvola (k = 0.34 and k = 0.2, R = 128),
// Wolf and Jolion (2004, k = 0.5; written here), background normalisation
// followed by Otsu; and, for the white background, Leptonica's cleaning of
// the background to white. Windows follow the page's resolution: Sauvola's
// and Wolf's are about a third of an inch across.

#include "page_maker.h"

#include <QImage>

#include <memory>

struct Pix;

namespace quality {

struct PixDeleter {
  void operator()(Pix* pix) const;
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

enum class Binariser { Otsu, Sauvola034, Sauvola020, Wolf, NormalisedOtsu };
const char* BinariserName(Binariser binariser);
constexpr Binariser AllBinarisers[] = {Binariser::Otsu, Binariser::Sauvola034, Binariser::Sauvola020, Binariser::Wolf,
                                       Binariser::NormalisedOtsu};

// A picture in Leptonica's 32-bit form (made before timing) and back.
PixPtr ToPix(const QImage& picture);
QImage FromPix(Pix* colour);
// The black pixels of a 1-bit Leptonica picture.
Mask BlackOf(Pix* binary);

// Each from the colour picture, its grey (luminance) included.
PixPtr Binarise(Binariser binariser, Pix* colour, double dpi);
PixPtr CleanToWhite(Pix* colour, double dpi);

}  // namespace quality
