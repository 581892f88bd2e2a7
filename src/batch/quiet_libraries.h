#pragma once
// Only this command's own Spanish lines reach standard error: the decoders'
// complaints about a damaged file ("libpng error: Read Error", libtiff's
// "Sorry, can not handle images with 64-bit samples", TIFF warnings on a good
// file) are dropped where they arise, the file being named with the reason
// instead.

#include <cstdio>

namespace batch {

// Silences the libraries and returns where the command's own messages go:
// standard error as it was given. Call once, first thing.
std::FILE* SilenceLibraries();

}  // namespace batch
