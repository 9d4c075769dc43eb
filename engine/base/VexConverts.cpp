// Date and time encodings, calendar, ISO parsing and text forms of values.
#include "engine/base/VexConverts.h"

#include <locale.h>

#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/base/VexFormatSettings.h"

namespace {

// Day number of 1970-01-01 (for the civil-calendar arithmetic below).
constexpr int64_t kUnixDayNumber = 719163;

// Days since 1970-01-01 of a civil date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = int(doy - (153 * mp + 2) / 5 + 1);
  month = int(mp < 10 ? mp + 3 : mp - 9);
  year = int(yoe + era * 400 + (month <= 2));
}

// Reads `digits` digits at pos; exactly that many must stand there.
bool ReadGroup(std::string_view text, size_t& pos, int digits, int& value) {
  size_t n = 0;
  value = 0;
  while (pos + n < text.size() && std::isdigit(static_cast<unsigned char>(text[pos + n]))) {
    if (n < 9) value = value * 10 + (text[pos + n] - '0');
    ++n;
  }
  if (n != size_t(digits)) return false;
  pos += n;
  return true;
}

// Reads groups of the given widths, each followed by one skipped character; after the last
// group at most one character may remain.
template <size_t N>
bool ReadGroups(std::string_view text, const int (&widths)[N], int (&values)[N]) {
  size_t pos = 0;
  for (size_t i = 0; i < N; ++i) {
    if (!ReadGroup(text, pos, widths[i], values[i])) return false;
    if (i + 1 < N) ++pos;
  }
  return text.size() - pos <= 1;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return loc;
}

// Parses a float text in which `separator` is the decimal separator.
std::optional<long double> ParseFloat(std::string_view text, char separator) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  std::string s;
  for (char c : text) {
    if (c == separator)
      s += '.';
    else if (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == 'e' ||
             c == 'E')
      s += c;
    else
      return std::nullopt;  // also refuses "." when it is not the separator, hex and "inf"
  }
  char* end = nullptr;
  const long double v = strtold_l(s.c_str(), &end, CLocale());
  if (end != s.c_str() + s.size() || end == s.c_str()) return std::nullopt;
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::string Two(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v % 100);
  return b;
}

}  // namespace

long double RoundHalfEven(long double x) {
  const int old = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const long double r = std::nearbyintl(x);
  std::fesetround(old);
  return r;
}

TDateTime DayNumberToDateTime(int32_t day) {
  return double(int64_t(day) - kVexDateDelta);
}

int32_t DateTimeToDayNumber(TDateTime value) {
  // A value that is no number or lies far outside every calendar has no day number: it is
  // stored as the null-date marker rather than converted with undefined results.
  const double days = std::trunc(value);
  if (!(std::fabs(days) < 2147483647.0 - kVexDateDelta)) return kVexNullDate;
  return int32_t(int64_t(days) + kVexDateDelta);
}

TDateTime MsToDateTime(int32_t ms) {
  return double(ms) / kVexMsPerDay;
}

int32_t DateTimeToMs(TDateTime value) {
  if (!std::isfinite(value)) return 0;
  const long double fraction = (long double)value - std::truncl((long double)value);
  return int32_t(RoundHalfEven(fraction * kVexMsPerDay));
}

TDateTime DateTimeRawToDateTime(const TVexDateTimeRaw& raw) {
  return DayNumberToDateTime(raw.Date) + MsToDateTime(raw.Time);
}

TVexDateTimeRaw DateTimeToDateTimeRaw(TDateTime value) {
  return {DateTimeToDayNumber(value), DateTimeToMs(value)};
}

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

int32_t EncodeDayNumber(int year, int month, int day) {
  return int32_t(DaysFromCivil(year, month, day) + kUnixDayNumber);
}

void DecodeDayNumber(int32_t day, int& year, int& month, int& dayOfMonth) {
  CivilFromDays(int64_t(day) - kUnixDayNumber, year, month, dayOfMonth);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  result = DayNumberToDateTime(EncodeDayNumber(year, month, day));
  return true;
}

bool TryEncodeTime(int hour, int min, int sec, int ms, TDateTime& result) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || ms < 0 || ms > 999)
    return false;
  result = double(((hour * 60 + min) * 60 + sec) * 1000 + ms) / kVexMsPerDay;
  return true;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  DecodeDayNumber(DateTimeToDayNumber(value), year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& ms) {
  int32_t t = DateTimeToMs(value);
  if (t < 0) t = -t;
  if (t >= kVexMsPerDay) t = kVexMsPerDay - 1;
  ms = t % 1000;
  t /= 1000;
  sec = t % 60;
  t /= 60;
  min = t % 60;
  hour = t / 60;
}

int IsoDayOfWeek(TDateTime value) {
  // Day number 1 (0001-01-01) was a Monday.
  const int64_t d = int64_t(DateTimeToDayNumber(value)) - 1;
  return int(((d % 7) + 7) % 7) + 1;
}

