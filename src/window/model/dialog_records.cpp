#include "window/model/dialog_records.h"

namespace platform {

QList<FileFilter> SplitFilterList(const QString& filter) {
  QList<FileFilter> out;
  const QStringList parts = filter.split(QChar(u'\0'));
  for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) out.append({parts[i], parts[i + 1]});
  return out;
}

QString BeforeNul(const QString& buffer) {
  const qsizetype nul = buffer.indexOf(QChar(u'\0'));
  return nul < 0 ? buffer : buffer.left(nul);
}

QString WithDefaultExtension(const QString& path, const QString& extension) {
  const QString suffix = QLatin1Char('.') + extension;
  return path.endsWith(suffix, Qt::CaseInsensitive) ? path : path + suffix;
}

}  // namespace platform
