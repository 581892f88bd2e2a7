#include "window/forms/qtdialogs.h"

#include "core/colors.h"
#include "window/forms/dialog_files.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QSpacerItem>
#include <QStyle>
#include <QTemporaryDir>
#include <QTranslator>

#include <algorithm>

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

// A filter entry as Qt shows it: "description (patterns)", the
// patterns added only when the description does not already end with them.
QString nameFilter(const FileFilter& f) {
  const QString patterns = QString(f.pattern).replace(u';', u' ');
  const QString shown = QStringLiteral("(%1)").arg(patterns);
  return f.description.endsWith(shown) ? f.description : QStringLiteral("%1 %2").arg(f.description, shown);
}

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

// The patterns of a name filter "description (pattern pattern)". "*.*"
// stands for every file, also one whose name has no dot, as the filter's
// text promises; to Qt's own matching it is every name with a dot.
QStringList filterPatterns(const QString& filter) {
  const qsizetype open = filter.lastIndexOf(u'('), close = filter.lastIndexOf(u')');
  if (open < 0 || close < open) return {QStringLiteral("*")};
  QStringList patterns = filter.mid(open + 1, close - open - 1).split(u' ', Qt::SkipEmptyParts);
  for (QString& pattern : patterns)
    if (pattern == u"*.*") pattern = QStringLiteral("*");
  return patterns;
}

// The file dialog, which in the open mode also lists and takes the files
// whose names are not UTF-8: Qt's own checks do not know them, so a name
// that stands for one of them is confirmed here.
class FileDialog : public QFileDialog {
 public:
  FileDialog(QWidget* parent, const QString& title) : QFileDialog(parent, title) {
    setOption(QFileDialog::DontUseNativeDialog);
    setProxyModel(files_);
  }
  void listNamesNotUtf8() {
    auto refresh = [this] { files_->showFolder(directory().absolutePath(), filterPatterns(selectedNameFilter())); };
    connect(this, &QFileDialog::directoryEntered, this, refresh);
    connect(this, &QFileDialog::filterSelected, this, refresh);
    refresh();
    // Each part missing in some later Qt only takes away what needs it.
    const FileDialogParts parts = FindFileDialogParts(*this);
    // Qt keeps the open button disabled for a name it cannot find.
    if (parts.buttons) {
      open_ = parts.buttons->button(QDialogButtonBox::Open);
      if (open_) open_->installEventFilter(this);
    }
    // Qt takes an entry it cannot find for "Equipo": a double click or Enter
    // on one of those added is taken here.
    for (auto* view : parts.views) {
      view->installEventFilter(this);
      view->viewport()->installEventFilter(this);
      views_ << view;
    }
    // And it takes an entry it cannot find for a folder: picked, its name is written here.
    if (!parts.name) return;
    for (QItemSelectionModel* selection : parts.selections) {
      connect(selection, &QItemSelectionModel::selectionChanged, this, [this, name = parts.name, selection] {
        const QModelIndexList rows = selection->selectedRows();
        if (rows.size() == 1 && files_->isAdded(rows[0])) name->setText(rows[0].data().toString());
      });
    }
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    for (QAbstractItemView* view : views_) {
      QModelIndex entry;
      if (watched == view->viewport() && event->type() == QEvent::MouseButtonDblClick)
        entry = view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
      else if (watched == view && event->type() == QEvent::KeyPress &&
               (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter))
        entry = view->currentIndex();
      else
        continue;
      if (!files_->isAdded(entry)) break;
      view->setCurrentIndex(entry.siblingAtColumn(0));
      accept();
      return true;
    }
    if (watched == open_ && event->type() == QEvent::EnabledChange && !open_->isEnabled()) {
      const QStringList files = selectedFiles();
      if (files.size() == 1 && files_->pathToOpen(files[0]) != files[0]) open_->setEnabled(true);
    }
    return QFileDialog::eventFilter(watched, event);
  }
  // The name typed in the box always wins. Qt's dialog prefers the entry
  // selected in its list over the typed name, and while a path is typed it
  // selects each entry the text names on the way (the folder of
  // "/tmp/fotos/gato.bmp" once "/tmp/fotos" is typed) and drops that selection
  // again only if the box has the keyboard focus at that moment: keys typed
  // quickly on a busy machine can leave the folder selected, and the dialog
  // then opened the folder instead of confirming the file.
  void dropStaleSelection() {
    const FileDialogParts parts = FindFileDialogParts(*this);
    const QString typed = parts.name ? parts.name->text().trimmed() : QString();
    if (typed.isEmpty()) return;
    const QString typedPath = QDir::cleanPath(directory().absoluteFilePath(typed));
    for (QItemSelectionModel* selection : parts.selections) {
      const QModelIndexList rows = selection->selectedRows();
      const bool sameEntry = rows.size() == 1 &&
                             QDir::cleanPath(rows.first().data(QFileSystemModel::FilePathRole).toString()) == typedPath;
      if (!rows.isEmpty() && !sameEntry) selection->clearSelection();
    }
  }
  // The path of the file confirmed, kept bytes included.
  QString chosenPath() const { return chosen_.isEmpty() ? selectedFiles().value(0) : chosen_; }
  void accept() override {
    dropStaleSelection();
    const QStringList files = selectedFiles();
    if (acceptMode() == AcceptOpen && files.size() == 1) {
      const QString path = files_->pathToOpen(files[0]);
      if (path != files[0]) {
        chosen_ = path;
        QDialog::accept();
        return;
      }
    }
    chosen_.clear();
    QFileDialog::accept();
  }

