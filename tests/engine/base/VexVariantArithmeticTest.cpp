// Variant arithmetic: wrap-around, promotion by operand order, NULLs, dates, logical values,
// division errors and negation.
#include <gtest/gtest.h>

#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/VariantTestValues.h"

TEST(VexVariantArithmetic, Add) {
  struct Case {
    TVexVariant left, right;
    TVexVariant expected;  // type and value
  };
  const Case cases[] = {
      {VInt(vstInteger, INT32_MAX), VInt(vstInteger, 1), VInt(vstInteger, INT32_MIN)},
      {VInt(vstShortInt, 1), VInt(vstWord, 2), VInt(vstWord, 3)},
      {VInt(vstWord, 2), VInt(vstShortInt, 1), VInt(vstInteger, 3)},
      {VInt(vstByte, 255), VInt(vstByte, 1), VInt(vstByte, 0)},
      {VInt(vstLargeInt, INT64_MAX), VInt(vstLargeInt, 1), VInt(vstLargeInt, INT64_MIN)},
      {VFlt(vstFloat, 0.5), VInt(vstInteger, 2), VFlt(vstFloat, 2.5)},
      {VFlt(vstCurrency, 1.25), VInt(vstSmallInt, 1), VFlt(vstCurrency, 2.25)},
      {VStr("ab"), VStr("cd"), VStr("abcd")},
      {VStr("a"), VInt(vstInteger, 1), VStr("a1")},
      {VStr("\xE9"), VWStr(u"\u20AC"), VWStr(u"\u00E9\u20AC", vstWideString)},
      {VStr("x"), VStr(""), VStr("x")},
      {VBytes("ab", vstMemo), VBytes("c", vstMemo), VStr("abc", vstChar)},
      {VDate(738916), VInt(vstInteger, 1), VDate(738917)},
      {VTime(1000), VTime(500), VTime(1500)},
      {VDateTime(738916, 86399999), VDateTime(0, 2), VDateTime(738917, 1)},
      {VDateTime(1, 86000000), VDateTime(1, 86000000), VDateTime(3, 85600000)},
      {VBool(false), VBool(true), VBool(true)},
      {VBool(false), VBool(false), VBool(false)},
      // NULLs: a text left operand ignores a NULL right one and takes a right one when NULL.
      {VStr("abc"), VNull(vstInteger), VStr("abc")},
      {VInt(vstInteger, 5), VNull(vstInteger), VNull(vstInteger)},
      {VNull(vstString), VStr("abc"), VStr("abc")},
      {VNull(vstInteger), VInt(vstInteger, 5), VNull(vstInteger)},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    TVexVariant v(cases[i].left);
    v.Add(cases[i].right);
    EXPECT_EQ(v.StorageType(), cases[i].expected.StorageType()) << "case " << i;
    EXPECT_EQ(v.IsNull(), cases[i].expected.IsNull()) << "case " << i;
    if (!v.IsNull() && !cases[i].expected.IsNull()) {
      EXPECT_EQ(Bytes(v), Bytes(cases[i].expected)) << "case " << i;
    }
  }
}

TEST(VexVariantArithmetic, MultiplyDivideSubtract) {
  struct Case {
    char op;
    TVexVariant left, right, expected;
  };
  const Case cases[] = {
      {'*', VInt(vstInteger, 65536), VInt(vstInteger, 65536), VInt(vstInteger, 0)},
      {'*', VInt(vstSmallInt, -3), VFlt(vstFloat, 0.5), VFlt(vstFloat, -1.5)},
      {'*', VBool(false), VBool(true), VBool(true)},  // logical OR
      {'*', VDate(10), VDate(3), VDate(30)},
      {'*', VNull(vstInteger), VInt(vstInteger, 2), VNull(vstInteger)},
      {'*', VInt(vstInteger, 2), VNull(vstFloat), VNull(vstInteger)},
      {'/', VInt(vstInteger, 7), VInt(vstInteger, -2), VInt(vstInteger, -3)},  // truncating
      {'/', VInt(vstInteger, INT32_MIN), VInt(vstInteger, -1), VInt(vstInteger, INT32_MIN)},
      {'/', VInt(vstLargeInt, INT64_MIN), VInt(vstLargeInt, -1), VInt(vstLargeInt, INT64_MIN)},
      {'/', VInt(vstCardinal, UINT32_MAX), VInt(vstCardinal, 2), VInt(vstCardinal, 2147483647)},
      {'/', VFlt(vstFloat, 1), VInt(vstInteger, 4), VFlt(vstFloat, 0.25)},
      {'/', VBool(false), VBool(false), VBool(false)},
      {'-', VInt(vstInteger, 5), VInt(vstInteger, 7), VInt(vstInteger, -2)},
      {'-', VDate(738916), VInt(vstInteger, 16), VDate(738900)},
      {'-', VFlt(vstFloat, 1), VFlt(vstCurrency, 0.25), VFlt(vstCurrency, 0.75)},
      {'-', VStr("a"), VNull(vstInteger), VStr("a")},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    TVexVariant v(c.left);
    if (c.op == '*') v.Multiply(c.right);
    if (c.op == '/') v.Divide(c.right);
    if (c.op == '-') v.Subtract(c.right);
    EXPECT_EQ(v.StorageType(), c.expected.StorageType()) << "case " << i;
    EXPECT_EQ(v.IsNull(), c.expected.IsNull()) << "case " << i;
    if (!v.IsNull() && !c.expected.IsNull()) {
      EXPECT_EQ(Bytes(v), Bytes(c.expected)) << "case " << i;
    }
  }
}

