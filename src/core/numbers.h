#pragma once
// The runtime's number conversions, integer arithmetic, units and error record.

#include <QString>

#include <cstdint>
#include <utility>

namespace platform {

// A colour as &H00BBGGRR: red in the low byte; -1 for a point outside a picture.
using ColorValue = std::int32_t;

namespace errnum {
constexpr int DivisionByZero = 11;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int FileNotFound = 53;
constexpr int FileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int InvalidPicture = 481;
constexpr int InvalidProperty = 380;
}  // namespace errnum

// A runtime failure: what a step throws and what the error record keeps.
struct Failure {
  int Number = 0;
  QString Description;
};

[[noreturn]] void Raise(int number, const QString& description);
[[noreturn]] void RaiseOverflow();

// The record of the last failure seen by a skip-and-continue procedure.
class ErrRecord {
 public:
  int Number() const { return number_; }
  const QString& Description() const { return description_; }
  void Clear() {
    number_ = 0;
    description_.clear();
  }
  void Set(const Failure& f) {
    number_ = f.Number;
    description_ = f.Description;
  }

 private:
  int number_ = 0;
  QString description_;
};
ErrRecord& Err();

// Skip-and-continue: each step of a procedure runs through this object; a step
// that fails is left out, the failure is recorded and the procedure goes on.
// Creating it clears the record, as entering the mode does.
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

// Lenient text to number: blanks skipped, the longest leading number taken,
// 0 when the text does not begin with one. A number beyond the range of a
// double gives plus or minus infinity.
double Val(const QString& text);

// Real to integer, halves to the even neighbour; Overflow when out of range.
std::int16_t CInt(double value);
std::int32_t CLng(double value);

// a \ b: both rounded as CLng does, then divided truncating toward zero.
std::int32_t IntDiv(double a, double b);
// a mod b: both rounded as CLng does; the remainder takes the sign of a.
std::int32_t Mod(double a, double b);

// red + 256 * green + 65536 * blue, each channel first converted to a 16-bit
// integer (blue, then green, then red).
ColorValue RGB(double red, double green, double blue);

// Positions and sizes of the window are in twips, 15 to the pixel.
constexpr float TwipsPerPixel = 15.0f;
int TwipsToPixels(float twips);

// The plain decimal form used in text boxes and labels: 0, 128, -1, 2.5.
QString Str(double value);

}  // namespace platform
