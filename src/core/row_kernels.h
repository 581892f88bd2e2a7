#pragma once
// The instruction sets behind the walker (WalkRow) and the band's exchange
// with the image (column_band.h), so that the loops built for each can be
// checked against the rules they stand for on any processor that runs them.
// Both pick the best of them themselves; nothing else needs to call these.

#include <cstdint>
#include <vector>

namespace filters::kernels {

// The instruction sets the walker was built for that this processor runs,
// best first, each as its bit in Highway's target masks. The last is the
// portable fallback, which runs everywhere.
std::vector<std::int64_t> Targets();

// Such an instruction set's name ("AVX3", "AVX2", "SSE4", "EMU128", ...).
const char* TargetName(std::int64_t target);

// From now on WalkRow and the band's exchange use only the given instruction
// set, or the best again for 0. For checks alone: the choice holds for the
// whole process.
void UseOnly(std::int64_t target);

}  // namespace filters::kernels
