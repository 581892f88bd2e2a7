#include "window/model/image_files.h"

#include <algorithm>

namespace imagefiles {

using platform::OPENFILENAME;

QString FilterList(const QString& description, const QString& pattern) {
  const QChar nul(u'\0');
  return description + nul + pattern + nul + nul;
}

QString BlankFileBuffer() { return QString(256, QLatin1Char(' ')) + QChar(u'\0'); }

namespace {

// A file dialog's record: one filter entry, the path and name buffers of 256
// blanks and a NUL, the dialog's title and flags; every other field empty.
OPENFILENAME FileDialogRecord(std::uintptr_t owner, const QString& filter, const QString& title, std::uint32_t flags) {
  OPENFILENAME ofn;
  ofn.lStructSize = 76;
  ofn.hwndOwner = owner;
  ofn.hInstance = 0;
  ofn.lpstrFilter = filter;
  ofn.nMaxCustFilter = 0;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = BlankFileBuffer();
  ofn.nMaxFile = static_cast<std::uint32_t>(ofn.lpstrFile.size());
  ofn.lpstrFileTitle = BlankFileBuffer();
  ofn.nMaxFileTitle = static_cast<std::uint32_t>(ofn.lpstrFileTitle.size());
  ofn.lpstrTitle = title;
  ofn.Flags = flags;
  ofn.nFileOffset = 0;
  ofn.nFileExtension = 0;
  ofn.lCustData = 0;
  ofn.lpfnHook = 0;
  return ofn;
}

}  // namespace

OPENFILENAME OpenDialogRecord(std::uintptr_t owner) {
  return FileDialogRecord(owner, FilterList(QStringLiteral("imágenes bmp-gif-jpg"), QStringLiteral("*.*")),
                          QStringLiteral("Selecciona una imagen") + QChar(u'\0'),
                          platform::OFN_FILEMUSTEXIST | platform::OFN_PATHMUSTEXIST | platform::OFN_HIDEREADONLY);
}

OPENFILENAME SaveDialogRecord(std::uintptr_t owner) {
  OPENFILENAME ofn =
      FileDialogRecord(owner, FilterList(QStringLiteral("Archivo gráfico (*.bmp)"), QStringLiteral("*.bmp")),
                       QStringLiteral("Guardar como  "),
                       platform::OFN_OVERWRITEPROMPT | platform::OFN_HIDEREADONLY | platform::OFN_PATHMUSTEXIST);
  // The dialog confirms the name that will be written, so that the overwrite
  // question is asked about that file and not about the name as typed.
  ofn.lpstrDefExt = QStringLiteral("bmp");
  return ofn;
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
