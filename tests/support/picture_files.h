#pragma once
// Small picture files written for the tests, in a temporary folder.

#include "support/test_window.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace imagefilestest {

using testsupport::Encode;
// A 1 x 1 GIF whose only pixel is pure red in the palette, and transparent
// when asked (its image descriptor then starts at byte 27, else at 19).
QByteArray RedPixelGif(bool transparent = false);
// Writes bytes to path, creating nothing else; false when it could not.
bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);
// A picture whose every pixel differs from its neighbours.
QImage Gradient(int width, int height, int seed = 0);

}  // namespace imagefilestest
