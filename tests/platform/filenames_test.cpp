#include "platform/filenames.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace platform;

TEST(FileNames, EveryNameMapsBackToItsBytes) {
  const struct {
    QByteArray native;
    const char* shown;  // UTF-8
    bool keptBytes;
  } cases[] = {
      {"gato.bmp", "gato.bmp", false},
      {"a\xC3\xB1o.bmp", "año.bmp", false},          // UTF-8
      {"a\xF1o.bmp", "año.bmp", true},               // Latin-1
      {"\xE9t\xE9 \xC3\xA9t\xC3\xA9", "été été", true},  // both in one name
      {"\xF0\x9F\x90\xB1.gif", "\xF0\x9F\x90\xB1.gif", false},
      {"\xC0\xAF.jpg", "\xC3\x80\xC2\xAF.jpg", true},   // overlong "/"
      {"\xED\xB2\x80.jpg", "\xC3\xAD\xC2\xB2\xC2\x80.jpg", true},  // an encoded surrogate
      {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80", true},  // beyond U+10FFFF
      {"fin\xE2\x82", "fin\xC3\xA2\xC2\x82", true},  // cut short
  };
  for (const auto& c : cases) {
    const QString name = DecodeFileName(c.native);
    EXPECT_EQ(EncodeFileName(name), c.native) << c.shown;
    EXPECT_EQ(HasKeptBytes(name), c.keptBytes) << c.shown;
    EXPECT_EQ(DisplayFileName(name).toStdString(), c.shown);
  }
}

TEST(FileNames, AFolderListsAndOpensANameThatIsNotUtf8) {
  QTemporaryDir dir;
  const QByteArray folder = QFile::encodeName(dir.path()) + '/';
  for (const QByteArray& name : {QByteArray("a\xF1o.bmp"), QByteArray("B.bmp"), QByteArray(".oculto")}) {
    const int fd = ::open((folder + name).constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, name.constData(), name.size()), name.size());
    ::close(fd);
  }
  ASSERT_TRUE(QDir(dir.path()).mkdir("carpeta"));
  const QStringList names = FolderFiles(dir.path());
  ASSERT_EQ(names.size(), 2);
  EXPECT_EQ(DisplayFileName(names[0]), "año.bmp");
  EXPECT_EQ(names[1], "B.bmp");
  EXPECT_EQ(FolderFiles(dir.path(), true), QStringList{names[0]});

  const QString path = dir.path() + '/' + names[0];
  EXPECT_EQ(KindOf(path), FileKind::File);
  EXPECT_EQ(KindOf(dir.path() + "/año.bmp"), FileKind::Missing) << "the UTF-8 spelling is another name";
  QFile file;
  ASSERT_TRUE(OpenForReading(file, path));
  EXPECT_EQ(file.readAll(), QByteArray("a\xF1o.bmp"));
  EXPECT_FALSE(OpenForReading(file, dir.path() + "/ning\xFAn"));
}
