#pragma once
// The smallest form that holds a picture's pixels exactly, found in one pass
// that stops as soon as the answer is known: 1 bit a pixel for pure black and
// white, 8-bit grey, a palette of at most 256 colours, or 32 bits. The
// picture writer (CompactForm, codecs.h) and the document pages
// (documents::EncodePage) both store what it finds.

#include <QImage>

#include <cstdint>
#include <vector>

namespace platform {

constexpr int MaxPaletteColours = 256;

struct PixelSurvey {
  bool blackAndWhite = true;             // every pixel pure black or pure white
  std::vector<unsigned char> blackRows;  // then: rows of 1 bit a pixel, 1 for black, the
                                         // first pixel highest, (width + 7) / 8 bytes a row,
                                         // the bits after the last pixel 0
  bool grey = true;                      // every pixel grey
  bool few = true;                       // at most MaxPaletteColours colours (when counted)
  std::vector<std::uint32_t> colours;    // then: those colours (0xRRGGBB), in increasing order
};

// What a Format_RGB32 picture holds; colours are counted only when asked
// (few is false otherwise).
PixelSurvey SurveyPixels(const QImage& picture, bool countColours);

}  // namespace platform
