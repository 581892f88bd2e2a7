#pragma once
// Skip-and-continue, the way some of the window's procedures handle failure:
// a step that fails is left out, the failure is kept in the last-failure
// record and the procedure goes on; the procedure may look at the record at
// its end.

#include "core/failure.h"

#include <QString>

#include <utility>

namespace platform {

// The record of the last failure seen by a skip-and-continue procedure.
class ErrRecord {
 public:
  bool Failed() const { return failed_; }
  const QString& Reason() const { return reason_; }
  FailureKind Kind() const { return kind_; }
  void Clear() {
    failed_ = false;
    reason_.clear();
  }
  void Set(const Failure& f) {
    failed_ = true;
    kind_ = f.kind;
    reason_ = f.reason;
  }

 private:
  bool failed_ = false;
  FailureKind kind_ = FailureKind::Invalid;
  QString reason_;
};
ErrRecord& Err();

// Each step of a procedure runs through this object; creating it clears the
// record, as entering the mode does.
class ResumeNext {
 public:
  ResumeNext() { Err().Clear(); }

  template <class Step>
  void operator()(Step&& step) noexcept {
    try {
      std::forward<Step>(step)();
    } catch (...) {
      record();
    }
  }

  // The test of a condition: when the test itself fails, the steps under the
  // condition run, so the result is true.
  template <class Test>
  bool If(Test&& test) noexcept {
    try {
      return std::forward<Test>(test)();
    } catch (...) {
      record();
      return true;
    }
  }

 private:
  static void record() noexcept;
};

}  // namespace platform
