// The conversion routine between storage types: which pairs are defined, and values across
// limits, NULLs, empty text and non-ASCII Windows-1252 letters.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/base/VexFormatSettings.h"
#include "engine/base/VexValueConvert.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/VariantTestValues.h"

namespace {

// One value of each storage type (index = type code).
TVexVariant Sample(int t) {
  switch (t) {
    case 1:
      return VStr("xyz", vstChar);
    case 2:
      return VWStr(u"xyz", vstWideChar);
    case 3:
      return VStr("xyz");
    case 4:
      return VWStr(u"xyz");
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
      return VInt(TVexStorageType(t), 3);
    case 12:
    case 13:
    case 14:
    case 22:
      return VFlt(TVexStorageType(t), 2.5);
    case 15:
      return VDate(738916);
    case 16:
      return VTime(1000);
    case 17:
      return VDateTime(738916, 1000);
    case 18:
      return VBytes("xyz", vstBlob);
    case 19:
      return VBytes("xyz", vstMemo);
    case 20:
      return VBytes(std::string("x\0y\0", 4), vstWideMemo);
    case 21:
      return VBool(true);
    case 23:
      return VBytes("xyz", vstBytes);
    case 24:
      return VBytes("xyz", vstVarBytes);
  }
  return TVexVariant();
}

// A conversion and the bytes it gives; no bytes: the conversion fails with 30051.
struct ConvertCase {
  TVexVariant from;
  TVexStorageType to;
  std::vector<uint8_t> bytes;
};

void CheckConversions(const ConvertCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const ConvertCase& c = cases[i];
    int32_t size = 0;
    try {
      TVexMemoryBlock b =
          VexConvertValue(c.from.ValueData(), c.from.ValueSize(), c.from.StorageType(), c.to, size);
      EXPECT_EQ(std::vector<uint8_t>(b.Data(), b.Data() + size), c.bytes) << "case " << i;
    } catch (const EVexException& e) {
      EXPECT_TRUE(c.bytes.empty()) << "case " << i << ": " << e.Message();
      EXPECT_EQ(e.NativeError(), 30051) << "case " << i;
    }
  }
}

}  // namespace

TEST(VexValueConvert, DefinedPairs) {
  // Rows: source type 1..24; columns: destination 1..24.
  // o converts, f is defined but fails for the sample value (text "xyz"), x is not defined.
  const char* kMatrix[24] = {
      //         1   5     10   15   20   24
      /* 1 */ "oooofffffffffffffoxxofxx",
      /* 2 */ "oooofffffffffffffoxxofxx",
      /* 3 */ "oooofffffffffffffoxxofxx",
      /* 4 */ "oooofffffffffffffoxxofxx",
      /* 5 */ "oooooooooooooooooxxxooxx",
      /* 6 */ "oooooooooooooooooxxxooxx",
      /* 7 */ "oooooooooooooooooxxxooxx",
      /* 8 */ "oooooooooooooooooxxxooxx",
      /* 9 */ "oooooooooooooooooxxxooxx",
      /*10 */ "oooooooooooooooooxxxooxx",
      /*11 */ "oooooooooooooooooxxxooxx",
      /*12 */ "oooooooooooooooooxxxooxx",
      /*13 */ "oooooooooooooooooxxxooxx",
      /*14 */ "oooooooooooooooooxxxooxx",
      /*15 */ "oooooooooooooooooxxxooxx",
      /*16 */ "oooooooooooooooooxxxooxx",
      /*17 */ "oooooooooooooooooxxxooxx",
      /*18 */ "xxxxxxxxxxxxxxxxxoxxxxxx",
      /*19 */ "oooofffffffffffffooxofxx",
      /*20 */ "oooofffffffffffffoxoofxx",
      /*21 */ "ooooooooooooooxxxxxxoxxx",
      /*22 */ "ooooooooooooooxxxxxxooxx",
      /*23 */ "xxxxxxxxxxxxxxxxxxxxxxox",
      /*24 */ "xxxxxxxxxxxxxxxxxxxxxxxo",
  };
  for (int s = 1; s <= 24; ++s) {
    const TVexVariant v = Sample(s);
    for (int d = 1; d <= 24; ++d) {
      const char expected = kMatrix[s - 1][d - 1];
      int32_t size = 0;
      int32_t code = 0;
      try {
        TVexMemoryBlock b = VexConvertValue(v.ValueData(), v.ValueSize(), TVexStorageType(s),
                                            TVexStorageType(d), size);
        EXPECT_GT(size, 0);
      } catch (const EVexException& e) {
        code = e.NativeError();
      }
      const int32_t expectedCode = expected == 'o' ? 0 : expected == 'f' ? 30051 : 30052;
      EXPECT_EQ(code, expectedCode) << "from " << s << " to " << d;
    }
  }
  int32_t size;
  ExpectVexError([&] { VexConvertValue(nullptr, 0, vstUnknown, vstString, size); }, 30052,
                 "Cannot cast from 'Unknown' to 'STRING' - Native error: 30052");
}

