#pragma once
// libjpeg's way out of a failure, shared by the decoder and the encoders:
// error_exit must not return to libjpeg, so it jumps back to the caller's
// setjmp, noting why. Nothing between the setjmp and libjpeg's calls may hold
// an object with a destructor, which the jump would skip.

#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE without including its header

#include <jpeglib.h>

namespace platform {

struct JpegErrors : jpeg_error_mgr {
  std::jmp_buf jump;
  int why = 0;  // the caller's own code for the way out; 0 for libjpeg's fatal errors
  // Fills the manager with libjpeg's defaults, error_exit jumping back
  // (why 0; JpegOutOfMemory when libjpeg ran out of memory).
  JpegErrors();
};

constexpr int JpegOutOfMemory = -1;

// Jumps back to the setjmp of info's JpegErrors with why.
[[noreturn]] void LeaveJpeg(j_common_ptr info, int why);

}  // namespace platform
