#include "batch/documents_module.h"

#include "core/failure.h"
#include "formats/filenames.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <dlfcn.h>

namespace batch {

namespace {

struct Loaded {
  const DocumentsLibrary* library = nullptr;
  QString failure;  // why it could not be loaded
};

// The folder the executable is in, from the system rather than argv[0].
QString executableFolder() {
  if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
  return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
}

Loaded load() {
  const QString folder = executableFolder();
  const QString name = QStringLiteral(TINTABORRA_DOCUMENTS_MODULE);
  // Beside the executable in the build tree; in the library folder once installed.
  const QStringList places{folder + u'/' + name,
                           folder + u'/' + QStringLiteral(TINTABORRA_DOCUMENTS_MODULE_FROM_BINDIR) + u'/' + name};
  QString why;
  for (const QString& place : places) {
    const QByteArray file = platform::EncodeFileName(place);
    if (!QFileInfo::exists(place)) continue;
    // Never unloaded: its readers and writers are used until the end.
    void* handle = ::dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      // The loader's own words are not the user's language: the file is named.
      (void)::dlerror();
      why = QStringLiteral("«%1» no se puede cargar").arg(place);
      continue;
    }
    using Entry = const DocumentsLibrary* (*)();
    if (const auto entry = reinterpret_cast<Entry>(::dlsym(handle, TINTABORRA_DOCUMENTS_ENTRY))) return {entry(), {}};
    why = QStringLiteral("«%1» es de otra versión").arg(place);
  }
  if (why.isEmpty()) why = QStringLiteral("no está en «%1» ni en «%2»").arg(places[0], places[1]);
  return {nullptr, QStringLiteral("No se pueden leer ni escribir documentos: falta su biblioteca (%1)").arg(why)};
}

}  // namespace

const DocumentsLibrary& Documents() {
  static const Loaded loaded = load();
  if (!loaded.library) platform::Fail(platform::FailureKind::Access, loaded.failure);
  return *loaded.library;
}

}  // namespace batch
