// Exchange of variants with the platform's variant value, both ways.
#include <gtest/gtest.h>

#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/VariantTestValues.h"

TEST(VexVariantPlatform, FromPlatformVariant) {
  struct Case {
    TPlatformVariant value;
    TVexStorageType type;  // of an untyped variant afterwards
  };
  const Case cases[] = {
      {TPlatformVariant::OfInt(varSmallint, -2), vstSmallInt},
      {TPlatformVariant::OfInt(varInteger, 7), vstInteger},
      {TPlatformVariant::OfFloat(varSingle, 1.5), vstSingle},
      {TPlatformVariant::OfFloat(varDouble, 1.5), vstFloat},
      {TPlatformVariant::OfFloat(varCurrency, 1.5), vstCurrency},
      {TPlatformVariant::OfFloat(varDate, 45322.5), vstDateTime},
      {TPlatformVariant::OfOleStr(u"\u00E9"), vstWideString},
      {TPlatformVariant::OfBool(true), vstLogical},
      {TPlatformVariant::OfInt(varShortInt, -1), vstShortInt},
      {TPlatformVariant::OfInt(varByte, 255), vstByte},
      {TPlatformVariant::OfInt(varWord, 65535), vstWord},
      {TPlatformVariant::OfInt(varLongWord, 4294967295), vstCardinal},
      {TPlatformVariant::OfInt(varInt64, INT64_MIN), vstLargeInt},
      {TPlatformVariant::OfString("abc"), vstString},
  };
  for (const Case& c : cases) {
    TVexVariant v;
    v.FromPlatformVariant(c.value);
    EXPECT_EQ(v.StorageType(), c.type) << c.value.VType;
    EXPECT_FALSE(v.IsNull());
    const TPlatformVariant back = v.ToPlatformVariant();
    EXPECT_EQ(back.Int, c.value.Int) << c.value.VType;
    EXPECT_EQ(back.Float, c.value.Float) << c.value.VType;
    EXPECT_EQ(back.Ansi, c.value.Ansi);
    EXPECT_EQ(back.Wide, c.value.Wide);
  }
  // Null keeps the type; a typed variant converts into its own type.
  TVexVariant typed(vstString);
  typed.FromPlatformVariant(TPlatformVariant::OfInt(varInteger, 12));
  EXPECT_EQ(typed.AsString(), "12");
  typed.FromPlatformVariant(TPlatformVariant::Null());
  EXPECT_TRUE(typed.IsNull());
  EXPECT_EQ(typed.StorageType(), vstString);
  TVexVariant v;
  ExpectVexError([&] { v.FromPlatformVariant(TPlatformVariant(varDispatch)); }, 30113,
                 "Unsupported Variant Type 9 - Native error: 30113");
}

TEST(VexVariantPlatform, ToPlatformVariantKinds) {
  struct Case {
    TVexVariant value;
    TVarType kind;
  };
  const Case cases[] = {
      {VNull(vstInteger), varNull},
      {VStr("a", vstChar), varString},
      {VWStr(u"a", vstWideChar), varOleStr},
      {VFlt(vstExtended, 2), varDouble},
      {VFlt(vstCurrency, 2), varDouble},
      {VDate(738916), varDate},
      {VTime(43200000), varDate},
      {VBytes("xy", vstBlob), varString},
      {VBool(false), varBoolean},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value.ToPlatformVariant().VType, c.kind);
  EXPECT_EQ(VTime(43200000).ToPlatformVariant().Float, 0.5);
  EXPECT_EQ(VBytes("xy", vstBlob).ToPlatformVariant().Ansi, "xy");
  for (TVexStorageType t : {vstMemo, vstWideMemo, vstBytes, vstVarBytes}) {
    ExpectVexError([&] { VBytes("x", t).ToPlatformVariant(); }, 30114);
  }
  ExpectVexError([] { VBytes("x", vstMemo).ToPlatformVariant(); }, 30114,
                 "Unsupported Variant Type MEMO - Native error: 30114");
}
