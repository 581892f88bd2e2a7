#pragma once
// What the processor this runs on can do beyond the baseline the program is
// compiled for. Highway asks the processor once, for its own dispatch of the
// row walk and for the loops below that are compiled for AVX2 by hand.

namespace platform {

// AVX2, with the system saving its registers; false off x86-64.
bool HasAvx2();

}  // namespace platform
