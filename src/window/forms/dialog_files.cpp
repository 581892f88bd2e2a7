#include "window/forms/dialog_files.h"

#include "formats/filenames.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLocale>
#include <QMimeDatabase>
#include <QRegularExpression>

#include <sys/stat.h>

namespace platform {

namespace {
// The internal pointer that marks the rows added here.
char addedRow;

// One for every listing: the types are known by the names' extensions.
const QMimeDatabase& mimeDatabase() {
  static const QMimeDatabase database;
  return database;
}
}  // namespace

bool DialogFiles::isAdded(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.internalPointer() == &addedRow;
}

int DialogFiles::sourceRows() const { return folder_.isValid() ? sourceModel()->rowCount(folder_) : 0; }

void DialogFiles::showFolder(const QString& folder, const QStringList& patterns) {
  auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
  if (!files) return;
  if (!added_.isEmpty()) {
    const int first = sourceRows();
    beginRemoveRows(folderIndex(), first, first + int(added_.size()) - 1);
    added_.clear();
    endRemoveRows();
  }
  // The folder's files by the same patterns, those that are UTF-8 by Qt's model.
  files->setNameFilters(patterns);
  QList<QRegularExpression> wildcards;
  for (const QString& pattern : patterns) wildcards << QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive);
  QList<Added> added;
  for (const QString& name : FolderFiles(folder, true)) {
    Added file;
    file.name = name;
    file.shown = DisplayFileName(name);
    for (const QRegularExpression& wildcard : wildcards) {
      if (wildcard.match(file.shown).hasMatch()) {
        added << file;
        break;
      }
    }
  }
  folder_ = files->index(folder);
  folderPath_ = folder;
  if (added.isEmpty() || !folder_.isValid()) return;
  for (Added& file : added) {
    struct stat st {};
    file.known = ::stat(EncodeFileName(folderPath_ + u'/' + file.name).constData(), &st) == 0;
    if (file.known) {
      file.size = st.st_size;
      file.modified = QDateTime::fromSecsSinceEpoch(st.st_mtime);
    }
    file.type = mimeDatabase().mimeTypeForFile(file.shown, QMimeDatabase::MatchExtension);
  }
  const int first = sourceRows();
  beginInsertRows(folderIndex(), first, first + int(added.size()) - 1);
  added_ = added;
  endInsertRows();
}

QString DialogFiles::pathToOpen(const QString& chosen) const {
  if (KindOf(chosen) != FileKind::Missing) return chosen;
  const QFileInfo shown(chosen);
  if (QFileInfo(folderPath_) != QFileInfo(shown.path())) return chosen;
  for (const Added& file : added_)
    if (file.shown == shown.fileName()) return folderPath_ + u'/' + file.name;
  return chosen;
}

int DialogFiles::rowCount(const QModelIndex& parent) const {
  if (isAdded(parent)) return 0;
  const int rows = QIdentityProxyModel::rowCount(parent);
  return folder_.isValid() && mapToSource(parent) == folder_ ? rows + int(added_.size()) : rows;
}

int DialogFiles::columnCount(const QModelIndex& parent) const {
  return isAdded(parent) ? 0 : QIdentityProxyModel::columnCount(parent);
}

bool DialogFiles::hasChildren(const QModelIndex& parent) const {
  return isAdded(parent) ? false : QIdentityProxyModel::hasChildren(parent);
}

bool DialogFiles::canFetchMore(const QModelIndex& parent) const {
  return isAdded(parent) ? false : QIdentityProxyModel::canFetchMore(parent);
}

QModelIndex DialogFiles::index(int row, int column, const QModelIndex& parent) const {
  if (folder_.isValid() && !isAdded(parent) && mapToSource(parent) == folder_) {
    const int first = sourceRows();
    if (row >= first && row < first + added_.size() && column >= 0 && column < columnCount(parent))
      return createIndex(row, column, &addedRow);
  }
  return QIdentityProxyModel::index(row, column, parent);
}

QModelIndex DialogFiles::parent(const QModelIndex& child) const {
  return isAdded(child) ? folderIndex() : QIdentityProxyModel::parent(child);
}

QModelIndex DialogFiles::sibling(int row, int column, const QModelIndex& index) const {
  return isAdded(index) ? this->index(row, column, folderIndex()) : QIdentityProxyModel::sibling(row, column, index);
}

QModelIndex DialogFiles::mapToSource(const QModelIndex& proxyIndex) const {
  return isAdded(proxyIndex) ? QModelIndex() : QIdentityProxyModel::mapToSource(proxyIndex);
}

Qt::ItemFlags DialogFiles::flags(const QModelIndex& index) const {
  if (isAdded(index)) return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  return QIdentityProxyModel::flags(index);
}

QVariant DialogFiles::data(const QModelIndex& index, int role) const {
  const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
  if (!files) return QIdentityProxyModel::data(index, role);
  if (!isAdded(index)) {
    if (role == Qt::DisplayRole && (index.column() == 1 || index.column() == 3)) {
      const QModelIndex source = mapToSource(index);
      if (index.column() == 3) return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
      return files->isDir(source) ? QString() : QLocale().formattedDataSize(files->size(source));
    }
    return QIdentityProxyModel::data(index, role);
  }
  const qsizetype at = index.row() - sourceRows();
  if (at < 0 || at >= added_.size()) return {};
  const Added& file = added_[at];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      switch (index.column()) {
        case 0:
          return file.shown;
        case 1:
          return file.known ? QLocale().formattedDataSize(file.size) : QString();
        case 2:
          return file.type.comment();
        case 3:
          return file.known ? QLocale().toString(file.modified, QLocale::ShortFormat) : QString();
      }
      return {};
    case Qt::DecorationRole:
      if (index.column() == 0) return icons_.icon(QAbstractFileIconProvider::File);
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == 1) return QVariant(Qt::AlignTrailing | Qt::AlignVCenter);
      return {};
    case QFileSystemModel::FilePathRole:
      return folderPath_ + u'/' + file.shown;
    case QFileSystemModel::FileNameRole:
      return file.shown;
  }
  return {};
}

}  // namespace platform