TEST(VexValueConvert, TextSources) {
  TVexFormatSettings saved = VexFormatSettings();
  VexFormatSettings().DecimalSeparator = ',';
  const ConvertCase cases[] = {
      {VStr("123"), vstInteger, {123, 0, 0, 0}},
      {VStr(" -129"), vstShortInt, {0x7F}},  // narrowed to the low-order byte
      {VStr("2147483648"), vstInteger, {}},
      {VStr("3000000000"), vstCardinal, {0x00, 0x5E, 0xD0, 0xB2}},
      {VStr("-9223372036854775808"), vstLargeInt, {0, 0, 0, 0, 0, 0, 0, 0x80}},
      {VStr("$FF"), vstWord, {0xFF, 0}},
      {VStr("1.5"), vstFloat, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}},
      {VStr("1,5"), vstFloat, {}},  // whatever the locale's separator
      {VStr("1.5"), vstSingle, {0, 0, 0xC0, 0x3F}},
      {VStr("1,23456"), vstCurrency, {0xFE, 0x43, 0xFA, 0xED, 0xEB, 0xC0, 0xF3, 0x3F}},  // 1.2346
      {VStr("2024-01-31"), vstDate, {0x64, 0x46, 0x0B, 0}},
      {VStr("2024/01/31 23:59:59"), vstDate, {0x64, 0x46, 0x0B, 0}},
      {VStr("31.01.2024"), vstDate, {}},
      {VStr("12:34:56"), vstTime, {0x80, 0x29, 0xB3, 0x02}},
      {VStr("2024-01-31"), vstDateTime, {0x64, 0x46, 0x0B, 0, 0, 0, 0, 0}},
      {VStr("true"), vstLogical, {0xFF, 0xFF}},
      {VStr("1"), vstLogical, {0xFF, 0xFF}},
      {VStr("yes"), vstLogical, {0, 0}},
      {VStr("abc"), vstBlob, {'a', 'b', 'c', 0}},
      {VStr("\xE9t\xE9"), vstWideString, {0xE9, 0, 't', 0, 0xE9, 0, 0, 0}},
      {VStr("\x80"), vstWideChar, {0xAC, 0x20, 0, 0}},  // euro sign
      {VWStr(u"\u20AC\u4E2D"), vstString, {0x80, '?', 0}},
      {VWStr(u"42"), vstInteger, {42, 0, 0, 0}},
      {VWStr(u"TRUE", vstWideChar), vstLogical, {0xFF, 0xFF}},
      {VBytes("hello", vstMemo), vstString, {'h', 'e', 'l', 'l', 'o', 0}},
      {VBytes(std::string("h\0i\0", 4), vstWideMemo), vstWideString, {'h', 0, 'i', 0, 0, 0}},
      {VStr(""), vstString, {0}},  // empty text stays empty text
      {VStr(""), vstInteger, {}},
  };
  CheckConversions(cases, std::size(cases));
  VexFormatSettings() = saved;
}