int DayOfYear(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  return int(EncodeDayNumber(y, m, d) - EncodeDayNumber(y, 1, 1) + 1);
}

std::optional<TDateTime> TryParseIsoDate(std::string_view text) {
  static const int widths[3] = {4, 2, 2};
  int v[3];
  TDateTime r;
  if (!ReadGroups(text, widths, v) || !TryEncodeDate(v[0], v[1], v[2], r)) return std::nullopt;
  return r;
}

std::optional<TDateTime> TryParseIsoTime(std::string_view text) {
  static const int widths[3] = {2, 2, 2};
  int v[3];
  TDateTime r;
  if (!ReadGroups(text, widths, v) || !TryEncodeTime(v[0], v[1], v[2], 0, r)) return std::nullopt;
  return r;
}

std::optional<TDateTime> TryParseIsoDateTime(std::string_view text) {
  static const int widths[6] = {4, 2, 2, 2, 2, 2};
  int v[6];
  TDateTime d, t;
  if (!ReadGroups(text, widths, v) || !TryEncodeDate(v[0], v[1], v[2], d) ||
      !TryEncodeTime(v[3], v[4], v[5], 0, t))
    return std::nullopt;
  return d + t;
}

std::string DateToStr(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  char b[32];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d", y, m, d);
  return b;
}

std::string TimeToStr(TDateTime value) {
  int h, n, s, ms;
  DecodeTime(value, h, n, s, ms);
  return Two(h) + ":" + Two(n) + ":" + Two(s);
}

std::string DateTimeToStr(TDateTime value) {
  return DateToStr(value) + " " + TimeToStr(value);
}

std::optional<TDateTime> TryStrToDate(std::string_view text) {
  return TryParseIsoDate(Trim(text));
}

std::optional<TDateTime> TryStrToTime(std::string_view text) {
  text = Trim(text);
  if (auto t = TryParseIsoTime(text)) return t;
  static const int widths[2] = {2, 2};
  int v[2];
  TDateTime r;
  if (ReadGroups(text, widths, v) && TryEncodeTime(v[0], v[1], 0, 0, r)) return r;
  return std::nullopt;
}

std::optional<TDateTime> TryStrToDateTime(std::string_view text) {
  text = Trim(text);
  if (auto dt = TryParseIsoDateTime(text)) return dt;
  if (auto d = TryParseIsoDate(text)) return d;
  static const int widths[5] = {4, 2, 2, 2, 2};
  int v[5];
  TDateTime d, t;
  if (ReadGroups(text, widths, v) && TryEncodeDate(v[0], v[1], v[2], d) &&
      TryEncodeTime(v[3], v[4], 0, 0, t))
    return d + t;
  return std::nullopt;
}

std::optional<int64_t> TryStrToInt64(std::string_view text) {
  text = TrimLeft(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  uint64_t magnitude = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    if (magnitude > (UINT64_MAX - uint64_t(digit)) / uint64_t(base)) return std::nullopt;
    magnitude = magnitude * uint64_t(base) + uint64_t(digit);
  }
  if (base == 16 && !negative) return int64_t(magnitude);  // hex may fill all 64 bits
  if (negative) {
    if (magnitude > uint64_t(INT64_MAX) + 1) return std::nullopt;
    return int64_t(0 - magnitude);
  }
  if (magnitude > uint64_t(INT64_MAX)) return std::nullopt;
  return int64_t(magnitude);
}

std::optional<int32_t> TryStrToInt(std::string_view text) {
  auto v = TryStrToInt64(text);
  if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
  return int32_t(*v);
}

std::optional<long double> TryStrToFloat(std::string_view text) {
  return ParseFloat(text, '.');
}

std::optional<double> TryStrToCurr(std::string_view text) {
  auto v = ParseFloat(text, VexFormatSettings().DecimalSeparator);
  if (!v) return std::nullopt;
  return double(RoundHalfEven(*v * 10000) / 10000);
}

std::string FloatToStr(long double value, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char b[64];
  std::snprintf(b, sizeof b, "%.*LG", digits, value);
  std::string s = b;
  for (char& c : s)
    if (c == '.') c = VexFormatSettings().DecimalSeparator;
  return s;
}

std::string CurrToStr(double value) {
  if (!std::isfinite(value)) return FloatToStr(value);
  char b[80];
  std::snprintf(b, sizeof b, "%.4Lf", RoundHalfEven((long double)value * 10000) / 10000);
  std::string s = b;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  for (char& c : s)
    if (c == '.') c = VexFormatSettings().DecimalSeparator;
  return s;
}

std::string IntToStr(int64_t value) {
  return std::to_string(value);
}
std::string UIntToStr(uint64_t value) {
  return std::to_string(value);
}
std::string BoolToStr(bool value) {
  return value ? "True" : "False";
}
