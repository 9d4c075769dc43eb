// Windows-1252 conversion, locale comparison, case mapping, LIKE and unique names.
#include <gtest/gtest.h>

#include "engine/base/VexStrUtils.h"

TEST(VexStrUtils, Windows1252RoundTripsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += char(b);
  const std::u16string wide = AnsiToWide(all);
  ASSERT_EQ(wide.size(), 255u);
  EXPECT_EQ(wide[0x80 - 1], u'\u20AC');  // euro sign
  EXPECT_EQ(wide[0x9F - 1], u'\u0178');  // Y with diaeresis
  EXPECT_EQ(wide[0x81 - 1], u'\u0081');  // unassigned byte keeps its value
  EXPECT_EQ(wide[0xE9 - 1], u'\u00E9');
  EXPECT_EQ(WideToAnsi(wide), all);
  EXPECT_EQ(WideToAnsi(u"\u4E2D\U0001F600x"), "??x");
  EXPECT_EQ(AnsiToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(Utf8ToAnsi("\xC5\x92uvre"), "\x8Cuvre");
}

TEST(VexStrUtils, LocaleComparison) {
  struct Case {
    const char* a;
    const char* b;
    bool ci;
    int count;
    int sign;
  };
  const Case cases[] = {
      {"abc", "abd", false, -1, -1},
      {"abc", "ABC", true, -1, 0},
      {"abc", "ABC", false, -1, -1},            // lower case first
      {"\xE9t\xE9", "\xC9T\xC9", true, -1, 0},  // accented letters fold case
      {"\xE9", "f", false, -1, -1},             // e-acute sorts with e, before f
      {"\xE9", "e", true, -1, 1},               // accents count even without case
      {"a-b", "ab", false, -1, -1},             // punctuation is not ignored
      {"", "a", false, -1, -1},
      {"", "", false, -1, 0},
      {"abcdef", "abcxyz", false, 3, 0},
      {"ab", "abc", false, 3, -1},
  };
  for (const Case& c : cases) {
    const int r = VexAnsiCompare(c.a, c.b, c.ci, c.count);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " " << c.b;
    const int w = VexWideCompare(AnsiToWide(c.a), AnsiToWide(c.b), c.ci, c.count);
    EXPECT_EQ((w > 0) - (w < 0), c.sign) << c.a << " " << c.b;
  }
}

TEST(VexStrUtils, CaseMappingKeepsLength) {
  EXPECT_EQ(VexAnsiUpperCase("abc\xE9\xFF\xDF"), "ABC\xC9\x9F\xDF");  // y-diaeresis -> 0x9F
  EXPECT_EQ(VexAnsiLowerCase("ABC\xC9\x8C"), "abc\xE9\x9C");
  EXPECT_EQ(VexWideUpperCase(u"stra\u00DFe \u03B1"), u"STRA\u00DFE \u0391");
  EXPECT_EQ(VexWideLowerCase(u"\U00010400"), u"\U00010428");  // surrogate pair
}

TEST(VexStrUtils, Like) {
  struct Case {
    const char* value;
    const char* pattern;
    bool escape;
    bool ci;
    bool match;
  };
  const Case cases[] = {
      {"abc", "a%", false, false, true},
      {"abc", "%c", false, false, true},
      {"abc", "a_c", false, false, true},
      {"abc", "%", false, false, true},
      {"", "%", false, false, true},
      {"", "_", false, false, false},
      {"", "", false, false, true},
      {"", "%%", false, false, false},
      {"a", "a%%", false, false, false},
      {"ab", "a%%", false, false, true},
      {"a%c", "a\\%c", true, false, true},
      {"abc", "a\\%c", true, false, false},
      {"a\\bc", "a\\%c", false, false, true},  // escaping off: backslash is literal
      {"abc", "ABC", false, false, false},
      {"abc", "ABC", false, true, true},
      {"\xE9t\xE9", "\xC9T_", false, true, true},
      {"\xE9t\xE9", "et_", false, true, false},
      {"abc", "ab", false, false, false},
      {"ab", "abc", false, false, false},
      {"abcabc", "%b%b%", false, false, true},
      {"a", "a\\", true, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VexAnsiLike(c.value, c.pattern, c.escape, c.ci, '\\'), c.match)
        << c.value << " LIKE " << c.pattern;
    EXPECT_EQ(VexWideLike(AnsiToWide(c.value), AnsiToWide(c.pattern), c.escape, c.ci, u'\\'),
              c.match)
        << c.value << " LIKE " << c.pattern;
  }
}

TEST(VexStrUtils, LikeWithManyPercentSignsStaysFast) {
  const std::string value(2000, 'a');
  const std::string pattern = std::string(40, '%') + "a%a%a%a%a%b";
  EXPECT_FALSE(VexAnsiLike(value, pattern, false, false, '\\'));
  // A very long pattern does not exhaust the stack.
  std::string longPattern;
  for (int i = 0; i < 200000; ++i) longPattern += "%a";
  EXPECT_FALSE(VexAnsiLike(std::string(1000, 'a'), longPattern, false, false, '\\'));
  EXPECT_TRUE(VexAnsiLike(std::string(200000, 'a'), longPattern, false, false, '\\'));
}

TEST(VexStrUtils, UniqueName) {
  for (int i = 0; i < 50; ++i) {
    const std::string name = VexUniqueName("tmp");
    ASSERT_EQ(name.rfind("tmp", 0), 0u);
    const std::string digits = name.substr(3);
    ASSERT_FALSE(digits.empty());
    ASSERT_LE(digits.size(), 6u);
    EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos);
  }
}
