// Files dropped on the window: drag and drop events sent to it as the window
// system sends them.
#include "window/dropped_files.h"
#include "formats/codecs.h"
#include "support/picture_files.h"
#include "support/test_window.h"
#include "window/model/image_files.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace imagefilestest;
using testsupport::FirstDifference;
using testsupport::TestWindow;

TEST(DroppedFiles, TheFirstLocalFileOpensAsFromTheOpenDialog) {
  QTemporaryDir dir;
  const QString a = dir.filePath("a.bmp"), b = dir.filePath("b.BMP"), note = dir.filePath("nota.txt");
  ASSERT_TRUE(WriteFile(a, testsupport::Encode(Gradient(30, 20), "bmp")));
  ASSERT_TRUE(WriteFile(b, testsupport::Encode(Gradient(10, 40, 3), "bmp")));
  ASSERT_TRUE(WriteFile(note, "texto"));
  const QUrl web(QStringLiteral("https://example.com/a.bmp"));
  const struct {
    const char* what;
    QList<QUrl> urls;
    const char* text;
    bool onTextBox;
    QString opened;     // the file whose picture is shown, or empty for the start picture
    const char* title;  // chosenNameBox afterwards, or nullptr when nothing is opened
    QStringList messages;
  } cases[] = {
      {"one file", {QUrl::fromLocalFile(a)}, nullptr, false, a, "a.bmp", {}},
      {"several files: the first",
       {web, QUrl::fromLocalFile(b), QUrl::fromLocalFile(a)},
       nullptr,
       false,
       b,
       "b.BMP",
       {}},
      {"onto a text box", {QUrl::fromLocalFile(a)}, nullptr, true, a, "a.bmp", {}},
      {"a refused type",
       {QUrl::fromLocalFile(note)},
       nullptr,
       false,
       {},
       "nota.txt",
       {imagefiles::NotSupportedMessage()}},
      {"a web address", {web}, nullptr, false, {}, nullptr, {}},
      {"text", {}, "a.bmp", false, {}, nullptr, {}},
  };
  for (const auto& c : cases) {
    TestWindow t;
    const QImage start = t->pictureBox->Image();
    const QString startTitle = t->chosenNameBox->Text(), startFolder = t->fileList->Path();
    QMimeData data;
    data.setUrls(c.urls);
    if (c.text) data.setText(QString::fromLatin1(c.text));
    QWidget* target = c.onTextBox ? static_cast<QWidget*>(t->greyTypeBox) : &t.window();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_EQ(enter.isAccepted(), c.title != nullptr) << c.what;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_TRUE(t.dialogs.messages.isEmpty()) << c.what << ": nothing opens while the drop goes on";
    QCoreApplication::sendPostedEvents();
    const QImage shown = c.opened.isEmpty() ? start : platform::LoadPicture(c.opened);
    EXPECT_EQ(FirstDifference(t->pictureBox->Image(), shown), "") << c.what;
    EXPECT_EQ(t->chosenNameBox->Text(), c.title ? QString::fromLatin1(c.title) : startTitle) << c.what;
    EXPECT_EQ(t->fileList->Path(), c.title ? dir.path() : startFolder) << c.what;
    EXPECT_EQ(t.dialogs.messages, c.messages) << c.what;
    EXPECT_EQ(t->greyTypeBox->Text(), "140") << c.what;
    EXPECT_TRUE(t.dialogs.openCalls.empty()) << c.what;
  }
}
