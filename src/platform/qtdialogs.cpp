#include "platform/qtdialogs.h"

#include "platform/colors.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

namespace platform {

namespace {

const QString kTitle = QStringLiteral("Tintaborra");

// Qt's colour and file dialogs write their custom colours and history into
// the user's settings file when they close, where the next run (and every other Qt program) would find
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

// The record's filter entry as Qt shows it: "description (patterns)", the
// patterns added only when the description does not already end with them.
QString nameFilter(const FileFilter& f) {
  const QString patterns = QString(f.pattern).replace(u';', u' ');
  const QString shown = QStringLiteral("(%1)").arg(patterns);
  return f.description.endsWith(shown) ? f.description : QStringLiteral("%1 %2").arg(f.description, shown);
}

// The file dialog with the name typed in its box always winning. Qt's dialog
// prefers the entry selected in its list over the typed name, and while a path
// is typed it selects each entry the text names on the way (the folder of
// "/tmp/fotos/gato.bmp" once "/tmp/fotos" is typed) and drops that selection
// again only if the box has the keyboard focus at that moment: keys typed
// quickly on a busy machine can leave the folder selected, and the dialog then
// opens the folder instead of confirming the file.
class FileDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

  void accept() override {
    auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* list = findChild<QListView*>(QStringLiteral("listView"));
    const QString typed = name ? name->text().trimmed() : QString();
    if (list && list->selectionModel() && !typed.isEmpty()) {
      const QString typedPath = QDir::cleanPath(directory().absoluteFilePath(typed));
      const QModelIndexList rows = list->selectionModel()->selectedRows();
      const bool sameEntry =
          rows.size() == 1 && QDir::cleanPath(rows.first().data(QFileSystemModel::FilePathRole).toString()) == typedPath;
      if (!rows.isEmpty() && !sameEntry) list->selectionModel()->clearSelection();
    }
    QFileDialog::accept();
  }
};

bool confirmReplace(QWidget* parent, const QString& title, const QString& path) {
  QMessageBox box(QMessageBox::Warning, title,
                  QStringLiteral("%1 ya existe.\n¿Desea reemplazarlo?").arg(QDir::toNativeSeparators(path)),
                  QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(QStringLiteral("&Sí"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

}  // namespace

long QtDialogs::runFileDialog(OPENFILENAME& ofn, bool save) {
  const SettingsSetAside setAside;  // the file dialog keeps its history there too
  FileDialog dialog(owner_, BeforeNul(ofn.lpstrTitle));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(ofn.Flags & OFN_FILEMUSTEXIST ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Buscar en:"));
  dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Nombre:"));
  dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Tipo:"));
  dialog.setLabelText(QFileDialog::Accept, save ? QStringLiteral("&Guardar") : QStringLiteral("&Abrir"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
  // The overwrite question is asked below, about the name that will really be
  // confirmed: Qt's own would ask about the name before the default extension.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const bool askOverwrite = save && (ofn.Flags & OFN_OVERWRITEPROMPT);
  QStringList filters;
  for (const FileFilter& f : SplitFilterList(ofn.lpstrFilter)) filters << nameFilter(f);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = static_cast<int>(ofn.nFilterIndex) - 1;
    if (index >= 0 && index < filters.size()) dialog.selectNameFilter(filters[index]);
  }
  const QString defaultExtension = BeforeNul(ofn.lpstrDefExt);
  const QString initial = BeforeNul(ofn.lpstrFile).trimmed();
  if (!initial.isEmpty()) dialog.selectFile(initial);

  // The chosen path is taken whole: nMaxFile was the old fixed buffer's size.
  QString path;
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return 0;
    path = dialog.selectedFiles().first();
    if (!defaultExtension.isEmpty()) path = WithDefaultExtension(path, defaultExtension);
    if (!askOverwrite || !QFileInfo::exists(path) || confirmReplace(&dialog, dialog.windowTitle(), path)) break;
  }
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
