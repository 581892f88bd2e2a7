#pragma once
// What the processor this runs on can do beyond the baseline the program is
// compiled for, asked once and remembered. The loops compiled for wider
// instruction sets are taken only where these say so.

namespace platform {

// AVX2, with the system saving its registers; false off x86-64.
bool HasAvx2();

// AVX-512 F and BW, with the system saving their registers; false off x86-64.
bool HasAvx512();

}  // namespace platform
