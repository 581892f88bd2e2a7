#include "formats/codecs.h"
#include "support/picture_files.h"
#include "support/test_window.h"
#include "window/command_line.h"
#include "window/forms/runtime.h"
#include "window/layout.h"
#include "window/model/image_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

using testsupport::TestWindow;

TEST(Startup, FitsTheWindowToA1024By768Screen) {
  TestWindow t;
  EXPECT_FLOAT_EQ(t->pictureFrame->Width(), 13390);
  EXPECT_FLOAT_EQ(t->pictureFrame->Height(), 10750);
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), 3222);
  EXPECT_FLOAT_EQ(t->pictureBox->Top(), 3215);
  EXPECT_FLOAT_EQ(t->exitButton->Left(), 13975);
  EXPECT_FLOAT_EQ(t->pictureFrame->Left(), 1920) << "the frame keeps its corner";
  EXPECT_FLOAT_EQ(t->exitButton->Top(), 0);
  EXPECT_FLOAT_EQ(t->exitButton->Left() + t->exitButton->Width(), 15360 - 50);
}

TEST(Startup, TheExitButtonFollowsTheScreensRightEdge) {
  for (auto [width, left] : {std::pair{800, 10615.0f}, {1920, 27415.0f}}) {
    platform::testing::SetScreenPixels(width, 768);
    TestWindow t(false);
    platform::testing::SetScreenPixels(width, 768);
    t->start();
    EXPECT_FLOAT_EQ(t->exitButton->Left(), left) << width;
  }
}

TEST(Startup, OnAScreenTooSmallTheWholeLayoutShrinksToFitIt) {
  const struct {
    int width, height;
    double scale;  // of the window's 792 x 705 pixels
  } cases[] = {{640, 450, 450.0 / 705}, {853, 600, 600.0 / 705}, {600, 900, 600.0 / 792}, {1024, 768, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    EXPECT_DOUBLE_EQ(app::LayoutScale(792, 705, c.width, c.height), c.scale);
    TestWindow t(false);
    platform::testing::SetScreenPixels(c.width, c.height);
    t->start();
    for (const QWidget* w : t->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!w->isHidden() && w != t->pictureFrame)
        EXPECT_TRUE(QRect(0, 0, c.width, c.height).contains(w->geometry())) << w->objectName().toStdString();
    }
    EXPECT_NEAR(t->removeColourButton->font().pointSizeF(), 12 * c.scale, 0.01);
    EXPECT_NEAR(t->pictureFrame->geometry().right(), c.width - 1 - 50 / 15.0 * c.scale, 1)
        << "the frame fills the rest";
  }
  platform::testing::ClearScreenPixels();
}

TEST(Centring, RoundsHalvesToEvenThenHalvesTowardZero) {
  const struct {
    float outer, inner;
    int offset;
  } cases[] = {{13390, 6945, 3222}, {10750, 4320, 3215}, {100, 201, -50}, {0, 7, -3},
               {10.5f, 0, 5},       {11.5f, 0, 6},       {6945, 6945, 0}};
  for (const auto& c : cases) EXPECT_EQ(app::CentredOffset(c.outer, c.inner), c.offset) << c.outer << " " << c.inner;
}

TEST(Startup, ABoxWiderThanTheFrameGetsANegativeLeft) {
  TestWindow t;
  t->pictureBox->setPicture(testsupport::MakePicture(900, 10, [](int, int) { return 0; }));
  EXPECT_FLOAT_EQ(t->pictureBox->Width(), 902 * 15);
  t->fitToScreen();
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), app::CentredOffset(13390, 13530));
  EXPECT_FLOAT_EQ(t->pictureBox->Left(), -70);
}

TEST(Dispatch, TheExitButtonEndsTheProgram) {
  TestWindow t;
  testsupport::ExpectEnd([&] { t->exitClicked(); });
}

TEST(CommandLine, AFileOpensAndEveryOtherWordIsHelpVersionQtsOrAMistake) {
  using Action = app::CommandLine::Action;
  const struct {
    std::vector<const char*> args;
    Action action;
    const char* file;
    const char* problem;  // a part of it
  } cases[] = {
      {{}, Action::OpenWindow, "", ""},
      {{"escaneo.jpg"}, Action::OpenWindow, "escaneo.jpg", ""},
      {{"-platform", "offscreen", "escaneo.jpg"}, Action::OpenWindow, "escaneo.jpg", ""},
      {{"escaneo.jpg", "--style=fusion", "-reverse"}, Action::OpenWindow, "escaneo.jpg", ""},
      {{"--", "-raro.jpg"}, Action::OpenWindow, "-raro.jpg", ""},
      {{"-"}, Action::OpenWindow, "-", ""},
      {{"a.jpg", "--version"}, Action::Version, "", ""},
      {{"--zoom", "--help"}, Action::Usage, "", "«--zoom» no existe"},
      {{"a.jpg", "-h"}, Action::Help, "", ""},
      {{"--abrir", "a.jpg"}, Action::Usage, "", "«--abrir» no existe"},
      {{"-x"}, Action::Usage, "", "«-x» no existe"},
      {{"-platform"}, Action::Usage, "", "le falta su valor"},
      {{"a.jpg", "b.jpg"}, Action::Usage, "", "«b.jpg» sobra"},
      {{""}, Action::Usage, "", "vacío"},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv{"tintaborra"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const app::CommandLine line = app::ReadCommandLine(int(argv.size()), argv.data());
    SCOPED_TRACE(testing::Message() << argv.size() << " " << (c.args.empty() ? "" : c.args[0]));
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.file, QString::fromUtf8(c.file));
    EXPECT_TRUE(line.problem.contains(QString::fromUtf8(c.problem))) << line.problem.toStdString();
    EXPECT_EQ(line.problem.isEmpty(), c.action != Action::Usage);
  }
}

TEST(CommandLine, TheFileNamedOpensAsIfChosenInTheOpenDialog) {
  QTemporaryDir dir;
  const QString picture = dir.filePath(QStringLiteral("escaneo.jpg")), text = dir.filePath(QStringLiteral("nota.txt"));
  ASSERT_TRUE(imagefilestest::WriteFile(picture, testsupport::Encode(imagefilestest::Gradient(30, 20), "jpg")));
  ASSERT_TRUE(imagefilestest::WriteFile(text, "texto"));
  const QString here = QDir::currentPath();
  const struct {
    QString named;
    bool opens;
    QStringList messages;
  } cases[] = {
      {picture, true, {}},
      {QStringLiteral("escaneo.jpg"), true, {}},  // in the current folder
      {QStringLiteral("nota.txt"), false, {imagefiles::NotSupportedMessage()}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.named.toStdString());
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    TestWindow t;
    const QImage start = t->pictureBox->Image();
    t->openStartFile(c.named);
    QDir::setCurrent(here);
    EXPECT_EQ(testsupport::FirstDifference(t->pictureBox->Image(), c.opens ? platform::LoadPicture(picture) : start),
              "");
    EXPECT_EQ(t->chosenNameBox->Text(), QFileInfo(c.named).fileName());
    EXPECT_EQ(t->fileList->Path(), dir.path());
    EXPECT_EQ(t.dialogs.messages, c.messages);
    EXPECT_TRUE(t.dialogs.openCalls.empty());
  }
}
