#include "core/failure.h"

namespace platform {

void Fail(FailureKind kind, const QString& reason) { throw Failure{kind, reason}; }

}  // namespace platform
