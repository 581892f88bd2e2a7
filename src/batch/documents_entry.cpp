// The documents module's one exported symbol (see documents_module.h).
#include "batch/documents_module.h"

extern "C" __attribute__((visibility("default"))) const batch::DocumentsLibrary* tintaborra_documents_library_2() {
  static const batch::DocumentsLibrary library{
      [](const QString& path, int renderDpi, documents::ReadingLimits limits) {
        return documents::OpenDocument(path, renderDpi, limits);
      },
      [](const QImage& picture, int jpegQuality) { return documents::EncodePage(picture, jpegQuality); },
      [](const QString& target, documents::DocumentKind kind) { return documents::CreateDocument(target, kind); },
  };
  return &library;
}
