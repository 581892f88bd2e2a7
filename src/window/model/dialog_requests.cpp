#include "window/model/dialog_requests.h"

namespace platform {

QString WithDefaultExtension(const QString& path, const QString& extension) {
  const QString suffix = QLatin1Char('.') + extension;
  return path.endsWith(suffix, Qt::CaseInsensitive) ? path : path + suffix;
}

}  // namespace platform
