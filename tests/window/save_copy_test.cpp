// Saving the edited picture as BMP and copying it to the clipboard.
#include "formats/codecs.h"
#include "support/picture_files.h"
#include "support/test_window.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace imagefilestest;
using namespace platform;
using testsupport::FirstDifference;
using testsupport::ScriptedDialogs;
using testsupport::TestWindow;

namespace {

constexpr ColorValue kInk = 0x123456;

class SaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    t->pictureBox->setPicture(Gradient(40, 30));
  }

  // Draws a diagonal, as a filter run would, and returns the picture expected.
  QImage draw() {
    t->pictureBox->setAutoRedraw(true);
    t->pictureBox->setDrawWidth(1);
    QImage expected = Gradient(40, 30);
    for (int i = 0; i < 30; ++i) {
      t->pictureBox->PSet(i, i, kInk);
      expected.setPixel(i, i, ToQRgb(kInk));
    }
    return expected;
  }

  void save(const QString& typed) {
    t.dialogs.saveAnswers.push_back(ScriptedDialogs::Choose(typed));
    t->saveImageAs();
  }

  QStringList files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

  TestWindow t;
  QTemporaryDir dir;
};

TEST_F(SaveTest, BmpIsAddedOnlyWhenTheNameLacksIt) {
  const struct {
    const char* typed;
    const char* written;
  } cases[] = {{"foto", "foto.bmp"}, {"foto.bmp", "foto.bmp"}, {"FOTO.BMP", "FOTO.BMP"}, {"foto.jpg", "foto.jpg.bmp"}};
  for (const auto& c : cases) {
    for (const QString& f : files()) QFile::remove(dir.filePath(f));
    save(dir.filePath(c.typed));
    EXPECT_EQ(files(), QStringList{c.written}) << c.typed;
    EXPECT_EQ(FirstDifference(LoadPicture(dir.filePath(c.written)), Gradient(40, 30)), "") << c.typed;
  }
  EXPECT_TRUE(t.dialogs.messages.isEmpty()) << t.dialogs.messages.join("|").toStdString();
}

TEST_F(SaveTest, TheDrawnPixelsAreWrittenAndBecomeThePicture) {
  const QImage expected = draw();
  save(dir.filePath("dibujo"));
  EXPECT_EQ(FirstDifference(LoadPicture(dir.filePath("dibujo.bmp")), expected), "");
  EXPECT_EQ(FirstDifference(t->pictureBox->Picture(), expected), "");
  t->pictureBox->PSet(39, 0, kInk);
  EXPECT_EQ(FirstDifference(LoadPicture(dir.filePath("dibujo.bmp")), expected), "") << "later drawing is not saved";
}

TEST_F(SaveTest, TheBoxIsCentredAgainEvenAfterADrag) {
  t->pictureBox->setPicture(Gradient(891, 10));
  t->pictureBox->Move(0, 0);
  save(dir.filePath("foto"));
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), -2);  // (13390 - 13395) \ 2
  EXPECT_FLOAT_EQ(t->pictureBox->Top(), 5285);
}

TEST_F(SaveTest, CancellingChangesNothing) {
  draw();
  t->pictureBox->Move(0, 0);
  t.dialogs.saveAnswers.push_back(ScriptedDialogs::Cancel);
  t->saveImageAs();
  EXPECT_EQ(FirstDifference(t->pictureBox->Picture(), Gradient(40, 30)), "") << "the drawing stays off the picture";
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), 0);
  EXPECT_TRUE(files().isEmpty());
  EXPECT_TRUE(t.dialogs.messages.isEmpty());
}

TEST_F(SaveTest, AFailedSaveIsToldAndTheFileThereIsKept) {
  const QString path = dir.filePath("foto.bmp");
  ASSERT_TRUE(WriteFile(path, "antiguo"));
  t->pictureBox->setPicture(Gradient(300, 300));
  t->pictureBox->Move(0, 0);
  {
    const testsupport::FileSizeLimit full(4096);
    save(dir.filePath("foto"));
  }

  EXPECT_EQ(ReadFile(path), "antiguo");
  EXPECT_EQ(files(), QStringList{"foto.bmp"}) << "no temporary file is left";
  ASSERT_EQ(t.dialogs.messages.size(), 1);
  EXPECT_TRUE(t.dialogs.messages[0].startsWith("Sin poder guardar  \r\nERROR: "))
      << t.dialogs.messages[0].toStdString();
  EXPECT_GT(t.dialogs.messages[0].size(), 28);
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), (13390 - 302 * 15) / 2) << "the box is centred all the same";
}

TEST_F(SaveTest, ANameThatCannotBeWrittenIsTold) {
  save("/dev/null/foto");
  ASSERT_EQ(t.dialogs.messages.size(), 1);
  EXPECT_TRUE(t.dialogs.messages[0].startsWith("Sin poder guardar  \r\nERROR: No se puede crear el archivo"))
      << t.dialogs.messages[0].toStdString();
}

TEST_F(SaveTest, CopyingPutsTheEditedPictureOnTheClipboard) {
  const QImage expected = draw();
  t->copyButton->click();
  EXPECT_TRUE(t.dialogs.messages.isEmpty());
  EXPECT_EQ(FirstDifference(QGuiApplication::clipboard()->image(), expected), "");
  t->pictureBox->PSet(39, 0, kInk);
  EXPECT_EQ(FirstDifference(QGuiApplication::clipboard()->image(), expected), "")
      << "later drawing stays off the clipboard";
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), 3222) << "copying moves nothing";
}

}  // namespace
