// Opening a document for writing, and the file it is written into.
#include "formats/documents/document.h"
#include "formats/documents/pdf_writer.h"
#include "formats/documents/tiff_writer.h"
#include "formats/documents/writer_file.h"
#include "formats/codecs.h"
#include "core/numbers.h"

namespace documents {

WriterFile::WriterFile(const QString& target) : file_(target) {
  if (!file_.open())
    platform::RaiseWriteFailure(QStringLiteral("No se puede crear el archivo"), file_.error(),
                                file_.device().errorString());
}

QIODevice& WriterFile::device() { return file_.device(); }

void WriterFile::commit() {
  if (!file_.commit()) fail(file_.error(), file_.device().errorString());
}

void WriterFile::fail(int error, const QString& reason) {
  file_.discard();
  platform::RaiseWriteFailure(QStringLiteral("No se pudo escribir el archivo"), error, reason);
}

void RaiseNoPages() {
  platform::Fail(platform::FailureKind::Damaged, QStringLiteral("El documento no tiene ninguna página"));
}

std::unique_ptr<DocumentWriter> CreateDocument(const QString& target, DocumentKind kind) {
  if (kind == DocumentKind::Pdf) return CreatePdfDocument(target);
  return CreateTiffDocument(target);
}

}  // namespace documents
