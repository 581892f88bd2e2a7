// Writes the hostile and damaged files of the batch tests into a folder, for
// bench/hostile.sh: write_hostile FOLDER
#include "support/hostile_files.h"
#include "support/pdf_structure_files.h"
#include "support/pdf_producers.h"
#include "support/tiff_producers.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
  if (argc != 2) return std::fputs("uso: write_hostile CARPETA\n", stderr), 2;
  std::vector<hostile::File> files = hostile::DamagedFiles();
  const std::vector<hostile::File> varied = hostile::VariedFiles();
  files.insert(files.end(), varied.begin(), varied.end());
  // The 10000 x 10000 screen again, with a 13 KB comment before its frame: a
  // file long enough for its claim, whose canvas is decoded whole.
  for (const hostile::File& file : hostile::DamagedFiles())
    if (file.name == QStringLiteral("pantalla.gif")) {
      QByteArray comment("\x21\xFE");
      for (int block = 0; block < 52; ++block) comment += char(250) + QByteArray(250, 'x');
      files.push_back({"gif_screen_10000_square_13_kb", QStringLiteral("pantalla13k.gif"),
                       QByteArray(file.bytes).insert(6 + 7 + 6, comment + '\0')});
    }
  for (const structurefiles::File& file : structurefiles::Files(true))
    files.push_back({file.fault, file.name, file.bytes});
  // PDFs written the way other producers and attackers write them.
  for (pdfproducers::Attack& attack : pdfproducers::Attacks())
    files.push_back({attack.name, QString::fromLatin1(attack.name), std::move(attack.bytes)});
  for (const tiffproducers::Named& file : tiffproducers::HostileFiles())
    files.push_back({"tiff", file.name, file.bytes});
  return hostile::WriteAll(files, QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
