// Comparison of variants across storage types, NULLs, texts and dates; the promotion table.
#include <gtest/gtest.h>

#include "engine/base/VexTypePromotion.h"
#include "engine/base/VexValueCompare.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/VariantTestValues.h"

TEST(VexTypePromotion, OperandOrderDecides) {
  struct Case {
    uint8_t left, right, result;
    bool preferDate;
  };
  const Case cases[] = {
      {vstShortInt, vstWord, vstWord, false},
      {vstWord, vstShortInt, vstInteger, false},
      {vstSmallInt, vstCardinal, vstCardinal, false},
      {vstCardinal, vstSmallInt, vstLargeInt, false},
      {vstChar, vstWideMemo, vstWideChar, false},
      {vstString, vstWideMemo, vstWideString, false},
      {vstMemo, vstMemo, vstChar, false},
      {vstWideMemo, vstWideMemo, vstWideChar, false},
      {vstCurrency, vstSingle, vstSingle, false},
      {vstInteger, vstCurrency, vstCurrency, false},
      {vstDate, vstTime, vstDateTime, false},
      {vstLogical, vstDate, vstUnknown, false},
      {vstBlob, vstBlob, vstUnknown, false},
      {vstBytes, vstBytes, vstUnknown, false},
      {vstString, vstDate, vstString, false},
      {vstString, vstDate, vstDate, true},
      {vstTime, vstWideChar, vstTime, true},
      {vstDateTime, vstChar, vstDateTime, true},
      {vstString, vstInteger, vstString, true},
      {vstUnknown, vstInteger, vstUnknown, false},
      {vstInteger, 25, vstUnknown, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PromoteStorageTypes(TVexStorageType(c.left), TVexStorageType(c.right), c.preferDate),
              c.result)
        << int(c.left) << " " << int(c.right);
}

TEST(VexTypePromotion, DeclaredTypes) {
  EXPECT_EQ(PromoteDataTypes(vdtAutoInc, vdtInteger), vdtAutoInc);  // left has INTEGER storage
  EXPECT_EQ(PromoteDataTypes(vdtSmallInt, vdtAutoInc), vdtAutoInc);
  EXPECT_EQ(PromoteDataTypes(vdtMemo, vdtMemo), vdtChar);
  EXPECT_EQ(PromoteDataTypes(vdtTimeStamp, vdtDate), vdtTimeStamp);
  EXPECT_EQ(PromoteDataTypes(vdtBlob, vdtInteger), vdtUnknown);
}

TEST(VexVariantCompare, PairsOfTypes) {
  struct Case {
    TVexVariant left, right;
    int raw;  // 0 equal, 1 less, 2 greater, 3..5 NULL states
    bool ci = false;
  };
  const Case cases[] = {
      {VNull(vstInteger), VInt(vstInteger, 5), 3},
      {VInt(vstInteger, 5), VNull(vstString), 4},
      {VNull(vstInteger), VNull(vstString), 5},
      {VNull(vstBlob), VInt(vstInteger, 5), 3},  // NULL needs no common type
      {VInt(vstInteger, 1), VInt(vstLargeInt, 2), 1},
      {VInt(vstShortInt, -1), VInt(vstByte, 255), 1},
      {VInt(vstCardinal, UINT32_MAX), VInt(vstInteger, -1), 2},
      {VInt(vstWord, 65535), VInt(vstSmallInt, -1), 2},
      {VInt(vstLargeInt, INT64_MIN), VInt(vstLargeInt, INT64_MAX), 1},
      {VFlt(vstFloat, 1.5), VInt(vstInteger, 2), 1},
      {VFlt(vstCurrency, 2.5), VFlt(vstSingle, 2.5), 0},
      {VFlt(vstExtended, 1e4000L), VFlt(vstFloat, 1e308), 2},
      {VStr("abc"), VWStr(u"ABC"), 0, true},
      {VStr("abc"), VWStr(u"ABC"), 1},
      {VStr("\xE9t\xE9"), VStr("\xC9T\xC9"), 0, true},
      {VStr("\xE9"), VStr("f"), 1},
      {VStr(""), VStr("a"), 1},
      {VStr("10"), VInt(vstInteger, 9), 1},  // compared as text
      {VStr("2024-01-31"), VDate(738916), 0},
      {VDate(738916), VStr("2024-02-01"), 1},
      {VWStr(u"12:00:00"), VTime(43200000), 0},
      {VDate(738916), VDateTime(738916, 1), 1},
      {VTime(1000), VDateTime(693594, 1000), 0},
      {VDateTime(738916, 5), VDateTime(738916, 4), 2},
      {VDate(kVexNullDate), VDate(1), 1},
      {VBool(false), VBool(true), 1},
      {VBool(true), VInt(vstInteger, 1), 0},  // promoted to INTEGER: true is 1
      {VBool(true), VInt(vstInteger, 7), 1},
      {VBytes("abc", vstMemo), VBytes("abd", vstMemo), 1},
      {VBytes(std::string("a\0b\0", 4), vstWideMemo), VStr("a"), 2},
      {VBytes("ab", vstBytes), VBytes("ab", vstBytes), 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(c.left.Compare(c.right, true, false, c.ci), c.raw) << "case " << i;
    const int folded = c.raw == 3 ? 1 : c.raw == 4 ? 2 : c.raw == 5 ? 0 : c.raw;
    EXPECT_EQ(c.left.Compare(c.right, false, false, c.ci), folded) << "case " << i;
  }
}

TEST(VexVariantCompare, LogicalTreatsEveryNonzeroValueAsTrue) {
  const uint8_t one[2] = {1, 0};
  TVexVariant oddTrue;
  oddTrue.SetFromBuffer(one, 2, true, vstLogical);
  EXPECT_EQ(oddTrue.Compare(VBool(true)), 0);
}

TEST(VexVariantCompare, PartialComparesThePrefix) {
  EXPECT_EQ(VStr("abcdef").Compare(VStr("abc"), false, true), 0);
  EXPECT_EQ(VStr("abcdef").Compare(VStr("abd"), false, true), 1);
  EXPECT_EQ(VStr("ab").Compare(VStr("abc"), false, true), 1);
  EXPECT_EQ(VWStr(u"ABCdef").Compare(VWStr(u"abc"), false, true, true), 0);
}

TEST(VexVariantCompare, IncompatibleTypes) {
  ExpectVexError(
      [] { VBytes("x", vstBlob).Compare(VInt(vstInteger, 1)); }, 30044,
      "Cannot compare Incompatible DataTypes: 'BLOB' and 'INTEGER' - Native error: 30044");
  ExpectVexError([] { VStr("x").Compare(VBytes("x", vstBytes)); }, 30044);
  ExpectVexError([] { VBool(true).Compare(VDate(1)); }, 30044);
  ExpectVexError([] { VBytes("x", vstBlob).Compare(VBytes("x", vstBlob)); }, 30047,
                 "Unknown DataType: 'BLOB' - Native error: 30047");
  ExpectVexError([] { VBytes("x", vstVarBytes).Compare(VBytes("x", vstVarBytes)); }, 30047);
  // A text that is no date cannot be compared with a date.
  ExpectVexError([] { VStr("tomorrow").Compare(VDate(1)); }, 30051);
}

TEST(VexVariantCompare, ThreeWayForm) {
  const TVexVariant a = VInt(vstInteger, 1), n = VNull(vstInteger);
  const auto op = [](const TVexVariant& v) {
    return TVexCompareOperand{v.ValueData(), v.ValueSize(), v.StorageType(), v.IsNull()};
  };
  EXPECT_EQ(VexCompareThreeWay(op(n), op(a), false), -1);
  EXPECT_EQ(VexCompareThreeWay(op(a), op(n), false), 1);
  EXPECT_EQ(VexCompareThreeWay(op(n), op(n), false), 0);
}
