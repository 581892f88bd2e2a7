#include "core/cpu_features.h"

#include <hwy/targets.h>

namespace platform {

bool HasAvx2() {
#if HWY_ARCH_X86_64
  static const bool has = (hwy::SupportedTargets() & HWY_AVX2) != 0;
  return has;
#else
  return false;
#endif
}

}  // namespace platform
