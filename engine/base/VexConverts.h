// Date and time encodings between the stored forms (day number with day 1 = 0001-01-01,
// milliseconds since midnight) and the date-time value (days since 1899-12-30, time of day
// as the fraction), calendar routines, ISO date text parsing, and the text forms of numbers,
// dates and booleans used by value conversion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Days since 1899-12-30, the time of day as the fraction.
using TDateTime = double;

// Day number of 1899-12-30.
constexpr int32_t kVexDateDelta = 693594;
constexpr int32_t kVexMsPerDay = 86400000;
// The null-date marker of DATE and DATETIME slots.
constexpr int32_t kVexNullDate = INT32_MIN;

// The 8-byte DATETIME slot: day number, then milliseconds.
struct TVexDateTimeRaw {
  int32_t Date = 0;
  int32_t Time = 0;
  bool operator==(const TVexDateTimeRaw&) const = default;
};

// Nearest integer, halves to even, whatever the current rounding mode.
long double RoundHalfEven(long double x);

TDateTime DayNumberToDateTime(int32_t day);
// Truncates toward zero; NaN, infinities and values beyond the 32-bit day range give the
// null-date marker.
int32_t DateTimeToDayNumber(TDateTime value);
TDateTime MsToDateTime(int32_t ms);
// Fraction x 86400000, rounded half to even (0 for NaN and infinities).
int32_t DateTimeToMs(TDateTime value);
TDateTime DateTimeRawToDateTime(const TVexDateTimeRaw& raw);
TVexDateTimeRaw DateTimeToDateTimeRaw(TDateTime value);

// Calendar (proleptic Gregorian, years 1..9999).
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int min, int sec, int ms, TDateTime& result);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& ms);
// Day number (day 1 = 0001-01-01) of a date, and the reverse.
int32_t EncodeDayNumber(int year, int month, int day);
void DecodeDayNumber(int32_t day, int& year, int& month, int& dayOfMonth);
// 1 = Monday ... 7 = Sunday.
int IsoDayOfWeek(TDateTime value);
// 1 = 1 January.
int DayOfYear(TDateTime value);

// ISO texts: "yyyy?mm?dd", "hh?nn?ss", "yyyy?mm?dd?hh?nn?ss" with any single separator
// characters and at most one trailing character. Failure gives nothing, never an exception.
std::optional<TDateTime> TryParseIsoDate(std::string_view text);
std::optional<TDateTime> TryParseIsoTime(std::string_view text);
std::optional<TDateTime> TryParseIsoDateTime(std::string_view text);

// The host's date and time texts (yyyy-mm-dd, hh:nn:ss) and their parses, which also take
// the ISO forms, "hh:nn" and a date-time without seconds.
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value);
std::optional<TDateTime> TryStrToDate(std::string_view text);
std::optional<TDateTime> TryStrToTime(std::string_view text);
std::optional<TDateTime> TryStrToDateTime(std::string_view text);

// Decimal integer text (leading blanks, sign, digits; "$" or "0x" for hex). The 32-bit form
// fails outside the Int32 range.
std::optional<int64_t> TryStrToInt64(std::string_view text);
std::optional<int32_t> TryStrToInt(std::string_view text);
// Floating-point text with "." as the decimal separator whatever the locale.
std::optional<long double> TryStrToFloat(std::string_view text);
// Currency text in the user's conventions, rounded to 1/10000.
std::optional<double> TryStrToCurr(std::string_view text);
// Float text in the user's conventions (decimal separator of the locale), `digits`
// significant digits.
std::string FloatToStr(long double value, int digits = 15);
// Currency text: the value rounded to 1/10000.
std::string CurrToStr(double value);
std::string IntToStr(int64_t value);
std::string UIntToStr(uint64_t value);
// "True" or "False".
std::string BoolToStr(bool value);
