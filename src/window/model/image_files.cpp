#include "window/model/image_files.h"

#include <algorithm>

namespace imagefiles {

platform::FileRequest OpenDialogRequest() {
  platform::FileRequest request;
  request.title = QStringLiteral("Selecciona una imagen");
  request.filters = {{QStringLiteral("imágenes bmp-gif-jpg"), QStringLiteral("*.*")}};
  request.fileMustExist = true;
  return request;
}

platform::FileRequest SaveDialogRequest() {
  platform::FileRequest request;
  request.title = QStringLiteral("Guardar como  ");
  request.filters = {{QStringLiteral("Archivo gráfico (*.bmp)"), QStringLiteral("*.bmp")}};
  request.askOverwrite = true;
  // The dialog confirms the name that will be written, so that the overwrite
  // question is asked about that file and not about the name as typed.
  request.defaultExtension = QStringLiteral("bmp");
  return request;
}

bool IsSupportedGraphic(const QString& path) {
  const QString last3 = path.right(3).toUpper();
  return last3 == u"JPG" || last3 == u"GIF" || last3 == u"BMP" ||
         path.endsWith(QStringLiteral(".jpeg"), Qt::CaseInsensitive);
}

QString FolderByLength(const QString& path, qsizetype pathLength, qsizetype titleLength) {
  return path.left(std::max<qsizetype>(pathLength - titleLength, 0));
}

QString ListFilePath(const QString& folder, const QString& fileName) {
  return folder.endsWith(u'/') ? folder + fileName : folder + u'/' + fileName;
}

QString SaveName(const QString& path) { return platform::WithDefaultExtension(path, QStringLiteral("bmp")); }

QString FailureMessage(const QString& lead, const QString& description) {
  return lead + QStringLiteral("\r\nERROR: ") + description;
}

QString NotSupportedMessage() { return QStringLiteral("El fichero seleccionado no es un gráfico soportado"); }
QString CannotReadLead() { return QStringLiteral("Sin poder acceder  "); }
QString CannotSaveLead() { return QStringLiteral("Sin poder guardar  "); }

}  // namespace imagefiles
