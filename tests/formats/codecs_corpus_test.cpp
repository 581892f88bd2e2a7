// Replays the fuzzer's seeds and every input it ever found troublesome: each
// must load as a 32-bit picture or fail with a description.
#include "formats/codecs.h"
#include "core/numbers.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

TEST(LoadPictureCorpus, EveryInputLoadsOrFailsCleanly) {
  int files = 0;
  for (const char* folder : {TINTABORRA_FUZZ_DIR "/seeds", TINTABORRA_FUZZ_DIR "/regressions"}) {
    for (QDirIterator it(QString::fromUtf8(folder), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
      const QString name = QFileInfo(it.next()).fileName();
      if (it.filePath().contains(QLatin1String("/seeds/pdf/"))) continue;  // documents, not pictures
      QFile file(it.filePath());
      ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
      ++files;
      try {
        const QImage image = platform::LoadPictureFromData(file.readAll());
        EXPECT_EQ(image.format(), QImage::Format_RGB32) << name.toStdString();
        EXPECT_LE(qint64(image.width()) * image.height(), qint64(1) << 24) << name.toStdString();
      } catch (const platform::Failure& f) {
        EXPECT_FALSE(f.reason.isEmpty()) << name.toStdString();
        EXPECT_TRUE(name.startsWith("gif-") || name.startsWith("bmp-") || name.startsWith("jpeg-") ||
                    name.startsWith("png-") || name.startsWith("tiff-") || name.startsWith("crash-") ||
                    name.startsWith("oom-") || name.startsWith("timeout-"))
            << "a seed failed to load: " << name.toStdString();
      }
    }
  }
  EXPECT_GE(files, 25);
}