TEST(VexVariantArithmetic, Errors) {
  struct Case {
    char op;
    TVexVariant left, right;
    int32_t code;
    const char* message;
  };
  const Case cases[] = {
      {'/', VInt(vstInteger, 1), VInt(vstInteger, 0), 30128,
       "Division error: Division by zero - Native error: 30128"},
      {'/', VFlt(vstFloat, 1), VFlt(vstFloat, 0), 30128,
       "Division error: Floating point division by zero - Native error: 30128"},
      {'/', VFlt(vstFloat, 0), VInt(vstInteger, 0), 30128,
       "Division error: Invalid floating point operation - Native error: 30128"},
      {'/', VDate(1), VDate(0), 30128, nullptr},
      {'*', VStr("a"), VStr("b"), 30126,
       "Not numeric argument in numeric operator '*' - Native error: 30126"},
      {'/', VStr("a"), VInt(vstInteger, 1), 30127,
       "Not numeric argument in numeric operator '/' - Native error: 30127"},
      {'+', VBytes("a", vstBlob), VStr("b"), 30124,
       "Not numeric argument in numeric operator '+' - Native error: 30124"},
      {'+', VBool(true), VDate(1), 30124, nullptr},
      {'+', VBytes("a", vstBytes), VBytes("b", vstBytes), 30124, nullptr},
      {'+', VStr("x"), VDate(1), 0, nullptr},             // text + date concatenates: no error
      {'+', VInt(vstInteger, 1), VStr("x"), 0, nullptr},  // INTEGER + STRING gives STRING
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    TVexVariant v(c.left);
    const auto run = [&] {
      if (c.op == '+') v.Add(c.right);
      if (c.op == '*') v.Multiply(c.right);
      if (c.op == '/') v.Divide(c.right);
    };
    if (c.code == 0) {
      EXPECT_NO_THROW(run()) << "case " << i;
      continue;
    }
    ExpectVexError(run, c.code, c.message ? c.message : "");
    EXPECT_EQ(Bytes(v), Bytes(c.left)) << "left operand unchanged, case " << i;
  }
}

TEST(VexVariantArithmetic, Negate) {
  struct Case {
    TVexVariant value, expected;
  };
  const Case cases[] = {
      {VInt(vstInteger, 5), VInt(vstInteger, -5)},
      {VInt(vstInteger, INT32_MIN), VInt(vstInteger, INT32_MIN)},
      {VInt(vstShortInt, -128), VInt(vstShortInt, -128)},
      {VInt(vstByte, 200), VInt(vstByte, 56)},  // as signed -56
      {VInt(vstWord, 1), VInt(vstWord, 65535)},
      {VInt(vstCardinal, 0), VInt(vstCardinal, 0)},
      {VFlt(vstExtended, 2.5), VFlt(vstExtended, -2.5)},
      {VFlt(vstCurrency, -1), VFlt(vstCurrency, 1)},
      {VDate(738916), VDate(-738916)},
      {VBool(true), VBool(false)},
      {VBool(false), VBool(true)},
      {VNull(vstTime), VNull(vstTime)},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    TVexVariant v(cases[i].value);
    v.Negate();
    EXPECT_EQ(v.StorageType(), cases[i].expected.StorageType()) << "case " << i;
    EXPECT_EQ(v.IsNull(), cases[i].expected.IsNull()) << "case " << i;
    if (!v.IsNull()) {
      EXPECT_EQ(Bytes(v), Bytes(cases[i].expected)) << "case " << i;
    }
  }
  TVexVariant c = VInt(vstCardinal, 5);
  ExpectVexError([&] { c.Negate(); }, 30125);
  for (TVexVariant v : {VTime(1), VDateTime(1, 1), VStr("a"), VBytes("a", vstBlob)}) {
    ExpectVexError([&] { v.Negate(); }, 30123);
  }
  TVexVariant t = VTime(1);
  ExpectVexError([&] { t.Negate(); }, 30123,
                 "Cannot invert value with not numeric type 'TIME' - Native error: 30123");
}
