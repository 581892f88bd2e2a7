#pragma once
// Damaged and hostile picture files, each made to provoke one fault, and a
// varied folder of good ones; for the batch tests and bench/hostile.sh alike
// (Qt Gui only, no test framework).

#include <QByteArray>
#include <QString>

#include <vector>

namespace hostile {

struct File {
  const char* fault;  // what the file tries, as a name
  QString name;       // its file name
  QByteArray bytes;
};

// One file a fault: cut and lying headers, claims of huge pictures, formats
// the command does not read.
std::vector<File> DamagedFiles();

// Good pictures of every format and form the loader reads: BMP of 1, 4, 8, 24
// and 32 bits and RLE8, GIF with a palette and transparency, JPEG, PNG of 8
// and 16 bits with alpha, TIFF; widths not multiples of 4 or 8.
std::vector<File> VariedFiles();

// A BMP with a 40-byte header: bits 1, 4, 8, 24 or 32, the palette given for
// the first three, rows bottom up and padded to 4 bytes; pixel(x, y) gives an
// index or a 0xRRGGBB colour.
QByteArray Bmp(int width, int height, int bits, const std::vector<unsigned>& palette, unsigned (*pixel)(int, int));
// An 8-bit run-length BMP holding the run data as given.
QByteArray Rle8Bmp(int width, int height, const QByteArray& runs);

// The CRC-32 of PNG chunks and zlib streams.
quint32 Crc32(const QByteArray& bytes);

// Writes every file of the list into the folder; false when one could not be.
bool WriteAll(const std::vector<File>& files, const QString& folder);

}  // namespace hostile
