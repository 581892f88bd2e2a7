#pragma once
// Whether a BMP, GIF or JPEG file holds all the data its own structure
// announces, and whether a run-length BMP's runs stay inside its picture.
// Qt's decoders fill in whatever a cut-off file lacks, and cut short runs that
// overflow, and report success; such pictures must be refused instead.

class QIODevice;

namespace platform {

enum class Completeness { Complete, Truncated, Damaged, Unknown };

// Reads the device from its current position to the end and puts the
// position back. Other formats than BMP, GIF and JPEG give Unknown.
Completeness CheckComplete(QIODevice& device);

}  // namespace platform
