#pragma once
// Documents made to hold the batch command up (Qt Core only, no test
// framework), for the batch tests and bench/write_hostile.

#include <QByteArray>

namespace batchescapes {

// A one-page PDF whose page draws a form that draws the next form twice,
// `depth` levels down to a filled square: 2^depth squares to draw from a
// file of a few kilobytes.
QByteArray NestedFormsPdf(int depth);

}  // namespace batchescapes
