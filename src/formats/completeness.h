#pragma once
// Whether a BMP, GIF, JPEG or PNG file holds all the data its own structure
// announces, whether a run-length BMP's runs stay inside its picture, and
// whether a GIF's first frame's codes fill it.
// Qt's decoders fill in whatever a cut-off file lacks, and cut short runs that
// overflow, and report success; such pictures must be refused instead.

class QIODevice;

namespace platform {

enum class Completeness { Complete, Truncated, Damaged, Unknown };

// Reads the device from its current position to the end and puts the
// position back. Other formats give Unknown.
Completeness CheckComplete(QIODevice& device);

}  // namespace platform
