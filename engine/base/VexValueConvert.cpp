// Reading, writing and converting values in storage representation.
#include "engine/base/VexValueConvert.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "engine/base/VexExcept.h"
#include "engine/base/VexStrUtils.h"
#include "engine/base/VexTypesRoutines.h"

static_assert(LDBL_MANT_DIG == 64, "EXTENDED needs the x87 80-bit long double");

namespace {

uint64_t ReadLE(const uint8_t* p, int n) {
  uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

void WriteLE(uint8_t* p, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) p[i] = uint8_t(v >> (8 * i));
}

[[noreturn]] void NoCast(TVexStorageType s, TVexStorageType d) {
  throw EVexException(30052, "Cannot cast from '%s' to '%s'",
                      {StorageTypeName(s), StorageTypeName(d)});
}

[[noreturn]] void CastFailed(TVexStorageType s, TVexStorageType d) {
  throw EVexException(30051, "Cannot cast from '%s' to '%s'",
                      {StorageTypeName(s), StorageTypeName(d)});
}

// The value classes that conversion distinguishes.
enum class Kind { Text, Integer, Float, Date, Time, DateTime, Logical, Other };

Kind KindOf(TVexStorageType t) {
  if (IsTextStorageType(t) || t == vstMemo || t == vstWideMemo) return Kind::Text;
  if (IsIntegerStorageType(t)) return Kind::Integer;
  if (IsFloatStorageType(t)) return Kind::Float;
  if (t == vstDate) return Kind::Date;
  if (t == vstTime) return Kind::Time;
  if (t == vstDateTime) return Kind::DateTime;
  if (t == vstLogical) return Kind::Logical;
  return Kind::Other;
}

TVexMemoryBlock FixedBlock(TVexStorageType type, int32_t& size) {
  size = FixedValueSize(type);
  return TVexMemoryBlock(size, true);
}

TVexMemoryBlock IntegerBlock(TVexStorageType type, int64_t v, int32_t& size) {
  TVexMemoryBlock b = FixedBlock(type, size);
  WriteStoredInteger(b.Data(), type, v);
  return b;
}

TVexMemoryBlock FloatBlock(TVexStorageType type, long double v, int32_t& size) {
  TVexMemoryBlock b = FixedBlock(type, size);
  WriteStoredFloat(b.Data(), type, v);
  return b;
}

TVexMemoryBlock Int32Block(TVexStorageType type, int32_t v, int32_t& size) {
  TVexMemoryBlock b = FixedBlock(type, size);
  WriteStoredInt32(b.Data(), v);
  return b;
}

TVexMemoryBlock DateTimeBlock(TVexDateTimeRaw raw, int32_t& size) {
  TVexMemoryBlock b = FixedBlock(vstDateTime, size);
  WriteStoredInt32(b.Data(), raw.Date);
  WriteStoredInt32(b.Data() + 4, raw.Time);
  return b;
}

TVexMemoryBlock LogicalBlock(bool v, int32_t& size) {
  TVexMemoryBlock b = FixedBlock(vstLogical, size);
  WriteLE(b.Data(), v ? 0xFFFF : 0, 2);
  return b;
}

// A text for a text destination; ANSI and wide are converted through the code page.
TVexMemoryBlock TextBlock(TVexStorageType dst, const std::string& ansi, int32_t& size) {
  return IsWideStorageType(dst) ? MakeWideBlock(AnsiToWide(ansi), size) : MakeAnsiBlock(ansi, size);
}

// Truncation toward zero to a 64-bit integer; values outside its range cannot convert.
bool TruncToInt64(long double v, int64_t& out) {
  if (!std::isfinite(v)) return false;
  const long double t = std::truncl(v);
  if (t < -9223372036854775808.0L || t >= 9223372036854775808.0L) return false;
  out = int64_t(t);
  return true;
}

TVexMemoryBlock FromText(const uint8_t* src, int32_t srcSize, TVexStorageType s, TVexStorageType d,
                         int32_t& size) {
  const bool wideSource = IsWideStorageType(s) || s == vstWideMemo;
  if (IsTextStorageType(d)) {
    if (wideSource && IsWideStorageType(d))
      return MakeWideBlock(ReadStoredWide(src, srcSize), size);
    if (!wideSource && !IsWideStorageType(d))
      return MakeAnsiBlock(ReadStoredAnsi(src, srcSize), size);
    if (wideSource) return MakeAnsiBlock(WideToAnsi(ReadStoredWide(src, srcSize)), size);
    return MakeWideBlock(AnsiToWide(ReadStoredAnsi(src, srcSize)), size);
  }
  const std::string text =
      wideSource ? WideToAnsi(ReadStoredWide(src, srcSize)) : ReadStoredAnsi(src, srcSize);
  switch (KindOf(d)) {
    case Kind::Integer: {
      // CARDINAL takes the 64-bit conversion too, so that its values above 2^31 convert.
      const bool wide64 = d == vstLargeInt || d == vstCardinal;
      const std::optional<int64_t> v =
          wide64 ? TryStrToInt64(text) : std::optional<int64_t>(TryStrToInt(text));
      if (!v) CastFailed(s, d);
      return IntegerBlock(d, *v, size);
    }
    case Kind::Float: {
      const auto v =
          d == vstCurrency ? std::optional<long double>(TryStrToCurr(text)) : TryStrToFloat(text);
      if (!v) CastFailed(s, d);
      return FloatBlock(d, *v, size);
    }
    case Kind::Date: {
      auto v = TryParseIsoDateTime(text);
      if (!v) v = TryParseIsoDate(text);
      if (!v) v = TryStrToDate(text);
      if (!v) CastFailed(s, d);
      return Int32Block(d, DateTimeToDayNumber(*v), size);
    }
    case Kind::Time: {
      auto v = TryParseIsoTime(text);
      if (!v) v = TryStrToTime(text);
      if (!v) CastFailed(s, d);
      return Int32Block(d, DateTimeToMs(*v), size);
    }
    case Kind::DateTime: {
      auto v = TryParseIsoDateTime(text);
      if (!v) v = TryParseIsoDate(text);
      if (!v) v = TryStrToDateTime(text);
      if (!v) CastFailed(s, d);
      return DateTimeBlock(DateTimeToDateTimeRaw(*v), size);
    }
    case Kind::Logical: {
      const std::string upper = VexAnsiUpperCase(text);
      return LogicalBlock(upper == "1" || upper == "TRUE", size);
    }
    default:
      if (d == vstBlob) {
        size = int32_t(text.size() + 1);
        return MakeBytesBlock(text.c_str(), size);
      }
      NoCast(s, d);
  }
}

TVexMemoryBlock FromInteger(int64_t v, TVexStorageType s, TVexStorageType d, int32_t& size) {
  switch (KindOf(d)) {
    case Kind::Text:
      if (d == vstMemo || d == vstWideMemo) NoCast(s, d);
      return TextBlock(d, s == vstCardinal ? UIntToStr(uint32_t(v)) : IntToStr(v), size);
    case Kind::Integer:
      return IntegerBlock(d, v, size);
    case Kind::Float:
      return FloatBlock(d, (long double)v, size);
    case Kind::Date:
    case Kind::Time:
      return Int32Block(d, int32_t(uint32_t(uint64_t(v))), size);
    case Kind::DateTime:
      return DateTimeBlock({int32_t(uint32_t(uint64_t(v))), 0}, size);
    case Kind::Logical:
      return LogicalBlock(v != 0, size);
    default:
      NoCast(s, d);
  }
}

TVexMemoryBlock FromFloat(long double v, TVexStorageType s, TVexStorageType d, int32_t& size) {
  int64_t i;
  switch (KindOf(d)) {
    case Kind::Text:
      if (d == vstMemo || d == vstWideMemo) NoCast(s, d);
      if (s == vstCurrency) return TextBlock(d, CurrToStr(double(v)), size);
      return TextBlock(d, FloatToStr(v, s == vstSingle ? 7 : s == vstFloat ? 15 : 18), size);
    case Kind::Integer:
      if (!TruncToInt64(v, i)) CastFailed(s, d);
      return IntegerBlock(d, i, size);
    case Kind::Float:
      return FloatBlock(d, v, size);
    case Kind::Date:
    case Kind::Time:
    case Kind::DateTime:
      // As for integers: the number is the raw day number or millisecond count.
      if (s == vstCurrency) NoCast(s, d);
      if (!TruncToInt64(v, i) || i < INT32_MIN || i > INT32_MAX) CastFailed(s, d);
      if (d == vstDateTime) return DateTimeBlock({int32_t(i), 0}, size);
      return Int32Block(d, int32_t(i), size);
    case Kind::Logical:
      return LogicalBlock(v != 0, size);
    default:
      NoCast(s, d);
  }
}

TVexMemoryBlock FromDateTime(TVexDateTimeRaw raw, TVexStorageType s, TVexStorageType d,
                             int32_t& size) {
  // raw.Date is the day number of DATE and DATETIME; raw.Time the milliseconds of TIME and
  // DATETIME.
  const bool isNullDate =
      s != vstTime && raw.Date == kVexNullDate && (s == vstDate || raw.Time == 0);
  const int32_t number = s == vstTime ? raw.Time : raw.Date;
  switch (KindOf(d)) {
    case Kind::Text: {
      if (d == vstMemo || d == vstWideMemo) NoCast(s, d);
      std::string text;
      if (s == vstDate)
        text = raw.Date == kVexNullDate ? "" : DateToStr(DayNumberToDateTime(raw.Date));
      else if (s == vstTime)
        text = raw.Time == kVexNullDate ? "" : TimeToStr(MsToDateTime(raw.Time));
      else
        text = raw.Date == kVexNullDate ? "" : DateTimeToStr(DateTimeRawToDateTime(raw));
      return TextBlock(d, text, size);
    }
    case Kind::Integer:
      return IntegerBlock(d, number, size);
    case Kind::Float:
      if (s == vstDateTime)
        return FloatBlock(
            d, raw.Date == kVexNullDate ? 0.0L : (long double)DateTimeRawToDateTime(raw), size);
      return FloatBlock(d, number, size);
    case Kind::Date:
      // A time of day lies on the date-time value's day 0, 1899-12-30.
      return Int32Block(d, s == vstTime ? kVexDateDelta : raw.Date, size);
    case Kind::Time:
      return Int32Block(d, s == vstDate ? raw.Date % kVexMsPerDay : raw.Time, size);
    case Kind::DateTime:
      if (s == vstTime) return DateTimeBlock({kVexDateDelta, raw.Time}, size);
      return DateTimeBlock({raw.Date, s == vstDate ? 0 : raw.Time}, size);
    case Kind::Logical:
      return LogicalBlock(s == vstTime ? raw.Time != kVexNullDate : !isNullDate, size);
    default:
      NoCast(s, d);
  }
}

TVexMemoryBlock FromLogical(bool v, TVexStorageType s, TVexStorageType d, int32_t& size) {
  switch (KindOf(d)) {
    case Kind::Text:
      if (d == vstMemo || d == vstWideMemo) NoCast(s, d);
      return TextBlock(d, BoolToStr(v), size);
    case Kind::Integer:
      return IntegerBlock(d, v ? 1 : 0, size);
    case Kind::Float:
      if (d == vstCurrency) NoCast(s, d);
      return FloatBlock(d, v ? 1 : 0, size);
    case Kind::Logical:
      return LogicalBlock(v, size);
    default:
      NoCast(s, d);
  }
}

}  // namespace

