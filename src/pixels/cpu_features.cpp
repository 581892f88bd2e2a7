#include "pixels/cpu_features.h"

namespace platform {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

bool HasAvx512() {
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
  return has;
}

#else

bool HasAvx2() { return false; }
bool HasAvx512() { return false; }

#endif

}  // namespace platform
