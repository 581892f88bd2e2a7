#include "app/layout.h"

#include "platform/vb.h"

namespace app {

std::int32_t CentredOffset(float outer, float inner) { return platform::IntDiv(outer - inner, 2); }

}  // namespace app
