// Decimal rounding of floating values to a number of decimal digits (negative digits round to
// tens, hundreds ...) in one of nine modes, with a relative tolerance that absorbs the binary
// representation error of decimal fractions (so 2.345 counts as exactly 2.345).
#pragma once

#include <cstdint>
#include <string_view>

enum TVexRoundingMode : uint8_t {
  rmNone = 0,
  rmHalfEven = 1,  // "HALFEVEN"
  rmHalfPos = 2,   // "HALFPOS": halves toward +infinity
  rmHalfNeg = 3,   // "HALFNEG": halves toward -infinity
  rmHalfDown = 4,  // "HALFDOWN": halves toward zero
  rmHalfUp = 5,    // "HALFUP": halves away from zero
  rmRndNeg = 6,    // "RNDNEG": toward -infinity
  rmRndPos = 7,    // "RNDPOS": toward +infinity
  rmRndDown = 8,   // "RNDDOWN": toward zero
  rmRndUp = 9,     // "RNDUP": away from zero
};

// The relative tolerance.
constexpr long double kVexRoundingTolerance = 5.481726184209375e-16L;

// Rounds x to `digits` decimal digits in the mode `mode` (any code above 9 rounds to nearest,
// halves to even, without tolerance). Mode 0 and NaN give x unchanged.
double VexDecimalRound(double x, int32_t digits, int mode);
// Mode code of a keyword (case-insensitive), or -1 for an unknown keyword.
int VexRoundingModeByName(std::string_view name);
