// Files made to fool, hang or escape the command: each is refused with its
// reason, or written where it belongs, and nothing else is touched. Standard
// error holds only the command's own lines.
#include "batch_support.h"

#include "formats/filenames.h"
#include "formats/mapped_file.h"
#include "support/hostile_files.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace batchtest;

namespace {

// Every line is the command's: a file's reason, a warning or the summary.
void expectOnlyOwnLines(const QString& err) {
  for (const QString& line : err.split(u'\n', Qt::SkipEmptyParts))
    EXPECT_TRUE(line.startsWith(QStringLiteral("tintaborra-lote: ")) ||
                line.contains(QRegularExpression(QStringLiteral("^\\d+ im(agen|ágenes) escritas?, \\d+ con error"))))
        << "not the command's own: " << line.toStdString();
}

// Every entry, whatever bytes its name holds, hidden ones and links too.
QStringList everythingIn(const QString& folder) {
  QStringList names;
  if (DIR* dir = ::opendir(platform::EncodeFileName(folder).constData())) {
    while (const dirent* e = ::readdir(dir))
      if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0) names += platform::DecodeFileName(e->d_name);
    ::closedir(dir);
  }
  names.sort();
  return names;
}

}  // namespace

TEST(BatchHostileFiles, EachDamagedFileIsRefusedWithItsReasonAndNothingWritten) {
  const struct {
    const char* fault;
    const char* reason;  // the whole reason, as the line gives it
  } expected[] = {
      {"bmp_large_page_negative_length", "imagen dañada: su cabecera no es válida"},
      {"bmp_core_header_cut", "imagen incompleta: el archivo termina antes de tiempo"},
      {"png_huge_chunk", "imagen incompleta: el archivo termina antes de tiempo"},
      {"mng_huge_claim", "imagen no válida"},
      {"ppm_not_named_by_the_help", "imagen no válida"},
      {"gif_screen_10000_square", "la imagen es demasiado grande (10000 × 10000 píxeles)"},
      {"gif_lzw_cut", "imagen dañada: sus datos se salen de la imagen"},
      {"jpeg_cut_with_end_marker", "imagen dañada o incompleta: faltan datos de la imagen"},
      {"jpeg_10000_square_of_zeros", "imagen incompleta: el archivo termina antes de tiempo"},
      {"tiff_64_bit_samples", "imagen no válida"},
      {"png_cut", "imagen incompleta: el archivo termina antes de tiempo"},
  };
  QTemporaryDir dir;
  const std::vector<hostile::File> files = hostile::DamagedFiles();
  ASSERT_TRUE(hostile::WriteAll(files, dir.filePath("in")));
  for (const auto& e : expected) {
    SCOPED_TRACE(e.fault);
    const auto f =
        std::find_if(files.begin(), files.end(), [&](const auto& h) { return qstrcmp(h.fault, e.fault) == 0; });
    ASSERT_NE(f, files.end());
    const QString input = QDir(dir.filePath("in")).filePath(f->name), out = dir.filePath(e.fault);
    const Outcome run = RunLote({"-o", out, "-j", "2", "--blanquear", input});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const QString line = QStringLiteral("tintaborra-lote: %1: %2\n").arg(input, QString::fromUtf8(e.reason));
    EXPECT_TRUE(run.err.startsWith(line)) << run.err.toStdString();
    expectOnlyOwnLines(run.err);
    EXPECT_EQ(everythingIn(out), QStringList());
  }
}