 private:
  DialogFiles* files_ = new DialogFiles(this);
  QPushButton* open_ = nullptr;
  QList<QAbstractItemView*> views_;
  QString chosen_;
};

}  // namespace

FileDialogParts FindFileDialogParts(const QFileDialog& dialog) {
  FileDialogParts parts;
  parts.name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  parts.buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
  for (auto* view : dialog.findChildren<QAbstractItemView*>()) {
    if (!view->model() || view->model() != dialog.proxyModel()) continue;
    parts.views << view;
    if (view->selectionModel() && !parts.selections.contains(view->selectionModel()))
      parts.selections << view->selectionModel();
  }
  return parts;
}

void InstallSpanishTexts() {
  QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
  static bool installed = false;
  if (installed || !QCoreApplication::instance()) return;
  installed = true;
  auto* qtTexts = new QTranslator(QCoreApplication::instance());
  if (qtTexts->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(qtTexts);
  // The texts Qt's translations lack (translations/tintaborra_es.ts).
  // Installed last, asked first; a text it does not hold goes on to Qt's.
  auto* missingTexts = new QTranslator(QCoreApplication::instance());
  if (missingTexts->load(QLocale(), QStringLiteral("tintaborra"), QStringLiteral("_"), QStringLiteral(":/i18n")))
    QCoreApplication::installTranslator(missingTexts);
}

bool QtDialogs::runFileDialog(FileRequest& request, bool save) {
  const SettingsSetAside setAside;  // the file dialog keeps its history there too
  FileDialog dialog(owner_, request.title);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Buscar en:"));
  dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Nombre:"));
  dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Tipo:"));
  dialog.setLabelText(QFileDialog::Accept, save ? QStringLiteral("&Guardar") : QStringLiteral("&Abrir"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
  // The overwrite question is asked below, about the name that will really be
  // confirmed: Qt's own would ask about the name before the default extension.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const bool askOverwrite = save && request.askOverwrite;
  QStringList filters;
  for (const FileFilter& f : request.filters) filters << nameFilter(f);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
  }
  const QString initial = request.initialFile.trimmed();
  if (!initial.isEmpty()) dialog.selectFile(initial);
  if (!save) dialog.listNamesNotUtf8();

  QString path;
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.chosenPath().isEmpty()) return false;
    path = dialog.chosenPath();
    if (!request.defaultExtension.isEmpty()) path = WithDefaultExtension(path, request.defaultExtension);
    if (!askOverwrite || !QFileInfo::exists(path) || confirmReplace(&dialog, dialog.windowTitle(), path)) break;
  }
  request.chosenPath = path;
  request.chosenName = QFileInfo(path).fileName();
  return true;
}

bool QtDialogs::ChooseFileToOpen(FileRequest& request) { return runFileDialog(request, false); }

bool QtDialogs::ChooseFileToSave(FileRequest& request) { return runFileDialog(request, true); }

bool QtDialogs::ChooseColour(ColourRequest& request) {
  const SettingsSetAside setAside;
  for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, QColor::fromRgb(ToQRgb(request.customColours[i])));
  QColorDialog dialog(QColor::fromRgb(ToQRgb(request.colour)), owner_);
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  dialog.setWindowTitle(QStringLiteral("Color"));
  if (dialog.exec() != QDialog::Accepted) return false;
  request.colour = FromQRgb(dialog.selectedColor().rgb());
  for (int i = 0; i < 16; ++i) request.customColours[i] = FromQRgb(QColorDialog::customColor(i).rgb());
  return true;
}

int TitleBarWidth(const QString& title, const QWidget& window) {
  // The title bar's font is the window manager's own: the window's font made
  // bold is taken as the widest it is likely to be. Besides the title the bar
  // holds the window's icon and three buttons, each about as wide as the bar
  // is high, and a margin at either end.
  QFont font = window.font();
  font.setBold(true);
  const int bar = std::max(window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window),
                           QFontMetrics(font).height() + 8);
  return QFontMetrics(font).horizontalAdvance(title) + 4 * bar + 2 * bar / 2;
}

void QtDialogs::ShowMessage(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, kTitle, QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                  QMessageBox::Ok, owner_);
  // Qt sizes the box for its text and buttons alone; the window manager then
  // cuts a title that does not fit its bar down to a few letters. A row
  // across the box's grid keeps it at least as wide as its title needs.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(TitleBarWidth(kTitle, box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  box.exec();
}

}  // namespace platform
