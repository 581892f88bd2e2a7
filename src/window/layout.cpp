#include "window/layout.h"

#include "pixels/vb.h"

namespace app {

std::int32_t CentredOffset(float outer, float inner) { return platform::IntDiv(outer - inner, 2); }

}  // namespace app
