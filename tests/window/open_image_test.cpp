// Opening a picture through the open dialog.
#include "formats/codecs.h"
#include "support/picture_files.h"
#include "support/test_window.h"
#include "window/model/image_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace imagefilestest;
using namespace platform;
using testsupport::FirstDifference;
using testsupport::ScriptedDialogs;
using testsupport::TestWindow;

namespace {

const QString kRefused = QStringLiteral("El fichero seleccionado no es un gráfico soportado");

class OpenImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    startPicture = t->pictureBox->Image();
  }

  QString write(const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(WriteFile(path, bytes)) << path.toStdString();
    return path;
  }

  void open(const QString& path) {
    t.dialogs.openAnswers.push_back(ScriptedDialogs::Choose(path));
    t->openImage();
  }

  static QString loaderFailure(const QString& path) {
    try {
      LoadPicture(path);
    } catch (const Failure& f) {
      return f.reason;
    }
    return {};
  }

  // The picture, its box and its place are as before the dialog.
  void expectStartPictureKept(const QString& what) {
    EXPECT_EQ(FirstDifference(t->pictureBox->Image(), startPicture), "") << what.toStdString();
    EXPECT_FLOAT_EQ(t->pictureBox->Width(), 6945) << what.toStdString();
    EXPECT_FLOAT_EQ(t->pictureBox->Left(), 3222) << what.toStdString();
  }

  TestWindow t;
  QTemporaryDir dir;
  QImage startPicture;
};

TEST_F(OpenImageTest, AcceptedNamesLoadWhereTheBoxIsAndMoveTheList) {
  const QImage bmp = Gradient(40, 30), jpeg = Gradient(24, 16, 5);
  const struct {
    const char* name;
    QByteArray bytes;
    QSize size;
  } cases[] = {
      {"FOTO.Jpg", Encode(jpeg, "jpg"), {24, 16}},
      {"a.gif", RedPixelGif(), {1, 1}},
      {"B.BMP", Encode(bmp, "bmp"), {40, 30}},
      {"foto.jpeg", Encode(jpeg, "jpg"), {24, 16}},
  };
  t->pictureBox->Move(100, 200);
  for (const auto& c : cases) {
    const QString path = write(c.name, c.bytes);
    t->pictureBox->setAutoRedraw(false);
    open(path);
    EXPECT_EQ(t->pictureBox->Picture().size(), c.size) << c.name;
    EXPECT_EQ(FirstDifference(t->pictureBox->Image(), LoadPicture(path)), "") << c.name;
    EXPECT_FLOAT_EQ(t->pictureBox->Width(), (c.size.width() + 2) * 15.0f) << c.name;
    EXPECT_FLOAT_EQ(t->pictureBox->Left(), 100) << c.name << ": opening does not re-centre";
    EXPECT_FLOAT_EQ(t->pictureBox->Top(), 200) << c.name;
    EXPECT_TRUE(t->pictureBox->AutoRedraw()) << c.name;
    EXPECT_EQ(t->chosenNameBox->Text(), c.name);
    EXPECT_EQ(t->fileList->Path(), dir.path()) << c.name;
  }
  open(dir.filePath("B.BMP"));
  EXPECT_EQ(FirstDifference(t->pictureBox->Image(), bmp), "");
  EXPECT_TRUE(t.dialogs.messages.isEmpty()) << t.dialogs.messages.join("|").toStdString();
  EXPECT_EQ(t->fileList->count(), 4);
}

TEST_F(OpenImageTest, RefusedNamesAreToldButStillMoveTheList) {
  for (const char* name : {"foto.png", "foto.tif"}) {
    t.dialogs.messages.clear();
    open(write(name, Encode(Gradient(8, 8), "png")));
    EXPECT_EQ(t.dialogs.messages, QStringList{kRefused}) << name;
    expectStartPictureKept(name);
    EXPECT_FALSE(t->pictureBox->AutoRedraw()) << name;
    EXPECT_EQ(t->chosenNameBox->Text(), name);
    EXPECT_EQ(t->fileList->Path(), dir.path());
  }
}

