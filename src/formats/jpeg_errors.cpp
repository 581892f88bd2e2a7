#include "formats/jpeg_errors.h"

#include <jerror.h>

namespace platform {

namespace {

void onError(j_common_ptr info) { LeaveJpeg(info, info->err->msg_code == JERR_OUT_OF_MEMORY ? JpegOutOfMemory : 0); }

}  // namespace

JpegErrors::JpegErrors() : jpeg_error_mgr{} {
  jpeg_std_error(this);
  error_exit = onError;
}

void LeaveJpeg(j_common_ptr info, int why) {
  auto* errors = static_cast<JpegErrors*>(info->err);
  errors->why = why;
  std::longjmp(errors->jump, 1);
}

}  // namespace platform
