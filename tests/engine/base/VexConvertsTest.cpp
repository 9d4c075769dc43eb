// Date and time encodings, ISO parsing and the text forms of numbers.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/base/VexConverts.h"
#include "engine/base/VexFormatSettings.h"

TEST(VexConverts, DayNumbers) {
  struct Case {
    int y, m, d;
    int32_t day;
  };
  const Case cases[] = {
      {1, 1, 1, 1},          {1899, 12, 30, 693594},  {1970, 1, 1, 719163},
      {2000, 2, 29, 730179}, {9999, 12, 31, 3652059}, {1600, 3, 1, 584083},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeDayNumber(c.y, c.m, c.d), c.day) << c.y;
    TDateTime dt;
    ASSERT_TRUE(TryEncodeDate(c.y, c.m, c.d, dt));
    EXPECT_EQ(DateTimeToDayNumber(dt), c.day);
    EXPECT_EQ(DayNumberToDateTime(c.day), dt);
    int y, m, d;
    DecodeDayNumber(c.day, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
  }
  TDateTime dt;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, dt));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, dt));
  EXPECT_FALSE(TryEncodeDate(2023, 13, 1, dt));
}

TEST(VexConverts, TimeEncodings) {
  TDateTime noon;
  ASSERT_TRUE(TryEncodeTime(12, 0, 0, 0, noon));
  EXPECT_EQ(DateTimeToMs(noon), 43200000);
  EXPECT_EQ(MsToDateTime(43200000), 0.5);
  EXPECT_EQ(DateTimeToMs(1.0 - 1e-12), 86400000);  // rounds to the full day, no carry
  // 1/2048 day is exactly 42187.5 ms and 3/2048 is 126562.5 ms: halves go to even.
  EXPECT_EQ(DateTimeToMs(1.0 / 2048), 42188);
  EXPECT_EQ(DateTimeToMs(3.0 / 2048), 126562);
  TDateTime t;
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, t));
  // 8-byte DATETIME: 2024-01-31 06:00 both ways.
  TDateTime d;
  ASSERT_TRUE(TryEncodeDate(2024, 1, 31, d));
  const TVexDateTimeRaw raw{EncodeDayNumber(2024, 1, 31), 21600000};
  EXPECT_EQ(DateTimeToDateTimeRaw(d + 0.25), raw);
  EXPECT_EQ(DateTimeRawToDateTime(raw), d + 0.25);
  int h, n, s, ms;
  DecodeTime(d + 0.25 + 1.0 / 86400, h, n, s, ms);
  EXPECT_EQ(h * 10000 + n * 100 + s, 60001);
}

TEST(VexConverts, ValuesOutsideTheCalendar) {
  for (double v : {double(NAN), double(INFINITY), -double(INFINITY), 1e300, -3e9}) {
    EXPECT_EQ(DateTimeToDayNumber(v), kVexNullDate) << v;
    const int32_t ms = DateTimeToMs(v);
    EXPECT_TRUE(ms >= -kVexMsPerDay && ms <= kVexMsPerDay) << v;
  }
  EXPECT_EQ(DateTimeToDayNumber(-693593.5), 1);  // 0001-01-01 12:00 before the epoch
  EXPECT_EQ(DateTimeToMs(-0.25), -21600000);     // the fraction keeps its sign
}

TEST(VexConverts, WeekdayAndDayOfYear) {
  TDateTime d;
  ASSERT_TRUE(TryEncodeDate(2024, 3, 3, d));  // a Sunday
  EXPECT_EQ(IsoDayOfWeek(d), 7);
  EXPECT_EQ(IsoDayOfWeek(d + 1), 1);
  EXPECT_EQ(DayOfYear(d), 31 + 29 + 3);
}