TEST_F(OpenImageTest, NamesThatPassButDoNotDecodeAreToldAndKeepTheOldPicture) {
  const QByteArray gif = RedPixelGif();
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"copiabmp", "no soy una imagen\n"},
      {"roto.jpg", Encode(Gradient(16, 16), "jpg").left(20)},
      {"cortado.gif", gif.left(gif.size() / 2)},
      {"cortado.bmp", Encode(Gradient(40, 30), "bmp").chopped(100)},
      {"cortado.jpg", Encode(Gradient(64, 64), "jpg").chopped(300)},
      {"texto.gif", "GIF? no, texto\n"},
      {"dañado.gif", QByteArray(gif).replace(24, 1, "\x02")},  // a frame of 2 pixels whose codes give 1
  };
  for (const auto& c : cases) {
    const QString path = write(c.name, c.bytes);
    const QString description = loaderFailure(path);
    ASSERT_FALSE(description.isEmpty()) << c.name;
    t.dialogs.messages.clear();
    open(path);
    EXPECT_EQ(t.dialogs.messages, QStringList{"Sin poder acceder  \r\nERROR: " + description}) << c.name;
    expectStartPictureKept(c.name);
    EXPECT_EQ(t->chosenNameBox->Text(), c.name);
    EXPECT_EQ(t->fileList->Path(), dir.path()) << c.name;
  }
}

TEST_F(OpenImageTest, CancellingChangesNothing) {
  const QString before = t->fileList->Path();
  t->chosenNameBox->setText("anterior.jpg");
  t.dialogs.openAnswers.push_back(ScriptedDialogs::Cancel);
  t->openImage();
  ASSERT_EQ(t.dialogs.openCalls.size(), 1u);
  EXPECT_EQ(t.dialogs.openCalls[0].title, "Selecciona una imagen");
  expectStartPictureKept("cancel");
  EXPECT_FALSE(t->pictureBox->AutoRedraw());
  EXPECT_EQ(t->chosenNameBox->Text(), "anterior.jpg");
  EXPECT_EQ(t->fileList->Path(), before);
  EXPECT_TRUE(t.dialogs.messages.isEmpty());
}

TEST_F(OpenImageTest, AFileInTheRootFolderPointsTheListAtTheRoot) {
  // No file is needed: the name passes the check, the load fails, and the
  // folder is still taken from the path.
  open("/tintaborra-no-existe.gif");
  EXPECT_EQ(t->chosenNameBox->Text(), "tintaborra-no-existe.gif");
  EXPECT_EQ(t->fileList->Path(), "/");
  ASSERT_EQ(t.dialogs.messages.size(), 1);
  EXPECT_TRUE(t.dialogs.messages[0].startsWith("Sin poder acceder  \r\nERROR: "));
  expectStartPictureKept("missing file");
}

TEST_F(OpenImageTest, PathsLongerThanTheOldBufferAreTakenWhole) {
  QString folder = dir.path();
  for (int i = 0; i < 3; ++i) {
    folder += "/" + QString(100, QChar(u'a' + i));
    ASSERT_TRUE(QDir().mkpath(folder));
  }
  const QString path = folder + "/foto.bmp";
  ASSERT_GT(path.size(), 300);
  ASSERT_TRUE(WriteFile(path, Encode(Gradient(9, 7), "bmp")));
  open(path);
  EXPECT_EQ(t->pictureBox->Picture().size(), QSize(9, 7));
  EXPECT_EQ(t->chosenNameBox->Text(), "foto.bmp");
  EXPECT_EQ(t->fileList->Path(), folder);
  EXPECT_TRUE(t.dialogs.messages.isEmpty());
}

TEST(OpenAndSaveButtons, TheOpenButtonOpensAndTheSaveButtonSaves) {
  TestWindow t;
  t->openButton->click();
  EXPECT_EQ(t.dialogs.openCalls.size(), 1u);
  EXPECT_EQ(t.dialogs.saveCalls.size(), 0u);
  t->saveButton->click();
  EXPECT_EQ(t.dialogs.openCalls.size(), 1u);
  ASSERT_EQ(t.dialogs.saveCalls.size(), 1u);
  EXPECT_EQ(t.dialogs.saveCalls[0].title, "Guardar como  ");
}

}  // namespace
