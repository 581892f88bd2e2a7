// The real colour dialog on the offscreen platform.
#include "pixels/colour_rules.h"
#include "window/forms/qtdialogs.h"
#include "support/modal_user.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs react on the colour dialog once it is the active modal window; a
// dialog that never shows up fails the test.
long RunDialog(platform::CHOOSECOLOR& cc, const std::function<void(QColorDialog&)>& react) {
  platform::QtDialogs dialogs;
  testsupport::ModalUser user({testsupport::On<QColorDialog>(react)});
  const long result = dialogs.ChooseColorA(cc);
  EXPECT_EQ(user.acted, 1) << "no colour dialog opened";
  EXPECT_EQ(user.unexpected, 0);
  return result;
}

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

  QStringList SettingsFiles() const { return QDir(settings_.path()).entryList(QDir::Files | QDir::Hidden); }
  QTemporaryDir settings_;
  QString userFolder_;
};

}  // namespace

TEST_F(RealColourDialog, OpensAtTheInitialColourWithBlueFirstAndReportsTheChoice) {
  platform::CustomColorTable table = colour::FreshCustomColours();
  platform::CHOOSECOLOR cc = colour::ReplacementColourRecord(0, 0, 0x1F140A, &table);
  const long result = RunDialog(cc, [](QColorDialog& d) {
    EXPECT_EQ(d.currentColor(), QColor(10, 20, 31));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Color"));
    EXPECT_EQ(QColorDialog::customColor(0), QColor(Qt::blue));
    EXPECT_EQ(QColorDialog::customColor(15), QColor(Qt::white));
    QColorDialog::setCustomColor(0, Qt::green);  // the user edits the first well
    d.setCurrentColor(Qt::red);
    d.accept();
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(cc.rgbResult, 0x0000FF);
  EXPECT_EQ(table[0], 0x00FF00) << "the edited custom colours come back";

  platform::CustomColorTable fresh = colour::FreshCustomColours();
  platform::CHOOSECOLOR again = colour::ReplacementColourRecord(0, 0, 0, &fresh);
  const long cancelled = RunDialog(again, [](QColorDialog& d) {
    EXPECT_EQ(d.currentColor(), QColor(Qt::black));
    EXPECT_EQ(QColorDialog::customColor(0), QColor(Qt::blue)) << "blue again on the next opening";
    d.setCurrentColor(Qt::yellow);
    d.reject();
  });
  EXPECT_EQ(cancelled, 0);
  EXPECT_EQ(again.rgbResult, 0) << "a cancelled dialog leaves the colour";
}

TEST_F(RealColourDialog, LeavesTheUsersSettingsAlone) {
  for (bool confirm : {true, false}) {
    platform::CustomColorTable table = colour::FreshCustomColours();
    platform::CHOOSECOLOR cc = colour::ReplacementColourRecord(0, 0, 0x808080, &table);
    RunDialog(cc, [&](QColorDialog& d) {
      QColorDialog::setCustomColor(3, Qt::green);
      confirm ? d.accept() : d.reject();
    });
    EXPECT_EQ(SettingsFiles(), QStringList()) << "nothing written, confirmed: " << confirm;
    EXPECT_EQ(UserSettingsFolder(), QDir(settings_.path()).absolutePath()) << "the settings are found where they were";
  }
}
