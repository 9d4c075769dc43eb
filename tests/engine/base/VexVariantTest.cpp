// The variant: stream form against written-out bytes, damaged streams, setting and getting,
// buffer exchange and casts.
#include <gtest/gtest.h>

#include "engine/base/VexFormatSettings.h"
#include "engine/base/VexVariant.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/MemoryStreamForTest.h"
#include "tests/engine/base/VariantTestValues.h"

namespace {

std::vector<uint8_t> Saved(const TVexVariant& v) {
  TTestByteStream s;
  v.SaveToStream(s);
  return s.Bytes;
}

TVexVariant Loaded(const std::vector<uint8_t>& bytes) {
  TTestByteStream s(bytes);
  TVexVariant v;
  v.LoadFromStream(s);
  EXPECT_EQ(s.Remaining(), 0);
  return v;
}

}  // namespace

TEST(VexVariant, StreamFormBytes) {
  TVexVariant str(vstString), integer(vstInteger), ext(vstExtended), wide(vstWideString),
      logical(vstLogical), curr(vstCurrency), dt(vstDateTime), nullInt(vstInteger);
  str.SetAsString("abc");
  integer.SetAsInteger(-2);
  ext.SetAsExtended(1.0L);
  wide.SetAsWideString(u"\u00E9");
  logical.SetAsLogical(true);
  curr.SetAsCurrency(1.5);
  dt.SetAsDateTimeRaw({738916, 43200000});
  const struct {
    const TVexVariant* value;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {&str, {3, 0, 4, 0, 0, 0, 'a', 'b', 'c', 0}},
      {&integer, {7, 0, 4, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}},
      {&ext, {14, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {&wide, {4, 0, 4, 0, 0, 0, 0xE9, 0, 0, 0}},
      {&logical, {21, 0, 2, 0, 0, 0, 0xFF, 0xFF}},
      {&curr, {22, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}},
      {&dt, {17, 0, 8, 0, 0, 0, 0x64, 0x46, 0x0B, 0, 0x00, 0x2E, 0x93, 0x02}},
      {&nullInt, {7, 255}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Saved(*c.value), c.bytes) << int(c.value->StorageType());
    TVexVariant back = Loaded(c.bytes);
    EXPECT_EQ(back.StorageType(), c.value->StorageType());
    EXPECT_EQ(back.IsNull(), c.value->IsNull());
    if (!back.IsNull()) {
      EXPECT_EQ(back.Compare(*c.value), 0);
    }
  }
  EXPECT_EQ(Loaded({3, 0, 4, 0, 0, 0, 'a', 'b', 'c', 0}).AsString(), "abc");
  // Any nonzero marker is NULL and ends the entry.
  TVexVariant n = Loaded({7, 1});
  EXPECT_TRUE(n.IsNull());
  EXPECT_EQ(n.StorageType(), vstInteger);
  // An untyped NULL.
  EXPECT_EQ(Saved(TVexVariant()), (std::vector<uint8_t>{0, 255}));
}

TEST(VexVariant, DamagedStreamsRaise) {
  struct Case {
    std::vector<uint8_t> bytes;
    int32_t code;
  };
  const Case cases[] = {
      {{}, TVexVariant::kReadHeaderCode},
      {{7}, TVexVariant::kReadHeaderCode},
      {{7, 0, 4, 0}, TVexVariant::kReadSizeCode},
      {{7, 0, 4, 0, 0, 0, 1, 2}, TVexVariant::kReadValueCode},                // value cut short
      {{3, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}, TVexVariant::kReadValueCode},  // huge size
      {{3, 0, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0}, 30140},                        // negative size
      {{7, 0, 2, 0, 0, 0, 1, 2}, 30140},                                      // INTEGER of 2 bytes
      {{25, 0, 1, 0, 0, 0, 1}, 30140},                                        // unknown type
      {{0, 0, 1, 0, 0, 0, 1}, 30140},                                         // untyped value
      {{200, 255}, 30140},                                                    // unknown type, NULL
      {{3, 0, 3, 0, 0, 0, 'a', 'b', 'c'}, 30140},   // text without terminator
      {{4, 0, 3, 0, 0, 0, 'a', 0, 0}, 30140},       // wide text of odd size
      {{4, 0, 4, 0, 0, 0, 'a', 0, 'b', 0}, 30140},  // wide text without terminator
  };
  for (const Case& c : cases) {
    TTestByteStream s(c.bytes);
    TVexVariant v(vstInteger);
    ExpectVexError([&] { v.LoadFromStream(s); }, c.code);
  }
  // A text entry of size 0 is an empty value, which is NULL.
  EXPECT_TRUE(Loaded({3, 0, 0, 0, 0, 0}).IsNull());
}

TEST(VexVariant, EmptyTextIsNull) {
  for (TVexStorageType t : {vstInteger, vstString, vstWideString}) {
    TVexVariant v(t);
    v.SetAsInteger(7);
    v.SetAsString("");
    EXPECT_TRUE(v.IsNull()) << int(t);
    EXPECT_EQ(v.StorageType(), t);
    EXPECT_EQ(v.AsString(), "");
    EXPECT_EQ(v.AsWideString(), u"");
    ExpectVexError([&] { v.AsInteger(); }, 30016, "Value is Null - Native error: 30016");
    ExpectVexError([&] { v.CheckNotNull(); }, 30016);
  }
}

TEST(VexVariant, SettersConvertIntoTheVariantsType) {
  TVexVariant untyped;
  untyped.SetAsSmallInt(-3);
  EXPECT_EQ(untyped.StorageType(), vstSmallInt);
  TVexVariant s(vstString);
  s.SetAsInteger(42);
  EXPECT_EQ(Bytes(s), (std::vector<uint8_t>{'4', '2', 0}));
  TVexVariant i(vstInteger);
  i.SetAsString("17");
  EXPECT_EQ(i.AsInteger(), 17);
  // A failed conversion leaves the variant unchanged.
  ExpectVexError([&] { i.SetAsString("x17"); }, 30051,
                 "Cannot cast from 'STRING' to 'INTEGER' - Native error: 30051");
  EXPECT_EQ(i.AsInteger(), 17);
  i.SetAsInteger(18);  // same type: overwritten in place
  EXPECT_EQ(i.AsLargeInt(), 18);
  TVexVariant d(vstDate);
  TDateTime date;
  TryEncodeDate(2024, 1, 31, date);
  d.SetAsDateTime(date + 0.5);
  EXPECT_EQ(d.AsDateDays(), 738916);
  EXPECT_EQ(d.AsDate(), date);
  TVexVariant t(vstTime);
  t.SetAsTime(0.5);
  EXPECT_EQ(t.AsTimeMs(), 43200000);
  EXPECT_EQ(t.AsTime(), 0.5);
}

TEST(VexVariant, TextLengthAndKinds) {
  EXPECT_EQ(VStr("abc").TextLength(), 3);
  EXPECT_EQ(VWStr(u"\u00E9t\u00E9").TextLength(), 3);
  EXPECT_EQ(VNull(vstString).TextLength(), -1);
  EXPECT_EQ(VInt(vstInteger, 5).TextLength(), -1);
  EXPECT_TRUE(VWStr(u"x", vstWideChar).IsWideText());
  EXPECT_TRUE(VFlt(vstCurrency, 1).IsNumeric());
  EXPECT_TRUE(VDate(1).IsDateTime());
  EXPECT_TRUE(VBytes("x", vstMemo).IsBlob());
}

TEST(VexVariant, BufferExchange) {
  uint8_t slot[8] = {5, 0, 0, 0, 0xAA, 0xAA, 0xAA, 0xAA};
  TVexVariant borrowed;
  borrowed.SetFromBuffer(slot, 4, false, vstInteger);
  EXPECT_TRUE(borrowed.IsBorrowed());
  slot[0] = 6;  // a borrowed value sees the buffer
  EXPECT_EQ(borrowed.AsInteger(), 6);
  TVexVariant copy;
  copy.SetFromBuffer(slot, 4, true, vstInteger);
  slot[0] = 7;
  EXPECT_EQ(copy.AsInteger(), 6);
  EXPECT_FALSE(copy.IsBorrowed());

  uint8_t out[4] = {};
  EXPECT_TRUE(copy.WriteToBuffer(out, 4));
  EXPECT_EQ(out[0], 6);
  EXPECT_TRUE(copy.WriteToBuffer(out, -1));
  ExpectVexError([&] { copy.WriteToBuffer(out, 3); }, 20056,
                 "Buffer size exceeded - Native error: 20056");
  EXPECT_FALSE(VNull(vstInteger).WriteToBuffer(out, 4));
  EXPECT_FALSE(VStr("").WriteToBuffer(out, 4));  // empty text writes nothing

  // Shallow assignment borrows, deep assignment owns; copies are deep.
  TVexVariant shallow;
  shallow.Assign(copy, false);
  EXPECT_TRUE(shallow.IsBorrowed());
  EXPECT_EQ(shallow.ValueData(), copy.ValueData());
  TVexVariant deep(copy);
  EXPECT_NE(deep.ValueData(), copy.ValueData());
  EXPECT_EQ(deep.AsInteger(), 6);
  TVexVariant moved(std::move(deep));
  EXPECT_TRUE(deep.IsNull());
  EXPECT_EQ(moved.AsInteger(), 6);
}

TEST(VexVariant, ClearSetNullAndCast) {
  TVexVariant v = VInt(vstInteger, 12);
  v.SetNull();
  EXPECT_TRUE(v.IsNull());
  EXPECT_NE(v.ValueData(), nullptr);  // the block is kept
  v.Clear(vstString);
  EXPECT_EQ(v.ValueData(), nullptr);
  EXPECT_EQ(v.StorageType(), vstString);

  TVexVariant n(vstInteger);
  n.CastTo(vstDate);
  EXPECT_TRUE(n.IsNull());
  EXPECT_EQ(n.StorageType(), vstDate);

  TVexVariant s = VStr("2024-01-31");
  s.CastTo(vstDate);
  EXPECT_EQ(s.AsDateDays(), 738916);
  TVexVariant w = VWStr(u"h\u00E9", vstWideMemo);
  w.CastTo(vstString);
  EXPECT_EQ(w.AsString(), "h\xE9");
  TVexVariant blob = VBytes(std::string("a\0b", 3), vstBlob);
  EXPECT_EQ(blob.AsString(), std::string("a\0b", 3));  // a BLOB read as text: its bytes
  ExpectVexError([&] { blob.CastTo(vstString); }, 30052,
                 "Cannot cast from 'BLOB' to 'STRING' - Native error: 30052");
}
