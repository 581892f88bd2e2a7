#include "window/forms/controls.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;

TEST(Control, GeometryIsKeptInTwipsAndTheWidgetFollowsInPixels) {
  QWidget parent;
  Label label(&parent, "progressLabel");
  label.Move(7200, 120, 1215, 495);
  EXPECT_EQ(label.geometry(), QRect(480, 8, 81, 33));
  label.setLeft(3222.7f);
  EXPECT_FLOAT_EQ(label.Left(), 3222.7f) << "stored as set";
  EXPECT_EQ(label.x(), 215);
  label.setLeft(-50);
  EXPECT_EQ(label.x(), -3);
}

TEST(TextBox, KeepsOnlyWhatPrecedesTheFirstNul) {
  TextBox box(nullptr, "chosenNameBox");
  const struct {
    QString given, kept;
  } cases[] = {{QString("gato.jpg") + QChar(0) + "   ", "gato.jpg"},
               {QString(QChar(0)) + "x", ""},
               {"sin nulo", "sin nulo"},
               {QString(256, u' ') + QChar(0), QString(256, u' ')}};
  for (const auto& c : cases) {
    box.setText(c.given);
    EXPECT_EQ(box.Text(), c.kept);
    EXPECT_EQ(box.Text().size(), c.kept.size());
  }
}

class FileListBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"b.gif", "A.jpg", "c.txt", ".oculto"}) {
      QFile f(dir.filePath(name));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(dir.path()).mkdir("subcarpeta");
  }
  QTemporaryDir dir;
};

TEST_F(FileListBoxTest, ListsEveryFileOfTheFolder) {
  FileListBox list(nullptr, "fileList");
  list.setPath(dir.path() + "/");
  EXPECT_EQ(list.Path(), dir.path());
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(list.item(0)->text(), "A.jpg");
  EXPECT_EQ(list.item(2)->text(), "c.txt");
  EXPECT_EQ(list.FileName(), "");
  list.setPath("/");
  EXPECT_EQ(list.Path(), "/");
  EXPECT_THROW(list.setPath(dir.filePath("no-existe")), Failure);
  EXPECT_EQ(list.Path(), "/");
}

TEST_F(FileListBoxTest, ClickComesWithEveryChangeOfSelection) {
  FileListBox list(nullptr, "fileList");
  list.setPath(dir.path());
  QStringList clicked;
  list.Click = [&] { clicked << list.FileName(); };
  list.setCurrentRow(0);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(&list, &down);
  QApplication::sendEvent(&list, &down);
  QApplication::sendEvent(&list, &down);  // already at the last entry: no change
  EXPECT_EQ(clicked, (QStringList{"A.jpg", "b.gif", "c.txt"}));
  list.Refresh();
  EXPECT_EQ(clicked.size(), 3) << "refilling the list is no selection";
}
