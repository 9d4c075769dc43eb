// The engine exception's message forms and the format routine's argument checks.
#include <gtest/gtest.h>

#include "engine/base/VexExcept.h"

TEST(VexExcept, CodeSuffixOfBothConstructors) {
  struct Case {
    bool fmt;
    int32_t code;
    const char* expected;
  };
  const Case cases[] = {
      {false, 2011, "x - Native error: 02011"},
      {true, 2156, "x - Native error:  2156"},
      {false, 20132, "x - Native error: 20132"},
      {true, 20132, "x - Native error: 20132"},
  };
  for (const Case& c : cases) {
    EVexException e = c.fmt ? EVexException(c.code, "%s", {"x"}) : EVexException(c.code, "x");
    EXPECT_EQ(e.Message(), c.expected);
    EXPECT_EQ(e.NativeError(), c.code);
  }
}

TEST(VexExcept, FormatThatDoesNotFitItsArguments) {
  const struct {
    const char* format;
    std::initializer_list<TVarRec> args;
  } cases[] = {
      {"Table '%s' not found", {}}, {"Table '%s' not found", {42}},
      {"line %d, column %d", {1}},  {"bad %q", {1}},
      {"trailing %", {}},
  };
  for (const auto& c : cases) {
    EVexException e(30063, c.format, c.args);
    EXPECT_EQ(e.Message(), std::string(c.format) + " Arguments are invalid! - Native error: 30063");
  }
}

TEST(VexExcept, FormatFillsPlaceholders) {
  EXPECT_EQ(EVexException(20132, "Table '%s' not found", {"tLicense"}).Message(),
            "Table 'tLicense' not found - Native error: 20132");
  EXPECT_EQ(Format("%d|%5d|%-4d|%.3d|%x|%%", {7, -12, 3, 5, 255}), "7|  -12|3   |005|FF|%");
  EXPECT_EQ(Format("%1:s-%0:s", {"a", "b"}), "b-a");
  EXPECT_EQ(Format("%.2f %n", {1.005e0, 1234567.5}), "1.00 1,234,567.50");
}
