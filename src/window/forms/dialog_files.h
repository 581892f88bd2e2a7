#pragma once
// What the file dialog lists: Qt's file system model, with its sizes and
// dates written in the default (Spanish) locale rather than the system's, and
// with the files Qt passes over because their names are not UTF-8, shown
// after the others in the folder on view.

#include <QDateTime>
#include <QFileIconProvider>
#include <QIdentityProxyModel>
#include <QList>
#include <QMimeType>
#include <QPersistentModelIndex>
#include <QStringList>

namespace platform {

class DialogFiles : public QIdentityProxyModel {
 public:
  explicit DialogFiles(QObject* parent = nullptr) : QIdentityProxyModel(parent) {}

  // Lists, after the folder's other files, those of its files whose names
  // are not UTF-8 and match one of the wildcard patterns.
  void showFolder(const QString& folder, const QStringList& patterns);
  // The path that opens the file a chosen path stands for: the chosen path
  // itself, or for a name that is not UTF-8 as shown, the name's own bytes.
  QString pathToOpen(const QString& chosen) const;

  // Whether index is one of the rows added here.
  bool isAdded(const QModelIndex& index) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
  QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  int sourceRows() const;
  QModelIndex folderIndex() const { return mapFromSource(folder_); }

  // A file added here, read once when the folder is listed.
  struct Added {
    QString name;        // as read, kept bytes included
    QString shown;       // as the list shows it
    bool known = false;  // whether its size and date could be read
    qint64 size = 0;
    QDateTime modified;
    QMimeType type;  // by the name's extension
  };

  QPersistentModelIndex folder_;  // in the source model
  QString folderPath_;
  QList<Added> added_;
  QFileIconProvider icons_;
};

}  // namespace platform
