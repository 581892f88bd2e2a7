// Loading the pictures of a folder from the file list.
#include "formats/codecs.h"
#include "support/picture_files.h"
#include "support/test_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>

using namespace imagefilestest;
using namespace platform;
using testsupport::FirstDifference;
using testsupport::ScriptedDialogs;
using testsupport::TestWindow;

namespace {

class FileListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    // A 461 x 286 picture makes a box of 6945 x 4320 twips, as at start-up.
    ASSERT_TRUE(WriteFile(dir.filePath("a.bmp"), Encode(Gradient(461, 286), "bmp")));
    ASSERT_TRUE(WriteFile(dir.filePath("b.jpg"), Encode(Gradient(30, 20, 9), "jpg")));
    ASSERT_TRUE(WriteFile(dir.filePath("c.gif"), RedPixelGif()));
    ASSERT_TRUE(WriteFile(dir.filePath("d.txt"), "una lista de la compra\n"));
    // Wider and taller than the 13390 x 10750 twips frame.
    ASSERT_TRUE(WriteFile(dir.filePath("e.bmp"), Encode(Gradient(1000, 801), "bmp")));
    t->fileList->setPath(dir.path());
    ASSERT_EQ(t->fileList->count(), 5);
  }

  void select(int row) { t->fileList->setCurrentRow(row); }

  TestWindow t;
  QTemporaryDir dir;
};

TEST_F(FileListTest, ASelectionLoadsThePictureAndCentresIt) {
  t->pictureBox->setVisible(false);
  t->pictureBox->Move(0, 0);
  select(0);
  EXPECT_EQ(FirstDifference(t->pictureBox->Image(), Gradient(461, 286)), "");
  EXPECT_FLOAT_EQ(t->pictureBox->Width(), 6945);
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), 3222);
  EXPECT_FLOAT_EQ(t->pictureBox->Top(), 3215);
  EXPECT_TRUE(t->pictureBox->Visible());
  EXPECT_FALSE(t->pictureBox->AutoRedraw()) << "the list leaves AutoRedraw alone";
  EXPECT_TRUE(t.dialogs.messages.isEmpty());

  select(1);
  EXPECT_EQ(FirstDifference(t->pictureBox->Image(), LoadPicture(dir.filePath("b.jpg"))), "");
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), (13390 - 32 * 15) / 2);
  EXPECT_FLOAT_EQ(t->pictureBox->Top(), (10750 - 22 * 15) / 2);
}

TEST_F(FileListTest, ABoxLargerThanTheFrameGetsHalfTheExcessNegative) {
  select(4);
  EXPECT_EQ(t->pictureBox->Picture().size(), QSize(1000, 801));
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), -820);  // (13390 - 15030) \ 2
  EXPECT_FLOAT_EQ(t->pictureBox->Top(), -647);   // (10750 - 12045) \ 2: -1295 halves toward zero
}

TEST_F(FileListTest, AFileThatIsNoPictureIsToldAndTheOldPictureReCentred) {
  select(2);
  const QImage red = t->pictureBox->Image();
  t->pictureBox->Move(15, 30);
  select(3);
  ASSERT_EQ(t.dialogs.messages.size(), 1);
  EXPECT_EQ(t.dialogs.messages[0], "Sin poder acceder  \r\nERROR: Imagen no válida");
  EXPECT_EQ(FirstDifference(t->pictureBox->Image(), red), "");
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), (13390 - 45) / 2);
  EXPECT_FLOAT_EQ(t->pictureBox->Top(), (10750 - 45) / 2);
}

TEST_F(FileListTest, AFileRemovedSinceTheListWasFilledIsTold) {
  ASSERT_TRUE(QFile::remove(dir.filePath("a.bmp")));
  select(0);
  ASSERT_EQ(t.dialogs.messages.size(), 1);
  EXPECT_EQ(t.dialogs.messages[0], "Sin poder acceder  \r\nERROR: No se encontró el archivo");
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), 3222);
}

TEST_F(FileListTest, ArrowKeysLoadEachFileInTurn) {
  select(0);
  QStringList seen;
  t.dialogs.onMessage = [&](const QString& text) { seen << "mensaje: " + text.section("ERROR: ", 1); };
  for (int i = 0; i < 4; ++i) {
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(t->fileList, &down);
    const QSize size = t->pictureBox->Picture().size();
    seen << t->fileList->FileName() + QStringLiteral(" %1x%2").arg(size.width()).arg(size.height());
  }
  EXPECT_EQ(seen,
            (QStringList{"b.jpg 30x20", "c.gif 1x1", "mensaje: Imagen no válida", "d.txt 1x1", "e.bmp 1000x801"}));
}

// Writes bytes under a name given as raw bytes, as an old disk may hold it.
void writeRawName(const QString& folder, const QByteArray& name, const QByteArray& bytes) {
  QFile file;
  const int fd = ::open((QFile::encodeName(folder) + '/' + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

TEST(FileListNames, ALatin1NameIsListedOpenedAndLoaded) {
  QTemporaryDir dir;
  writeRawName(dir.path(), "a\xF1o.bmp", Encode(Gradient(12, 5), "bmp"));
  writeRawName(dir.path(), "z.bmp", Encode(Gradient(7, 3), "bmp"));
  TestWindow t;
  t->fileList->setPath(dir.path());
  ASSERT_EQ(t->fileList->count(), 2);
  EXPECT_EQ(t->fileList->item(0)->text(), "año.bmp");
  t->fileList->setCurrentRow(0);
  EXPECT_TRUE(t.dialogs.messages.isEmpty()) << t.dialogs.messages.join("|").toStdString();
  EXPECT_EQ(FirstDifference(t->pictureBox->Image(), Gradient(12, 5)), "");

  // The same name chosen in the open dialog.
  t->pictureBox->setPicture(Gradient(2, 2));
  t.dialogs.openAnswers.push_back(ScriptedDialogs::Choose(dir.path() + "/" + t->fileList->FileName()));
  t->openImage();
  EXPECT_TRUE(t.dialogs.messages.isEmpty()) << t.dialogs.messages.join("|").toStdString();
  EXPECT_EQ(FirstDifference(t->pictureBox->Image(), Gradient(12, 5)), "");
  EXPECT_EQ(t->fileList->Path(), dir.path());
  EXPECT_EQ(t->fileList->count(), 2);
}

}  // namespace