int64_t ReadStoredInteger(const uint8_t* p, TVexStorageType type) {
  switch (type) {
    case vstShortInt:
      return int8_t(p[0]);
    case vstSmallInt:
      return int16_t(ReadLE(p, 2));
    case vstInteger:
      return int32_t(ReadLE(p, 4));
    case vstLargeInt:
      return int64_t(ReadLE(p, 8));
    case vstByte:
      return p[0];
    case vstWord:
      return int64_t(ReadLE(p, 2));
    case vstCardinal:
      return int64_t(ReadLE(p, 4));
    default:
      return 0;
  }
}

void WriteStoredInteger(uint8_t* p, TVexStorageType type, int64_t v) {
  WriteLE(p, uint64_t(v), FixedValueSize(type));
}

long double ReadExtended(const uint8_t* p) {
  long double v = 0;
  std::memcpy(&v, p, 10);
  return v;
}

void WriteExtended(uint8_t* p, long double v) {
  std::memcpy(p, &v, 10);
}

long double ReadStoredFloat(const uint8_t* p, TVexStorageType type) {
  switch (type) {
    case vstSingle: {
      const uint32_t bits = uint32_t(ReadLE(p, 4));
      float f;
      std::memcpy(&f, &bits, 4);
      return f;
    }
    case vstFloat:
    case vstCurrency: {
      const uint64_t bits = ReadLE(p, 8);
      double d;
      std::memcpy(&d, &bits, 8);
      return d;
    }
    case vstExtended:
      return ReadExtended(p);
    default:
      return 0;
  }
}

