// The date format engine: tokenizing, formatting, parsing, lengths and result types.
#include <gtest/gtest.h>

#include "engine/base/VexDateFormat.h"
#include "engine/base/VexFormatSettings.h"
#include "tests/engine/base/ExpectVexError.h"

namespace {

TDateTime At(int y, int m, int d, int h = 0, int n = 0, int s = 0) {
  TDateTime date, time;
  EXPECT_TRUE(TryEncodeDate(y, m, d, date));
  EXPECT_TRUE(TryEncodeTime(h, n, s, 0, time));
  return date + time;
}

}  // namespace

TEST(VexDateFormat, Tokenizing) {
  TDateFormater f("YYYY-MM-DD HH24:NN:SS");
  const std::vector<std::pair<uint8_t, std::string>> expected = {
      {dftYYYY, "YYYY"}, {dftLiteral, "-"}, {dftMM, "MM"},     {dftLiteral, "-"},
      {dftDD, "DD"},     {dftLiteral, " "}, {dftHH24, "HH24"}, {dftLiteral, ":"},
      {dftNN, "NN"},     {dftLiteral, ":"}, {dftSS, "SS"}};
  ASSERT_EQ(f.Tokens().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(f.Tokens()[i].Kind, expected[i].first) << i;
    EXPECT_EQ(f.Tokens()[i].Text, expected[i].second) << i;
  }
  // Longest keyword first, any letter case; quoted text is literal (quotes dropped, the other
  // quote inside is text); unknown letters become literals.
  TDateFormater g("month 'Day\"s' ddd\"x'y\"Dy");
  const std::vector<std::pair<uint8_t, std::string>> expected2 = {{dftMONTH, "month"},
                                                                  {dftLiteral, " Day\"s "},
                                                                  {dftDDD, "ddd"},
                                                                  {dftLiteral, "x'y"},
                                                                  {dftDY, "Dy"}};
  ASSERT_EQ(g.Tokens().size(), expected2.size());
  for (size_t i = 0; i < expected2.size(); ++i) {
    EXPECT_EQ(g.Tokens()[i].Kind, expected2[i].first) << i;
    EXPECT_EQ(g.Tokens()[i].Text, expected2[i].second) << i;
  }
  EXPECT_EQ(TDateFormater("'open").Tokens().size(), 1u);  // unterminated quote: literal
  EXPECT_TRUE(TDateFormater("").Tokens().empty());
}

TEST(VexDateFormat, Formatting) {
  TVexFormatSettings saved = VexFormatSettings();
  VexFormatSettings().LongMonthNames[2] = "March";
  VexFormatSettings().ShortMonthNames[2] = "Mar";
  VexFormatSettings().LongDayNames[0] = "Sunday";
  VexFormatSettings().ShortDayNames[0] = "Sun";
  struct Case {
    const char* format;
    TDateTime value;
    const char* text;
  };
  const Case cases[] = {
      {"YYYY-MM-DD HH24:NN:SS", At(2024, 3, 3, 13, 5, 9), "2024-03-03 13:05:09"},
      {"YY/M/D H24:N:S", At(2005, 3, 3, 7, 5, 9), "05/3/3 7:5:9"},
      {"HH", At(2024, 3, 3, 13, 5), "01"},
      {"HH AMPM", At(2024, 3, 3, 12, 0), "00 PM"},
      {"HH12 AMPM", At(2024, 3, 3, 0, 0), "00 AM"},
      {"H12", At(2024, 3, 3, 23, 0), "11"},
      {"Q RM", At(2024, 12, 1), "4 XII"},
      {"MONTH MON", At(2024, 3, 3), "March Mar"},
      {"DAY DDD DW DY", At(2024, 3, 3), "Sunday Sun 7 63"},
      {"YEAR", At(812, 1, 1), "0812"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TDateFormater(c.format).Format(c.value), c.text) << c.format;
  VexFormatSettings() = saved;
  TDateFormater bad(std::vector<TDateFormatToken>{{27, ""}});
  try {
    bad.Format(0);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unknown DateFormatType");
  }
}

TEST(VexDateFormat, Parsing) {
  struct Case {
    const char* format;
    const char* text;
    TDateTime value;
  };
  const Case cases[] = {
      {"YYYY-MM-DD HH24:NN:SS", "2024-03-03 13:05:09", At(2024, 3, 3, 13, 5, 9)},
      {"YY-MM-DD", "05-01-02", At(2005, 1, 2)},
      {"YY-MM-DD", "75-01-02", At(1975, 1, 2)},
      {"YY-MM-DD", "29-01-02", At(2029, 1, 2)},
      {"D.M.YYYY", "3.12.2024", At(2024, 12, 3)},
      {"D.M.YYYY", "13.2.2024", At(2024, 2, 13)},
      {"HH:NN AMPM", "01:30 pm", At(1899, 12, 30, 13, 30)},
      {"HH:NN AMPM", "01:30 AM", At(1899, 12, 30, 1, 30)},
      {"MON DD YYYY", "Mar 05 2024", 0},  // MON is skipped: no month, so 1899-12-30
      {"Q YYYY", "1 2024", 0},            // quarter 1 gives month 0: the date part is 1899-12-30
      {"Q YYYY", "2 2024", 0},            // no day either
      {"'at' HH24", "at 07", At(1899, 12, 30, 7)},
  };
  for (const Case& c : cases) EXPECT_EQ(TDateFormater(c.format).Parse(c.text), c.value) << c.format;
  ExpectVexError([] { TDateFormater("HH AMPM").Parse("01 XM"); }, 30129,
                 "AM/PM word expected, but 'XM' found - Native error: 30129");
  EXPECT_THROW(TDateFormater("YYYY").Parse("20x4"), EConvertError);
  EXPECT_THROW(TDateFormater("YYYY").Parse(""), EConvertError);
  EXPECT_THROW(TDateFormater("YYYY-MM-DD").Parse("2024-13-01"), EConvertError);
}

TEST(VexDateFormat, LengthAndResultType) {
  EXPECT_EQ(TDateFormater("YYYY-MM-DD").EstimatedLength(), 10);
  EXPECT_EQ(TDateFormater("MONTH DAY RM Q MON DDD").EstimatedLength(), 9 + 12 + 4 + 1 + 3 + 3 + 5);
  EXPECT_EQ(TDateFormater("YYYY-MM-DD").ResultType(), vdtDate);
  EXPECT_EQ(TDateFormater("HH24:NN AMPM").ResultType(), vdtTime);
  EXPECT_EQ(TDateFormater("YYYY HH").ResultType(), vdtDateTime);
  EXPECT_EQ(TDateFormater("'text'").ResultType(), vdtDateTime);
}
