// Ctrl+Shift+C: the tintaborra-lote command that repeats the runs in force,
// run as it stands through a shell and the real batch command.
#include "formats/filenames.h"
#include "support/test_window.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using testsupport::FirstDifference;
using testsupport::Press;
using testsupport::TestWindow;

namespace {

const QKeySequence CopyCommand(Qt::CTRL | Qt::SHIFT | Qt::Key_C), Undo(Qt::CTRL | Qt::Key_Z),
    Redo(Qt::CTRL | Qt::Key_Y);

// A PNG of greys, colours and pixels near 200,30,30, named by the bytes of
// name in folder, loaded through the file list.
void OpenPng(TestWindow& t, const QString& folder, const QByteArray& name) {
  const QImage picture = testsupport::MakePicture(45, 30, [](int x, int y) {
    const int g = (x * 7 + y * 13) % 250;
    return x % 3 == 0   ? platform::RGB(185 + y, 20 + x % 20, 30 + y % 10)
           : x % 3 == 1 ? platform::RGB(g, g + y % 5, g)
                        : platform::RGB(x * 37 % 256, y * 53 % 256, g);
  });
  const QByteArray png = testsupport::Encode(picture, "png");
  const int fd = ::open((QFile::encodeName(folder) + '/' + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_TRUE(fd >= 0 && ::write(fd, png.constData(), png.size()) == png.size() && ::close(fd) == 0);
  t->fileList->setPath(folder);
  t->fileList->setCurrentRow(0);
}

}  // namespace

TEST(RepeatCommand, RunThroughTheBatchCommandItGivesTheWindowsPixels) {
  const struct {
    QByteArray name;
    const char* quotedName;  // after the quote opened before the folder
    std::function<void(TestWindow&)> runs;
    const char* steps;
  } cases[] = {
      {"escaneo 017.png", "escaneo 017.png'",
       [](TestWindow& t) {
         t->targetRed = 200, t->targetGreen = 30, t->targetBlue = 30;
         for (auto* button : {t->removeColourButton, t->greyTypeButton, t->whitenButton}) button->click();
         Press(t.window(), Undo);
       },
       "--quitar 200,30,30 --gris 140,20"},
      {"l'a\xF1o $1.png", "l'\\''a'\"$(printf '\\361')\"'o $1.png'",
       [](TestWindow& t) {
         t->greyTypeBox->setText(" -5.5 grados");
         t->toleranceBox->setText("70000");  // beyond a 16-bit integer: the window takes 0
         for (auto* button : {t->greyTypeButton, t->whitenButton}) button->click();
         Press(t.window(), Undo);
         t->targetRed = 190, t->targetGreen = 25, t->targetBlue = 35;
         t->replacementButton->setBackColor(platform::RGB(255, 0, 128));
         for (auto* button : {t->removeColourButton, t->whitenButton}) button->click();
         Press(t.window(), Undo);
         Press(t.window(), Redo);
       },
       "--gris -5,0 --quitar 190,25,35:255,0,128 --blanquear"},
      {"hoja 2.png", "hoja 2.png'",
       [](TestWindow& t) {
         Press(t.window(), QKeySequence(Qt::CTRL | Qt::Key_F));
         t->whitenButton->click();
         Press(t.window(), QKeySequence(Qt::CTRL | Qt::Key_B));
         Press(t.window(), Undo);
         Press(t.window(), Redo);
       },
       "--fondo --blanquear --bn"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps);
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("fotos"));
    TestWindow t;
    OpenPng(t, dir.filePath("fotos"), c.name);
    c.runs(t);
    Press(t.window(), CopyCommand);
    const QString command = QGuiApplication::clipboard()->text();
    EXPECT_EQ(command.toStdString(), QStringLiteral("tintaborra-lote -o limpias %1 '%2/fotos/%3")
                                         .arg(c.steps, dir.path(), c.quotedName)
                                         .toStdString());

    QProcess sh;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", QFileInfo(TINTABORRA_LOTE).path() + ':' + env.value("PATH"));
    sh.setProcessEnvironment(env);
    sh.setWorkingDirectory(dir.path());
    sh.start("sh", {"-c", command});
    ASSERT_TRUE(sh.waitForFinished(120000));
    ASSERT_EQ(sh.exitCode(), 0) << sh.readAllStandardError().toStdString();
    const QStringList written = platform::FolderFiles(dir.filePath("limpias"));
    QByteArray bytes;
    ASSERT_EQ(written.size(), 1);
    ASSERT_EQ(platform::ReadWholeFile(dir.filePath("limpias/") + written[0], bytes, 1 << 24),
              platform::ReadResult::Read);
    EXPECT_EQ(FirstDifference(QImage::fromData(bytes), t->pictureBox->Image()), "");
    // Names that are not UTF-8 are removed by their bytes, which QTemporaryDir cannot do.
    for (const QString folder : {dir.filePath("fotos"), dir.filePath("limpias")})
      for (const QString& file : platform::FolderFiles(folder)) ::unlink(platform::EncodeFileName(folder + '/' + file));
  }
}

TEST(RepeatCommand, RunsThatCannotBeRepeatedAreToldAndNothingIsCopied) {
  const struct {
    const char* what;
    bool open;
    platform::CommandButton* MainWindow::*button;  // clicked, with the window's own action at the third yield
    std::function<void(TestWindow&)> atYield;
    const char* message;
  } cases[] = {
      {"the start picture", false, &MainWindow::whitenButton, {}, "no se ha abierto de ningún archivo"},
      {"every run undone", true, &MainWindow::whitenButton, [](TestWindow&) {}, "No hay ningún filtro aplicado"},
      {"stopped", true, &MainWindow::greyTypeButton, [](TestWindow& t) { t->stopButton->click(); },
       "Se paró a medias el filtro «Blanco y negro»"},
      {"a run inside another", true, &MainWindow::removeColourButton, [](TestWindow& t) { t->whitenButton->click(); },
       "Se lanzó otro filtro mientras el filtro «Quitar este color» estaba en marcha"},
      {"a threshold typed during the run", true, &MainWindow::greyTypeButton,
       [](TestWindow& t) { t->greyTypeBox->setText("90"); },
       "Cambiaron los ajustes mientras el filtro «Blanco y negro» estaba en marcha"},
      {"pressed during the run", true, &MainWindow::whitenButton, [](TestWindow& t) { Press(t.window(), CopyCommand); },
       "Hay un filtro en marcha"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir dir;
    TestWindow t;
    if (c.open) OpenPng(t, dir.path(), "a.png");
    QGuiApplication::clipboard()->setText("antes");
    t.onYield = [&](int n) {
      if (n == 3 && c.atYield) c.atYield(t);
    };
    (t.window().*c.button)->click();
    t.onYield = nullptr;
    if (QString(c.what) == "every run undone") Press(t.window(), Undo);
    if (QString(c.what) != "pressed during the run") Press(t.window(), CopyCommand);
    EXPECT_EQ(t.dialogs.messages.filter(c.message).size(), 1) << t.dialogs.messages.join('\n').toStdString();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "antes");
  }
}
