#include "platform/qtdialogs.h"

#include "platform/colors.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>

namespace platform {

namespace {
const QString kTitle = QStringLiteral("Tintaborra");

// Qt's colour dialog writes its custom colours into the user's settings file
// when it closes, where the next run (and every other Qt program) would find
// them. The program keeps nothing between runs: while this object lives, the
// user's settings file is looked for in a throwaway folder instead.
class SettingsSetAside {
 public:
  SettingsSetAside() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    const QSettings current(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("QtProject"));
    userFolder_ = QFileInfo(current.fileName()).absolutePath();
    if (folder_.isValid()) QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder_.path());
#endif
  }
  ~SettingsSetAside() {
    if (!userFolder_.isEmpty()) QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userFolder_);
  }
  SettingsSetAside(const SettingsSetAside&) = delete;
  SettingsSetAside& operator=(const SettingsSetAside&) = delete;

 private:
  QTemporaryDir folder_;
  QString userFolder_;
};
}  // namespace

long QtDialogs::runFileDialog(OPENFILENAME& ofn, bool save) {
  QFileDialog dialog(owner_, BeforeNul(ofn.lpstrTitle));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(ofn.Flags & OFN_FILEMUSTEXIST ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !(ofn.Flags & OFN_OVERWRITEPROMPT));
  QStringList filters;
  for (const FileFilter& f : SplitFilterList(ofn.lpstrFilter))
    filters << QStringLiteral("%1 (%2)").arg(f.description, QString(f.pattern).replace(u';', u' '));
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = static_cast<int>(ofn.nFilterIndex) - 1;
    if (index >= 0 && index < filters.size()) dialog.selectNameFilter(filters[index]);
  }
  if (!ofn.lpstrDefExt.isNull()) dialog.setDefaultSuffix(BeforeNul(ofn.lpstrDefExt));
  const QString initial = BeforeNul(ofn.lpstrFile).trimmed();
  if (!initial.isEmpty()) dialog.selectFile(initial);

  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return 0;
  const QString path = dialog.selectedFiles().first();
  const QString title = QFileInfo(path).fileName();
  ofn.lpstrFile = path + QChar(u'\0');
  ofn.lpstrFileTitle = title + QChar(u'\0');
  ofn.nFileOffset = static_cast<std::uint16_t>(std::min<qsizetype>(path.size() - title.size(), 0xFFFF));
  const qsizetype dot = title.lastIndexOf(u'.');
  ofn.nFileExtension =
      dot < 0 ? 0 : static_cast<std::uint16_t>(std::min<qsizetype>(ofn.nFileOffset + dot + 1, 0xFFFF));
  return 1;
}

long QtDialogs::GetOpenFileNameA(OPENFILENAME& ofn) { return runFileDialog(ofn, false); }

long QtDialogs::GetSaveFileNameA(OPENFILENAME& ofn) { return runFileDialog(ofn, true); }

long QtDialogs::ChooseColorA(CHOOSECOLOR& cc) {
  const SettingsSetAside setAside;
  if (cc.lpCustColors) {
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, QColor::fromRgb(ToQRgb((*cc.lpCustColors)[i])));
  }
  QColorDialog dialog(cc.Flags & CC_RGBINIT ? QColor::fromRgb(ToQRgb(cc.rgbResult)) : QColor(Qt::black), owner_);
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  dialog.setWindowTitle(QStringLiteral("Color"));
  if (dialog.exec() != QDialog::Accepted) return 0;
  cc.rgbResult = FromQRgb(dialog.selectedColor().rgb());
  if (cc.lpCustColors) {
    for (int i = 0; i < 16; ++i) (*cc.lpCustColors)[i] = FromQRgb(QColorDialog::customColor(i).rgb());
  }
  return 1;
}

int QtDialogs::MsgBox(const QString& prompt, int) {
  QMessageBox box(QMessageBox::NoIcon, kTitle, QString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                  QMessageBox::Ok, owner_);
  box.exec();
  return vbOK;
}

}  // namespace platform
