#pragma once
// Whether a BMP, GIF or JPEG file holds all the data its own structure
// announces. Qt's decoders fill in whatever a cut-off file lacks and report
// success; a picture that ends early must be refused instead.

class QIODevice;

namespace platform {

enum class Completeness { Complete, Truncated, Unknown };

// Reads the device from its current position to the end and puts the
// position back. Other formats than BMP, GIF and JPEG give Unknown.
Completeness CheckComplete(QIODevice& device);

}  // namespace platform
