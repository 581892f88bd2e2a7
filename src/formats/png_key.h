#pragma once
// A 16-bit RGB PNG may name one colour transparent (its tRNS chunk). Qt's
// reader then lays each row out for four samples a pixel while libpng gives it
// three, so the end of every row keeps whatever the memory held. Such a file
// is decoded without that chunk, and the pixels of that colour made white
// afterwards, as painting the transparent picture over white gives.

#include <QByteArray>
#include <QImage>
#include <QtGlobal>

namespace platform {

struct TransparentColour {
  bool present = false;
  quint16 red = 0, green = 0, blue = 0;
};

// For a 16-bit RGB PNG that names a transparent colour: the file without that
// chunk, and the colour in colour; any other file as it is. The chunks must
// have been found whole (CheckComplete).
QByteArray TakeTransparentColour(const QByteArray& png, TransparentColour& colour);

// The picture, decoded from the file TakeTransparentColour gave, with the
// pixels of the colour white and its samples still 16 bits.
void WhitenTransparentColour(QImage& picture, const TransparentColour& colour);

}  // namespace platform
