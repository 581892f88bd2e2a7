// Writes the hostile and damaged files of the batch tests into a folder, for
// bench/hostile.sh: write_hostile FOLDER
#include "support/hostile_files.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
  if (argc != 2) return std::fputs("uso: write_hostile CARPETA\n", stderr), 2;
  std::vector<hostile::File> files = hostile::DamagedFiles();
  const std::vector<hostile::File> varied = hostile::VariedFiles();
  files.insert(files.end(), varied.begin(), varied.end());
  return hostile::WriteAll(files, QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
