#pragma once
// TIFF through libtiff over a Qt device: documents of many pages written a
// page at a time, each page's stream stored as it comes.

#include "formats/documents/document.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace documents {

std::unique_ptr<DocumentWriter> CreateTiffDocument(const QString& target);

}  // namespace documents
