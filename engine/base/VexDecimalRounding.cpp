// Decimal rounding.
#include "engine/base/VexDecimalRounding.h"

#include <cctype>
#include <cmath>
#include <string>

#include "engine/base/VexConverts.h"

namespace {

// Nearest integer, halves to even.
long double R(long double v) {
  return RoundHalfEven(v);
}

long double WithSign(long double magnitude, double x) {
  return x < 0 ? -magnitude : magnitude;
}

}  // namespace

double VexDecimalRound(double x, int32_t digits, int mode) {
  if (mode == rmNone || std::isnan(x)) return x;
  // s = 10^|digits| by repeated multiplication; past the long double range the rounding
  // cannot change anything any more (or, for negative digits, leaves nothing).
  long double s = 1;
  const int64_t n = digits < 0 ? -int64_t(digits) : int64_t(digits);
  for (int64_t i = 0; i < n; ++i) {
    s *= 10;
    if (std::isinf(s)) return digits > 0 ? x : std::copysign(0.0, x);
  }
  const long double lx = x;
  const long double f = digits >= 0 ? lx * s : lx / s;
  const long double tx = std::fabs(lx * kVexRoundingTolerance);
  const long double t = digits >= 0 ? tx * s : tx / s;
  long double y;
  switch (mode) {
    case rmHalfEven:
      y = R(f - t);
      if (std::fmod(y, 2.0L) != 0) y = R(f + t);
      break;
    case rmHalfPos:
      y = R(f + t);
      break;
    case rmHalfNeg:
      y = R(f - t);
      break;
    case rmHalfDown:
      y = WithSign(R(std::fabs(f) - t), x);
      break;
    case rmHalfUp:
      y = WithSign(R(std::fabs(f) + t), x);
      break;
    case rmRndNeg:
      y = R(f + t - 0.5L);
      break;
    case rmRndPos:
      y = R(f - t + 0.5L);
      break;
    case rmRndDown:
      y = WithSign(R(std::fabs(f) + t - 0.5L), x);
      break;
    case rmRndUp:
      y = WithSign(R(std::fabs(f) - t + 0.5L), x);
      break;
    default:
      y = R(f);
      break;
  }
  return double(digits >= 0 ? y / s : y * s);
}

int VexRoundingModeByName(std::string_view name) {
  static const char* const kNames[] = {"HALFEVEN", "HALFPOS", "HALFNEG", "HALFDOWN", "HALFUP",
                                       "RNDNEG",   "RNDPOS",  "RNDDOWN", "RNDUP"};
  std::string upper(name);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  for (int i = 0; i < 9; ++i)
    if (upper == kNames[i]) return i + 1;
  return -1;
}