void WriteStoredFloat(uint8_t* p, TVexStorageType type, long double v) {
  switch (type) {
    case vstSingle: {
      // Out of the single range the value becomes an infinity (as the FPU does).
      const float f =
          std::fabs(v) > FLT_MAX && std::isfinite(v) ? (v > 0 ? HUGE_VALF : -HUGE_VALF) : float(v);
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      WriteLE(p, bits, 4);
      break;
    }
    case vstFloat:
    case vstCurrency: {
      const double d =
          std::fabs(v) > DBL_MAX && std::isfinite(v) ? (v > 0 ? HUGE_VAL : -HUGE_VAL) : double(v);
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      WriteLE(p, bits, 8);
      break;
    }
    case vstExtended:
      WriteExtended(p, v);
      break;
    default:
      break;
  }
}

int32_t ReadStoredInt32(const uint8_t* p) {
  return int32_t(ReadLE(p, 4));
}
void WriteStoredInt32(uint8_t* p, int32_t v) {
  WriteLE(p, uint32_t(v), 4);
}

std::string ReadStoredAnsi(const uint8_t* p, int32_t size) {
  const char* c = reinterpret_cast<const char*>(p);
  int32_t n = 0;
  while (n < size && c[n] != 0) ++n;
  return std::string(c, size_t(n));
}

