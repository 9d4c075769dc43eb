// Decimal rounding in every mode, with digits on both sides of the point.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/base/VexDecimalRounding.h"

TEST(VexDecimalRounding, Modes) {
  struct Case {
    double x;
    int digits;
    int mode;
    double expected;
  };
  const Case cases[] = {
      {2.5, 0, rmHalfEven, 2},
      {3.5, 0, rmHalfEven, 4},
      {-2.5, 0, rmHalfEven, -2},
      {2.345, 2, rmHalfEven, 2.34},
      {2.355, 2, rmHalfEven, 2.36},
      {2.346, 2, rmHalfEven, 2.35},
      {2.5, 0, rmHalfPos, 3},
      {-2.5, 0, rmHalfPos, -2},
      {2.5, 0, rmHalfNeg, 2},
      {-2.5, 0, rmHalfNeg, -3},
      {2.5, 0, rmHalfDown, 2},
      {-2.5, 0, rmHalfDown, -2},
      {2.5, 0, rmHalfUp, 3},
      {-2.5, 0, rmHalfUp, -3},
      {1.005, 2, rmHalfUp, 1.01},
      {2.1, 0, rmRndNeg, 2},
      {-2.1, 0, rmRndNeg, -3},
      {3.0, 0, rmRndNeg, 3},
      {2.1, 0, rmRndPos, 3},
      {-2.1, 0, rmRndPos, -2},
      {0.3, 1, rmRndPos, 0.3},
      {-2.7, 0, rmRndDown, -2},
      {2.7, 0, rmRndDown, 2},
      {-2.1, 0, rmRndUp, -3},
      {2.0000000001, 0, rmRndUp, 3},
      {25, -1, rmHalfEven, 20},
      {35, -1, rmHalfEven, 40},
      {1234.5678, -2, rmHalfEven, 1200},
      {1234.5678, 3, rmHalfEven, 1234.568},
      {2.5, 0, 42, 2},  // other codes: nearest, halves to even
      {2.7, 0, rmNone, 2.7},
      {1e300, 400, rmHalfEven, 1e300},
      {5e10, -400, rmHalfUp, 0},
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(VexDecimalRound(c.x, c.digits, c.mode), c.expected)
        << c.x << " digits " << c.digits << " mode " << c.mode;
  EXPECT_TRUE(std::isnan(VexDecimalRound(NAN, 2, rmHalfUp)));
  // Huge digit counts end quickly.
  EXPECT_EQ(VexDecimalRound(1.25, INT32_MAX, rmHalfEven), 1.25);
  EXPECT_EQ(VexDecimalRound(1.25, INT32_MIN, rmHalfEven), 0);
}

TEST(VexDecimalRounding, KeywordNames) {
  EXPECT_EQ(VexRoundingModeByName("HALFEVEN"), 1);
  EXPECT_EQ(VexRoundingModeByName("halfup"), 5);
  EXPECT_EQ(VexRoundingModeByName("RNDUP"), 9);
  EXPECT_EQ(VexRoundingModeByName("UP"), -1);
}
