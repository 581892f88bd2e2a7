#pragma once
// Running tintaborra-lote from the tests, and the pictures they give it.

#include "core/numbers.h"
#include "support/picture_files.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace batchtest {

struct Outcome {
  int exitCode = -1;
  QString out, err;
};

// Runs the built program with the arguments and waits for it to end.
Outcome RunLote(const QStringList& arguments);

using imagefilestest::ReadFile;
using imagefilestest::WriteFile;

// Pictures of every kind the filters meet.
QImage RandomColours(int width, int height, unsigned seed);
// Paper of a warm off-white, ruled lines in light blue, pencil strokes of
// greys, a stamp in red.
QImage ScanPage(int width, int height);
QImage BlackAndWhite(int width, int height);

// A PNG whose header claims width x height pixels and holds no pixel data.
QByteArray PngHeaderOnly(quint32 width, quint32 height);

}  // namespace batchtest
