// Every result is a function of its input and the steps alone: a varied
// folder gives the same bytes run after run, with one worker or two, in
// every output format.
#include "batch_support.h"

#include "support/hostile_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace batchtest;

TEST(BatchDeterminism, TwoRunsAndOneOrTwoWorkersWriteTheSameBytes) {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("entrada"));
  const std::vector<hostile::File> files = hostile::VariedFiles();
  ASSERT_TRUE(hostile::WriteAll(files, in));
  // The page steps too, which look at the whole page rather than one pixel.
  const struct {
    const char* format;
    QStringList steps;
  } outputs[] = {{"png", {"--quitar", "200,30,30"}},
                 {"bmp", {"--fondo"}},
                 {"tif", {"--bn"}},
                 {"jpg", {"--quitar", "200,30,30", "--fondo"}}};
  for (const auto& [format, steps] : outputs) {
    SCOPED_TRACE(format);
    const struct {
      const char* folder;
      const char* jobs;
    } runs[] = {{"a", "1"}, {"b", "1"}, {"c", "2"}, {"d", "2"}};
    for (const auto& run : runs) {
      const Outcome o = RunLote(
          QStringList{"-o", QDir(dir.filePath(format)).filePath(run.folder), "--formato", format, "-j", run.jobs} +
          steps + QStringList{in});
      ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    }
    for (const hostile::File& f : files) {
      const QString name = QFileInfo(f.name).completeBaseName() + u'.' + format;
      const QByteArray first = ReadFile(QDir(dir.filePath(format)).filePath(QStringLiteral("a/") + name));
      EXPECT_FALSE(first.isEmpty()) << f.fault;
      for (const auto& run : runs)
        EXPECT_TRUE(ReadFile(QDir(dir.filePath(format)).filePath(QString::fromUtf8(run.folder) + u'/' + name)) == first)
            << f.fault << " differs in run " << run.folder;
    }
  }
}
