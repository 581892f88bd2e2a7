#include "window/model/skip_and_continue.h"

#include <new>

namespace platform {

ErrRecord& Err() {
  static ErrRecord record;
  return record;
}

void ResumeNext::record() noexcept {
  try {
    throw;
  } catch (const Failure& f) {
    Err().Set(f);
  } catch (const std::bad_alloc&) {
    Err().Set({FailureKind::OutOfMemory, QStringLiteral("Memoria insuficiente")});
  } catch (...) {
    Err().Set({FailureKind::Invalid, QStringLiteral("Error inesperado")});
  }
}

}  // namespace platform
