#include "window/forms/dialog_files.h"

#include "pixels/filenames.h"

#include <QDateTime>
#include <QFileIconProvider>
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
}  // namespace

bool DialogFiles::isAdded(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.internalPointer() == &addedRow;
}

int DialogFiles::sourceRows() const { return folder_.isValid() ? sourceModel()->rowCount(folder_) : 0; }

void DialogFiles::showFolder(const QString& folder, const QStringList& patterns) {
  auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
  if (!files) return;
  if (!names_.isEmpty()) {
    const int first = sourceRows();
    beginRemoveRows(folderIndex(), first, first + int(names_.size()) - 1);
    names_.clear();
    endRemoveRows();
  }
  QStringList names;
  for (const QString& name : FolderFiles(folder, true)) {
    for (const QString& pattern : patterns) {
      const auto wildcard = QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive);
      if (wildcard.match(DisplayFileName(name)).hasMatch()) {
        names << name;
        break;
      }
    }
  }
  folder_ = files->index(folder);
  folderPath_ = folder;
  if (names.isEmpty() || !folder_.isValid()) return;
  const int first = sourceRows();
  beginInsertRows(folderIndex(), first, first + int(names.size()) - 1);
  names_ = names;
  endInsertRows();
}

QString DialogFiles::pathToOpen(const QString& chosen) const {
  if (KindOf(chosen) != FileKind::Missing) return chosen;
  const QFileInfo shown(chosen);
  if (QFileInfo(folderPath_) != QFileInfo(shown.path())) return chosen;
  for (const QString& name : names_)
    if (DisplayFileName(name) == shown.fileName()) return folderPath_ + u'/' + name;
  return chosen;
}

int DialogFiles::rowCount(const QModelIndex& parent) const {
  if (isAdded(parent)) return 0;
  const int rows = QIdentityProxyModel::rowCount(parent);
  return folder_.isValid() && mapToSource(parent) == folder_ ? rows + int(names_.size()) : rows;
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
    if (row >= first && row < first + names_.size() && column >= 0 && column < columnCount(parent))
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
  if (at < 0 || at >= names_.size()) return {};
  const QString name = names_[at];
  const QString shown = DisplayFileName(name);
  struct stat st {};
  const bool known = ::stat(EncodeFileName(folderPath_ + u'/' + name).constData(), &st) == 0;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      switch (index.column()) {
        case 0: return shown;
        case 1: return known ? QLocale().formattedDataSize(st.st_size) : QString();
        case 2: return QMimeDatabase().mimeTypeForFile(shown, QMimeDatabase::MatchExtension).comment();
        case 3:
          return known ? QLocale().toString(QDateTime::fromSecsSinceEpoch(st.st_mtime), QLocale::ShortFormat)
                       : QString();
      }
      return {};
    case Qt::DecorationRole:
      if (index.column() == 0) return QFileIconProvider().icon(QAbstractFileIconProvider::File);
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == 1) return QVariant(Qt::AlignTrailing | Qt::AlignVCenter);
      return {};
    case QFileSystemModel::FilePathRole:
      return folderPath_ + u'/' + shown;
    case QFileSystemModel::FileNameRole:
      return shown;
  }
  return {};
}

}  // namespace platform
