#pragma once
// TIFF through libtiff over a Qt device: documents of many pages written a
// page at a time, each page's stream stored as it comes, and libtiff's own
// Group 4 encoder.

#include "formats/documents/document.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace documents {

std::unique_ptr<DocumentWriter> CreateTiffDocument(const QString& target);

// The CCITT Group 4 stream of 1-bit rows (1 for black, the first pixel in the
// highest bit, each row starting on a byte), as libtiff encodes a TIFF strip.
// Throws platform::Failure.
QByteArray Group4Stream(const unsigned char* rows, int width, int height);

}  // namespace documents