TEST(VexValueConvert, NumberAndDateSources) {
  TVexFormatSettings saved = VexFormatSettings();
  VexFormatSettings().DecimalSeparator = '.';
  const ConvertCase cases[] = {
      {VInt(vstInteger, INT32_MAX), vstShortInt, {0xFF}},
      {VInt(vstInteger, INT32_MAX), vstByte, {0xFF}},
      {VInt(vstInteger, INT32_MAX),
       vstString,
       {'2', '1', '4', '7', '4', '8', '3', '6', '4', '7', 0}},
      {VInt(vstInteger, INT32_MIN), vstLargeInt, {0, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0xFF}},
      {VInt(vstCardinal, UINT32_MAX), vstLargeInt, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}},
      {VInt(vstCardinal, UINT32_MAX),
       vstString,
       {'4', '2', '9', '4', '9', '6', '7', '2', '9', '5', 0}},
      {VInt(vstWord, 65535), vstSmallInt, {0xFF, 0xFF}},
      {VInt(vstShortInt, -1), vstWideString, {'-', 0, '1', 0, 0, 0}},
      {VInt(vstInteger, 2), vstFloat, {0, 0, 0, 0, 0, 0, 0, 0x40}},
      {VInt(vstInteger, 2), vstCurrency, {0, 0, 0, 0, 0, 0, 0, 0x40}},
      {VInt(vstInteger, 738916), vstDate, {0x64, 0x46, 0x0B, 0}},
      {VInt(vstInteger, 738916), vstDateTime, {0x64, 0x46, 0x0B, 0, 0, 0, 0, 0}},
      {VInt(vstByte, 0), vstLogical, {0, 0}},
      {VInt(vstLargeInt, INT64_MIN), vstLogical, {0xFF, 0xFF}},
      {VFlt(vstFloat, -2.7), vstInteger, {0xFE, 0xFF, 0xFF, 0xFF}},  // toward zero
      {VFlt(vstFloat, 1e30), vstInteger, {}},
      {VFlt(vstFloat, NAN), vstLargeInt, {}},
      {VFlt(vstFloat, 1.5), vstString, {'1', '.', '5', 0}},
      {VFlt(vstFloat, 1e300), vstSingle, {0, 0, 0x80, 0x7F}},  // infinity
      {VFlt(vstSingle, 0.5), vstExtended, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x3F}},
      {VFlt(vstCurrency, 2.71828), vstString, {'2', '.', '7', '1', '8', '3', 0}},
      {VFlt(vstFloat, 0), vstLogical, {0, 0}},
      {VFlt(vstFloat, 738916.9), vstDate, {0x64, 0x46, 0x0B, 0}},
      {VDate(738916), vstString, {'2', '0', '2', '4', '-', '0', '1', '-', '3', '1', 0}},
      {VDate(kVexNullDate), vstString, {0}},
      {VDate(738916), vstInteger, {0x64, 0x46, 0x0B, 0}},
      {VDate(738916), vstTime, {0x64, 0x46, 0x0B, 0}},  // day number modulo 86400000
      {VDate(738916), vstDateTime, {0x64, 0x46, 0x0B, 0, 0, 0, 0, 0}},
      {VDate(738916), vstLogical, {0xFF, 0xFF}},
      {VDate(kVexNullDate), vstLogical, {0, 0}},
      {VTime(45296000), vstString, {'1', '2', ':', '3', '4', ':', '5', '6', 0}},
      {VTime(45296000), vstInteger, {0x80, 0x29, 0xB3, 0x02}},
      {VTime(45296000), vstDateTime, {0x5A, 0x95, 0x0A, 0, 0x80, 0x29, 0xB3, 0x02}},
      {VDateTime(738916, 43200000), vstInteger, {0x64, 0x46, 0x0B, 0}},
      {VDateTime(738916, 43200000), vstFloat, {0, 0, 0, 0, 0x50, 0x21, 0xE6, 0x40}},  // 45322.5
      {VDateTime(kVexNullDate, 0), vstFloat, {0, 0, 0, 0, 0, 0, 0, 0}},
      {VDateTime(kVexNullDate, 0), vstLogical, {0, 0}},
      {VDateTime(kVexNullDate, 5), vstLogical, {0xFF, 0xFF}},
      {VDateTime(738916, 43200000), vstTime, {0x00, 0x2E, 0x93, 0x02}},
      {VDateTime(738916, 43200000), vstDate, {0x64, 0x46, 0x0B, 0}},
      {VDateTime(738916, 43200000), vstString, {'2', '0', '2', '4', '-', '0', '1', '-', '3', '1',
                                                ' ', '1', '2', ':', '0', '0', ':', '0', '0', 0}},
      {VBool(true), vstString, {'T', 'r', 'u', 'e', 0}},
      {VBool(false), vstWideString, {'F', 0, 'a', 0, 'l', 0, 's', 0, 'e', 0, 0, 0}},
      {VBool(true), vstInteger, {1, 0, 0, 0}},
      {VBool(true), vstExtended, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
  };
  CheckConversions(cases, std::size(cases));
  VexFormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(VFlt(vstFloat, 1.5).AsString(), "1,5");
  VexFormatSettings() = saved;
}

TEST(VexValueConvert, NullValuesReadThroughVariants) {
  for (int t = 1; t <= 24; ++t) {
    TVexVariant n{TVexStorageType(t)};
    EXPECT_EQ(n.AsString(), "") << t;
    ExpectVexError([&] { n.AsFloat(); }, 30016);
    ExpectVexError([&] { n.AsLogical(); }, 30016);
  }
}
