#pragma once
// Opening a PDF with qpdf: its objects read (a cross-reference table qpdf
// rebuilds, a stream's length it finds again, are accepted when every page
// still decodes in full, and told), then its pages tree checked before qpdf
// walks it, so that a loop, a tree too deep for qpdf's own walk, or one that
// multiplies its pages past the file's objects is refused first.

#include <QString>
#include <QStringList>

#include <cstdio>
#include <vector>

class QPDF;
class QPDFObjectHandle;

namespace documents {

struct PdfStructure {
  std::vector<QPDFObjectHandle> pages;  // a page listed twice in the tree is here twice
  QStringList notices;                  // what qpdf mended, in Spanish
};

// Deeper pages trees are refused: no writer makes them, and qpdf walks the
// tree with one call a level.
inline constexpr int MaxPagesTreeDepth = 1000;

// Reads the file (qpdf takes `stream` and closes it). Throws platform::Failure
// in Spanish: damaged, cut short, protected with a password.
PdfStructure OpenPdfStructure(QPDF& qpdf, std::FILE* stream);

[[noreturn]] void RaisePasswordProtected();

}  // namespace documents