TEST(VexConverts, IsoParsing) {
  struct Case {
    const char* text;
    int kind;  // 0 date, 1 time, 2 date-time
    bool ok;
  };
  const Case cases[] = {
      {"2024-01-31", 0, true},
      {"2024/01/31", 0, true},
      {"2024.01.31Z", 0, true},
      {"20240131", 0, false},
      {"2024-1-31", 0, false},
      {"2024-01-31xx", 0, false},
      {"2024-02-30", 0, false},
      {"2024-01", 0, false},
      {"", 0, false},
      {"12:34:56", 1, true},
      {"12:34", 1, false},
      {"24:00:00", 1, false},
      {"2024-01-31 12:34:56", 2, true},
      {"2024-01-31T12:34:56Z", 2, true},
      {"2024-01-31", 2, false},
      {"2024-01-31 1:34:56", 2, false},
  };
  for (const Case& c : cases) {
    std::optional<TDateTime> r = c.kind == 0   ? TryParseIsoDate(c.text)
                                 : c.kind == 1 ? TryParseIsoTime(c.text)
                                               : TryParseIsoDateTime(c.text);
    EXPECT_EQ(r.has_value(), c.ok) << c.text;
  }
  TDateTime expected;
  TryEncodeDate(2024, 1, 31, expected);
  EXPECT_EQ(*TryParseIsoDate("2024/01/31"), expected);
  EXPECT_EQ(DateTimeToMs(*TryParseIsoDateTime("2024-01-31 12:34:56")), 45296000);
}

TEST(VexConverts, IntegerTexts) {
  EXPECT_EQ(TryStrToInt("  -42"), -42);
  EXPECT_EQ(TryStrToInt("2147483647"), INT32_MAX);
  EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
  EXPECT_FALSE(TryStrToInt("2147483648"));
  EXPECT_EQ(TryStrToInt("$FF"), 255);
  EXPECT_EQ(TryStrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_FALSE(TryStrToInt64("9223372036854775808"));
  for (const char* bad : {"", "-", "1.5", "12 ", "abc", "1e3"})
    EXPECT_FALSE(TryStrToInt64(bad)) << bad;
}

TEST(VexConverts, FloatTextsIgnoreTheLocaleWhenParsing) {
  TVexFormatSettings saved = VexFormatSettings();
  for (char separator : {'.', ','}) {
    VexFormatSettings().DecimalSeparator = separator;
    EXPECT_EQ(TryStrToFloat("1.5"), 1.5L);
    EXPECT_FALSE(TryStrToFloat("1,5"));
    EXPECT_EQ(TryStrToFloat(" -2.5E3 "), -2500.0L);
  }
  for (const char* bad : {"", ".", "inf", "nan", "0x1p3", "1.5.2", "e5"})
    EXPECT_FALSE(TryStrToFloat(bad)) << bad;
  // Float to text uses the locale's separator.
  VexFormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(1.5L), "1,5");
  EXPECT_EQ(CurrToStr(2.71828), "2,7183");
  EXPECT_EQ(TryStrToCurr("2,71828"), 2.7183);
  VexFormatSettings() = saved;
  VexFormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(FloatToStr(0.1L), "0.1");
  EXPECT_EQ(FloatToStr(100.0L), "100");
  EXPECT_EQ(CurrToStr(-0.00001), "0");
  EXPECT_EQ(CurrToStr(1234.5), "1234.5");
  VexFormatSettings() = saved;
}

TEST(VexConverts, DateTexts) {
  TDateTime d;
  TryEncodeDate(2024, 1, 31, d);
  EXPECT_EQ(DateToStr(d), "2024-01-31");
  EXPECT_EQ(TimeToStr(0.75), "18:00:00");
  EXPECT_EQ(DateTimeToStr(d + 0.75), "2024-01-31 18:00:00");
  EXPECT_EQ(TryStrToDateTime("2024-01-31 18:00:00"), d + 0.75);
  EXPECT_EQ(TryStrToDateTime("2024-01-31 18:00"), d + 0.75);
  EXPECT_EQ(TryStrToTime("18:00"), 0.75);
  EXPECT_FALSE(TryStrToDate("31 January"));
}