std::u16string ReadStoredWide(const uint8_t* p, int32_t size) {
  std::u16string out;
  for (int32_t i = 0; i + 1 < size; i += 2) {
    const char16_t c = char16_t(p[i] | p[i + 1] << 8);
    if (c == 0) break;
    out += c;
  }
  return out;
}

int32_t FixedValueSize(TVexStorageType type) {
  if (IsTextStorageType(type) || IsBlobStorageType(type) || type == vstBytes ||
      type == vstVarBytes || type == vstUnknown || type > kVexMaxStorageType)
    return 0;
  return StorageTypeSize(type, 0);
}

TVexMemoryBlock MakeAnsiBlock(const std::string& text, int32_t& size) {
  size = int32_t(text.size() + 1);
  TVexMemoryBlock b(size, true);
  std::memcpy(b.Data(), text.data(), text.size());
  return b;
}

TVexMemoryBlock MakeWideBlock(const std::u16string& text, int32_t& size) {
  size = int32_t((text.size() + 1) * 2);
  TVexMemoryBlock b(size, true);
  for (size_t i = 0; i < text.size(); ++i) WriteLE(b.Data() + 2 * i, text[i], 2);
  return b;
}

TVexMemoryBlock MakeBytesBlock(const void* data, int32_t count) {
  TVexMemoryBlock b(count, false);
  std::memcpy(b.Data(), data, size_t(count));
  return b;
}

TVexMemoryBlock VexConvertValue(const uint8_t* src, int32_t srcSize, TVexStorageType s,
                                TVexStorageType d, int32_t& size) {
  if (s == vstUnknown || d == vstUnknown || s > kVexMaxStorageType || d > kVexMaxStorageType)
    NoCast(s, d);
  if (srcSize < 0) {
    if (s == vstChar || s == vstString)
      srcSize = int32_t(std::strlen(reinterpret_cast<const char*>(src)) + 1);
    else if (s == vstWideChar || s == vstWideString)
      srcSize = int32_t(ReadStoredWide(src, INT32_MAX - 1).size() + 1) * 2;
    else
      srcSize = FixedValueSize(s);
  }
  if (s == d) {
    if (srcSize == 0) NoCast(s, d);
    size = srcSize;
    return MakeBytesBlock(src, srcSize);
  }
  if (s == vstBlob || s == vstBytes || s == vstVarBytes || d == vstBytes || d == vstVarBytes ||
      d == vstMemo || d == vstWideMemo)
    NoCast(s, d);
  const int32_t fixed = FixedValueSize(s);
  if (fixed > 0 && srcSize < fixed) CastFailed(s, d);  // a value cut short cannot be read
  switch (KindOf(s)) {
    case Kind::Text:
      return FromText(src, srcSize, s, d, size);
    case Kind::Integer:
      return FromInteger(ReadStoredInteger(src, s), s, d, size);
    case Kind::Float:
      return FromFloat(ReadStoredFloat(src, s), s, d, size);
    case Kind::Date:
      return FromDateTime({ReadStoredInt32(src), 0}, s, d, size);
    case Kind::Time:
      return FromDateTime({0, ReadStoredInt32(src)}, s, d, size);
    case Kind::DateTime:
      return FromDateTime({ReadStoredInt32(src), ReadStoredInt32(src + 4)}, s, d, size);
    case Kind::Logical:
      return FromLogical(ReadLE(src, 2) != 0, s, d, size);
    default:
      NoCast(s, d);
  }
}
