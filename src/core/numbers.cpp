#include "core/numbers.h"

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

namespace platform {

void RaiseOverflow() { Fail(FailureKind::Arithmetic, QStringLiteral("Desbordamiento")); }

double Val(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  const char* s = bytes.constData();
  std::size_t i = 0;
  while (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n') ++i;
  const std::size_t start = i;
  if (s[i] == '+' || s[i] == '-') ++i;
  std::size_t digits = 0;
  while (s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (s[i] == '.') {
    ++i;
    while (s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  if (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D') {
    std::size_t j = i + 1;
    if (s[j] == '+' || s[j] == '-') ++j;
    if (s[j] >= '0' && s[j] <= '9') {
      while (s[j] >= '0' && s[j] <= '9') ++j;
      i = j;
    }
  }
  std::string number(s + start, s + i);
  for (char& c : number)
    if (c == 'd' || c == 'D') c = 'e';
  return std::strtod(number.c_str(), nullptr);  // out of range gives +-HUGE_VAL
}

namespace {
template <class Int>
Int roundToInt(double value) {
  if (std::isnan(value)) RaiseOverflow();
  const double r = std::nearbyint(value);  // the default mode rounds halves to even
  if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
      r > static_cast<double>(std::numeric_limits<Int>::max()))
    RaiseOverflow();
  return static_cast<Int>(r);
}
}  // namespace

std::int16_t CInt(double value) { return roundToInt<std::int16_t>(value); }
std::int32_t CLng(double value) { return roundToInt<std::int32_t>(value); }

std::int32_t IntDiv(double a, double b) {
  const std::int32_t x = CLng(a), y = CLng(b);
  if (y == 0) Fail(FailureKind::Arithmetic, QStringLiteral("División por cero"));
  if (x == std::numeric_limits<std::int32_t>::min() && y == -1) RaiseOverflow();
  return x / y;
}

std::int32_t Mod(double a, double b) {
  const std::int32_t x = CLng(a), y = CLng(b);
  if (y == 0) Fail(FailureKind::Arithmetic, QStringLiteral("División por cero"));
  if (y == -1) return 0;
  return x % y;
}

ColorValue RGB(double red, double green, double blue) {
  const std::int64_t b = CInt(blue), g = CInt(green), r = CInt(red);
  return static_cast<ColorValue>(static_cast<std::uint32_t>(r + 256 * g + 65536 * b));
}

QString Str(double value) {
  if (value == std::trunc(value) && std::fabs(value) < 1e15) return QString::number(static_cast<long long>(value));
  return QString::number(value, 'g', 15);
}

int TwipsToPixels(float twips) { return static_cast<int>(std::lround(twips / TwipsPerPixel)); }

}  // namespace platform
