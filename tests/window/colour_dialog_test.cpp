// The real colour dialog on the offscreen platform, opened by the replacement
// colour button.
#include "support/modal_user.h"
#include "support/test_window.h"
#include "window/forms/qtdialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

QString UserSettingsFolder() {
  return QFileInfo(QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("QtProject")).fileName())
      .absolutePath();
}

// The user's settings live in a folder of the test's own while it runs.
class RealColourDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(settings_.isValid());
    userFolder_ = UserSettingsFolder();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
  }
  void TearDown() override { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userFolder_); }

  // Clicks the button; react plays the user in the dialog, which must open.
  void Pick(const std::function<void(QColorDialog&)>& react) {
    testsupport::ModalUser user({testsupport::On<QColorDialog>(react)});
    t->replacementButton->click();
    EXPECT_EQ(user.acted, 1) << "no colour dialog opened";
    EXPECT_EQ(user.unexpected, 0);
  }

  QStringList SettingsFiles() const { return QDir(settings_.path()).entryList(QDir::Files | QDir::Hidden); }
  QTemporaryDir settings_;
  QString userFolder_;
  platform::QtDialogs dialogs;
  testsupport::TestWindow t{true, &dialogs};
};

}  // namespace

// The dialog opens at the colour last sampled (black before any), with blue
// first among the custom colours on every opening; the colour confirmed
// becomes the replacement, a cancelled dialog leaves it.
TEST_F(RealColourDialog, OpensAtTheSampledColourWithBlueFirstAndReportsTheChoice) {
  Pick([](QColorDialog& d) {
    EXPECT_EQ(d.currentColor(), QColor(Qt::black));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Color"));
    EXPECT_EQ(QColorDialog::customColor(0), QColor(Qt::blue));
    EXPECT_EQ(QColorDialog::customColor(15), QColor(Qt::white));
    QColorDialog::setCustomColor(0, Qt::green);  // the user edits the first well
    d.setCurrentColor(Qt::red);
    d.accept();
  });
  EXPECT_EQ(t->replacementButton->BackColor(), 0x0000FF);

  t->pictureBox->setPicture(testsupport::MakePicture(4, 4, [](int, int) { return 0x1F140A; }));
  t->pointerMoved(0, 1, 1);
  Pick([](QColorDialog& d) {
    EXPECT_EQ(d.currentColor(), QColor(10, 20, 31));
    EXPECT_EQ(QColorDialog::customColor(0), QColor(Qt::blue)) << "blue again on the next opening";
    d.setCurrentColor(Qt::yellow);
    d.reject();
  });
  EXPECT_EQ(t->replacementButton->BackColor(), 0x0000FF);
}

TEST_F(RealColourDialog, LeavesTheUsersSettingsAlone) {
  for (bool confirm : {true, false}) {
    Pick([&](QColorDialog& d) {
      QColorDialog::setCustomColor(3, Qt::green);
      confirm ? d.accept() : d.reject();
    });
    EXPECT_EQ(SettingsFiles(), QStringList()) << "nothing written, confirmed: " << confirm;
    EXPECT_EQ(UserSettingsFolder(), QDir(settings_.path()).absolutePath()) << "the settings are found where they were";
  }
}
