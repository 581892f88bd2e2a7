#pragma once
// PDF through qpdf: each page one picture covering it, the picture's stream
// kept on disk until the document is written out.

#include "formats/documents/document.h"

#include <QString>

#include <memory>

namespace documents {

std::unique_ptr<DocumentWriter> CreatePdfDocument(const QString& target);

}  // namespace documents
