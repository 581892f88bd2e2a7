#pragma once
// PDFs whose structure is unusual or damaged, each made to try one thing
// about how a document is opened (Qt only, no test framework): what qpdf
// mends as viewers do, what the format allows and readers must take, and
// pages trees that loop, go too deep or multiply their pages.

#include <QByteArray>
#include <QString>

#include <vector>

namespace structurefiles {

struct File {
  const char* fault;  // what the file tries, as a name
  QString name;       // its file name
  QByteArray bytes;
  // Read: the page of Sound() each of its pages shows, in order, and
  // whether the reader must say it mended the document.
  std::vector<int> shows;
  bool mended = false;
  // Refused: what the reason says.
  QString refusal;
};

// Two pages drawn in vector, each its own colour, written as the format asks.
QByteArray Sound();

// Every case, read and refused; hostile ones small enough for the fuzzer's
// seeds unless `large`.
std::vector<File> Files(bool large = false);

}  // namespace structurefiles
