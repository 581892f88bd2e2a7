#pragma once
// The documents (PDF, and TIFF of several pages) are read and written by a
// module of their own, loaded at the first document a run meets: poppler,
// qpdf and what they stand on take longer to load than a run over a few
// pictures takes in all, and a run with no document never loads them.

#include "formats/documents/document.h"

#include <QImage>
#include <QString>

#include <memory>

namespace batch {

// What the module lends: the calls of formats/documents/document.h.
struct DocumentsLibrary {
  std::unique_ptr<documents::DocumentReader> (*openDocument)(const QString& path, int renderDpi,
                                                             documents::ReadingLimits limits);
  documents::EncodedPage (*encodePage)(const QImage& picture, int jpegQuality);
  std::unique_ptr<documents::DocumentWriter> (*createDocument)(const QString& target, documents::DocumentKind kind);
};

// The name the module gives what it lends; it changes with DocumentsLibrary,
// so that a module built for another form of it is never taken.
#define TINTABORRA_DOCUMENTS_ENTRY "tintaborra_documents_library_2"

// The module, loaded at the first call (from any thread), from beside the
// executable or else from the installed library folder. Throws
// platform::Failure, at that call and every later one, when it cannot be.
const DocumentsLibrary& Documents();

}  // namespace batch