// The files a folder may hold that are no plain picture: a link in the output
// folder, a pipe, names that are not UTF-8 or nearly as long as a name can be.
TEST(BatchHostileFiles, NamesLinksAndPipesNeitherEscapeNorHang) {
  const QByteArray bmp = hostile::VariedFiles()[3].bytes;
  const QString latin1 = platform::DecodeFileName("caf\xe9");
  const QString longName = QString(246, u'n');
  const struct {
    const char* fault;
    QString input;     // in the input folder, made a pipe when named "tuberia"
    QString occupant;  // what the output's name holds before: a link to this name in the folder "otro"
    int exitCode;
    const char* says;
    QString written;  // the one file the output folder holds after
  } cases[] = {
      {"symlink_in_output_folder", "p00.bmp", "importante.txt", 0, "", "p00.png"},
      {"dangling_symlink_in_output_folder", "p01.bmp", "no_existe.png", 0, "", "p01.png"},
      {"fifo_as_input", "tuberia", "", 1, "tubería", ""},
      {"name_not_utf8_as_input", latin1 + ".bmp", "", 0, "", latin1 + ".png"},
      {"name_of_246_characters_written_twice", longName + ".bmp", "", 0, "", longName + ".png"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    QTemporaryDir dir;
    const QString in = dir.filePath("in"), out = dir.filePath("out"), other = dir.filePath("otro");
    QDir().mkpath(in), QDir().mkpath(out), QDir().mkpath(other);
    const QByteArray input = platform::EncodeFileName(QDir(in).filePath(c.input));
    if (c.input == u"tuberia")
      ASSERT_EQ(::mkfifo(input.constData(), 0600), 0);
    else {
      QFile file;  // by the name's bytes, which may not be UTF-8
      const int fd = ::open(input.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ASSERT_TRUE(fd >= 0 && file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
      file.write(bmp);
    }
    const QString target = QDir(other).filePath(c.occupant);
    if (!c.occupant.isEmpty()) {
      if (c.occupant.endsWith(u".txt")) WriteFile(target, "no es una imagen\n");
      ASSERT_EQ(::symlink(target.toUtf8().constData(),
                          QDir(out).filePath(QFileInfo(c.input).completeBaseName() + ".png").toUtf8().constData()),
                0);
    }
    for (int pass = 0; pass < 2; ++pass) {  // a rerun replaces what the first wrote
      const Outcome run = RunLote({"-o", out, "--blanquear", c.input == u"tuberia" ? QDir(in).filePath(c.input) : in});
      EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
      EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.says))) << run.err.toStdString();
      expectOnlyOwnLines(run.err);
    }
    const QStringList left = platform::FolderFiles(out);
    EXPECT_EQ(left, c.written.isEmpty() ? QStringList() : QStringList{c.written});
    EXPECT_EQ(everythingIn(out).size(), left.size()) << "nothing else: no link, no temporary file";
    if (c.occupant.endsWith(u".txt")) {
      EXPECT_EQ(ReadFile(target), "no es una imagen\n");
    }
    if (c.occupant.endsWith(u".png")) {
      EXPECT_FALSE(QFileInfo::exists(target));
    }
    for (const QString& folder : {in, out})  // names QTemporaryDir cannot remove
      for (const QString& name : everythingIn(folder))
        ::unlink(platform::EncodeFileName(folder + u'/' + name).constData());
  }
}

// A picture cut short by another program while it is read: the pages it lost
// read as zeros, and the reader is told, instead of the process ending.
TEST(BatchHostileFiles, AFileCutShortWhileReadInPlaceReadsAsZerosAndIsToldSo) {
  QTemporaryDir dir;
  const QString path = dir.filePath("cortada.bmp");
  const qsizetype page = qsizetype(::sysconf(_SC_PAGESIZE));
  WriteFile(path, QByteArray(3 * page + 100, 'x'));
  platform::MappedFile file;
  ASSERT_EQ(file.open(path, qint64(1) << 20), platform::ReadResult::Read);
  ASSERT_EQ(file.bytes().size(), 3 * page + 100);
  EXPECT_EQ(file.bytes().at(page + 1), 'x');
  EXPECT_FALSE(file.cut());
  ASSERT_EQ(::truncate(path.toUtf8().constData(), page), 0);
  EXPECT_EQ(file.bytes().at(page - 1), 'x');   // still in the file
  EXPECT_EQ(file.bytes().at(page + 1), '\0');  // lost
  EXPECT_EQ(file.bytes().at(3 * page + 99), '\0');
  EXPECT_TRUE(file.cut());
  ASSERT_EQ(file.open(path, qint64(1) << 20), platform::ReadResult::Read);  // the file as it is now
  EXPECT_EQ(file.bytes(), QByteArray(page, 'x'));
  EXPECT_FALSE(file.cut());
}
