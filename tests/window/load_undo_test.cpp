// A load undone and redone like a run: Ctrl+Z after it brings back the
// picture it replaced, with that picture's own runs to undo, its name and
// folder; Ctrl+Y goes forward again.
#include "formats/codecs.h"
#include "support/picture_files.h"
#include "support/test_window.h"

#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <functional>

using namespace imagefilestest;
using testsupport::FirstDifference;
using testsupport::TestWindow;

namespace {

void Undo(TestWindow& t) { testsupport::Press(t.window(), QKeySequence(Qt::CTRL | Qt::Key_Z)); }
void Redo(TestWindow& t) { testsupport::Press(t.window(), QKeySequence(Qt::CTRL | Qt::Key_Y)); }

QString Notice(TestWindow& t) { return t->findChild<QLabel*>(QStringLiteral("Zoom"))->text(); }

}  // namespace

TEST(LoadUndo, CtrlZBringsBackTheReplacedPictureWithItsRunsAndCtrlYTheLoadedOne) {
  QTemporaryDir first, second;
  const QString a = first.filePath(QStringLiteral("a.bmp")), b = second.filePath(QStringLiteral("b.bmp"));
  ASSERT_TRUE(WriteFile(a, testsupport::Encode(Gradient(120, 80), "bmp")));
  ASSERT_TRUE(WriteFile(b, testsupport::Encode(Gradient(60, 90, 5), "bmp")));
  // Each way of loading b once a has been opened and whitened.
  const struct {
    const char* how;
    std::function<void(TestWindow&)> load;
    // The folder the list showed when b replaced a: b's own when b is
    // picked in it.
    bool listInSecond = false;
  } loads[] = {
      {"the open dialog",
       [&](TestWindow& t) {
         t.dialogs.openAnswers.push_back(testsupport::ScriptedDialogs::Choose(b));
         t->openImage();
       }},
      {"the file list",
       [&](TestWindow& t) {
         t->fileList->setPath(second.path());
         t->fileList->setCurrentRow(0);
       },
       true},
      {"a drop", [&](TestWindow& t) { t->openDroppedFile(b); }},
  };
  for (const auto& load : loads) {
    SCOPED_TRACE(load.how);
    TestWindow t;
    t->openDroppedFile(a);
    t->pictureBox->setZoom(0.5);
    t->whitenClicked();
    const QImage whitened = t->pictureBox->Image();
    ASSERT_NE(FirstDifference(whitened, Gradient(120, 80)), "");
    const float left = t->pictureBox->Left(), top = t->pictureBox->Top();
    load.load(t);
    ASSERT_EQ(FirstDifference(t->pictureBox->Image(), platform::LoadPicture(b)), "");
    const QString loadedName = t->chosenNameBox->Text(), loadedFolder = t->fileList->Path();

    Undo(t);
    EXPECT_EQ(FirstDifference(t->pictureBox->Image(), whitened), "") << "the picture as it was left";
    EXPECT_EQ(t->chosenNameBox->Text(), "a.bmp");
    EXPECT_EQ(t->fileList->Path(), load.listInSecond ? second.path() : first.path());
    EXPECT_EQ(t->pictureBox->Zoom(), 0.5);
    EXPECT_FLOAT_EQ(t->pictureBox->Left(), left);
    EXPECT_FLOAT_EQ(t->pictureBox->Top(), top);
    Undo(t);
    EXPECT_EQ(FirstDifference(t->pictureBox->Image(), Gradient(120, 80)), "") << "its own run undone";
    Redo(t);
    EXPECT_EQ(FirstDifference(t->pictureBox->Image(), whitened), "") << "and redone";
    Redo(t);
    EXPECT_EQ(FirstDifference(t->pictureBox->Image(), platform::LoadPicture(b)), "") << "forward to the load";
    EXPECT_EQ(t->chosenNameBox->Text(), loadedName);
    EXPECT_EQ(t->fileList->Path(), loadedFolder);
    Redo(t);
    EXPECT_EQ(FirstDifference(t->pictureBox->Image(), platform::LoadPicture(b)), "") << "nothing further";

    // Back again, a run there makes the loaded picture no longer its future.
    Undo(t);
    t->greyTypeClicked();
    const QImage ran = t->pictureBox->Image();
    Redo(t);
    EXPECT_EQ(FirstDifference(t->pictureBox->Image(), ran), "");
    EXPECT_EQ(t->chosenNameBox->Text(), "a.bmp");
    EXPECT_EQ(t.dialogs.messages, QStringList(2, QStringLiteral("Dibujo terminado"))) << "and nothing else";
  }
}

TEST(LoadUndo, APictureTooLargeForTheUndoMemoryIsNotKeptAndTheStatusSaysSo) {
  QTemporaryDir dir;
  const QString a = dir.filePath(QStringLiteral("a.bmp")), b = dir.filePath(QStringLiteral("b.bmp"));
  ASSERT_TRUE(WriteFile(a, testsupport::Encode(Gradient(200, 100), "bmp")));
  ASSERT_TRUE(WriteFile(b, testsupport::Encode(Gradient(30, 20, 3), "bmp")));
  const struct {
    std::size_t budget;
    bool kept;
  } cases[] = {{std::size_t(1) << 30, true}, {200 * 100 * 4, true}, {200 * 100 * 4 - 1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.budget);
    TestWindow t;
    t->openDroppedFile(a);
    t->replacedPictures = filters::ReplacedPictures({20, c.budget});
    t->pictureBox->setZoom(2);
    t->openDroppedFile(b);
    EXPECT_EQ(FirstDifference(t->pictureBox->Image(), platform::LoadPicture(b)), "") << "loaded anyway";
    EXPECT_EQ(Notice(t).contains(QStringLiteral("no cabe en la memoria de deshacer")), !c.kept)
        << Notice(t).toStdString();
    EXPECT_TRUE(t.dialogs.messages.isEmpty()) << "no message box";
    Undo(t);
    EXPECT_EQ(FirstDifference(t->pictureBox->Image(), c.kept ? platform::LoadPicture(a) : platform::LoadPicture(b)),
              "");
  }
}
