// The cursor's own state: record buffer geometry and trailer, InitRecord, field data in the
// dataset's form, projections, renaming, positions, the active index, filter and range state.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/base/VexCursor.h"
#include "engine/base/VexRecordLayout.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/TestCursor.h"

namespace {

TEST(VexCursor, CreatedClosedWithoutDefinitions) {
  TTestCursor c;
  EXPECT_EQ(c.ActiveIndexID, -1);
  EXPECT_FALSE(c.Bof);
  EXPECT_FALSE(c.Eof);
  EXPECT_FALSE(c.Opened);
  EXPECT_EQ(c.FieldDefs, nullptr);
  EXPECT_FALSE(c.IsRestricted());
  EXPECT_EQ(c.GetIndexDefs().Count(), 0);
}

TEST(VexCursor, RecordBufferGeometry) {
  struct Case {
    const char* what;
    std::vector<std::pair<TVexDataType, int32_t>> fields;
    int32_t firstFieldOffset, dataSize;
  };
  const Case cases[] = {
      {"no fields", {}, 0, 0},
      {"one INTEGER", {{vdtInteger, 0}}, 1, 5},
      {"INTEGER and BLOB", {{vdtInteger, 0}, {vdtBlob, 0}}, 1, 15},
      {"nine BYTEs", std::vector<std::pair<TVexDataType, int32_t>>(9, {vdtByte, 0}), 2, 11},
      {"STRING(20) and WIDESTRING(20)", {{vdtString, 20}, {vdtWideString, 20}}, 1, 64},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    TTestCursor c;
    std::string name = "f";
    for (const auto& [type, length] : k.fields) c.Field((name += "f").c_str(), type, length);
    c.InitFieldDefs();
    EXPECT_EQ(c.FirstFieldOffset, k.firstFieldOffset);
    EXPECT_EQ(c.DataSize, k.dataSize);
    EXPECT_EQ(c.PositionOffset, k.dataSize);
    EXPECT_EQ(c.RecordSizeWithPosition, k.dataSize + 6);
    EXPECT_EQ(c.RecordBufferSize, k.dataSize + 7);
    EXPECT_EQ(c.AllocRecordBuffer().Size(), k.dataSize + 7);
    EXPECT_EQ(c.AllocKeyBuffer().Size(), k.dataSize + 6);
  }
}

TEST(VexCursor, TrailerHoldsRecordIDAndStatus) {
  TTestCursor c;
  c.Field("ID", vdtInteger).InitFieldDefs();
  TVexMemoryBlock buffer = c.AllocRecordBuffer();
  ASSERT_EQ(buffer.Size(), 12);
  c.SetRecordID(buffer.Data(), {1, 2, 3, 4, 5, 6});
  c.SetRecordStatus(buffer.Data(), 3);
  const uint8_t expected[12] = {0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 3};
  EXPECT_EQ(std::memcmp(buffer.Data(), expected, 12), 0);
  EXPECT_EQ(c.GetRecordID(buffer.Data()), (TVexRecordIDBytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(c.GetRecordStatus(buffer.Data()), 3);
}

TEST(VexCursor, InitRecordMakesEveryFieldNullAndClearsTheSlots) {
  TTestCursor c;
  c.Field("ID", vdtInteger).InitFieldDefs();
  TVexMemoryBlock buffer = c.AllocRecordBuffer();
  std::memset(buffer.Data(), 0x5A, 12);
  c.InitRecord(buffer.Data(), true);
  const uint8_t expected[12] = {0xFF, 0, 0, 0, 0, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A};
  EXPECT_EQ(std::memcmp(buffer.Data(), expected, 12), 0);

  TTestCursor nine;
  for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h", "i"}) nine.Field(name, vdtByte);
  nine.InitFieldDefs();
  TVexMemoryBlock b9 = nine.AllocRecordBuffer();
  nine.InitRecord(b9.Data(), false);
  EXPECT_EQ(b9.Data()[0], 0xFF);
  EXPECT_EQ(b9.Data()[1], 0xFF);
  EXPECT_EQ(b9.Data()[2], 0);
}

// A cursor over a table of every fixed-size kind of field, with a record buffer.
class FieldData : public ::testing::Test {
 protected:
  void SetUp() override {
    c.Field("s", vdtString, 5)
        .Field("w", vdtWideString, 3)
        .Field("si", vdtShortInt)
        .Field("b", vdtByte)
        .Field("sm", vdtSmallInt)
        .Field("wo", vdtWord)
        .Field("i", vdtInteger)
        .Field("ca", vdtCardinal)
        .Field("li", vdtLargeInt)
        .Field("asi", vdtAutoIncShortInt)
        .Field("sg", vdtSingle)
        .Field("ex", vdtExtended)
        .Field("fl", vdtFloat)
        .Field("bl", vdtBlob)
        .Field("g", vdtGuid, 38)
        .Field("by", vdtBytes, 3);
    c.InitFieldDefs();
    buffer = c.AllocRecordBuffer();
    c.InitRecord(buffer.Data(), false);
  }
  int32_t No(const char* name) { return c.FieldDefs->IndexOfName(name); }
  uint8_t* Slot(const char* name) {
    return buffer.Data() + (*c.FieldDefs)[No(name)].RecordBufferOffset();
  }
  bool IsNull(const char* name) { return GetNullBit(buffer.Data(), No(name)); }
  TTestCursor c;
  TVexMemoryBlock buffer;
};

TEST_F(FieldData, IntegersTravelInTheDatasetFieldsWidth) {
  struct Case {
    const char* field;
    int64_t value;
    int32_t datasetWidth;
    std::vector<uint8_t> slot;
  };
  const Case cases[] = {
      {"si", -5, 2, {0xFB}},
      {"b", 200, 2, {200}},
      {"sm", -2, 2, {0xFE, 0xFF}},
      {"wo", 65535, 2, {0xFF, 0xFF}},
      {"i", -7, 4, {0xF9, 0xFF, 0xFF, 0xFF}},
      {"ca", 4294967295, 8, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"li", INT64_MIN, 8, {0, 0, 0, 0, 0, 0, 0, 0x80}},
      {"asi", -1, 4, {0xFF}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.field);
    uint8_t in[8] = {};
    std::memcpy(in, &k.value, size_t(k.datasetWidth));  // little-endian host
    c.SetFieldData(No(k.field), in, buffer.Data());
    EXPECT_FALSE(IsNull(k.field));
    EXPECT_EQ(std::vector<uint8_t>(Slot(k.field), Slot(k.field) + k.slot.size()), k.slot);
    uint8_t out[8];
    std::memset(out, 0xEE, 8);
    ASSERT_TRUE(c.GetFieldData(No(k.field), out, buffer.Data()));
    int64_t back = 0;
    std::memcpy(&back, out, size_t(k.datasetWidth));
    if (k.datasetWidth < 8 && k.value < 0) back |= ~int64_t(0) << (8 * k.datasetWidth);
    EXPECT_EQ(back, k.value);
    EXPECT_EQ(out[k.datasetWidth % 8], k.datasetWidth == 8 ? out[0] : 0xEE);  // no overrun
  }
}

TEST_F(FieldData, ShortIntMinusFiveArrivesAsSixteenBits) {
  Slot("si")[0] = 0xFB;
  SetNullBit(buffer.Data(), No("si"), false);
  int16_t out = 0;
  ASSERT_TRUE(c.GetFieldData(No("si"), &out, buffer.Data()));
  EXPECT_EQ(out, -5);
}

TEST_F(FieldData, SingleAndExtendedTravelAsDoubles) {
  for (const char* field : {"sg", "ex", "fl"}) {
    const double in = -2.25;
    c.SetFieldData(No(field), &in, buffer.Data());
    double out = 0;
    ASSERT_TRUE(c.GetFieldData(No(field), &out, buffer.Data()));
    EXPECT_EQ(out, in) << field;
  }
  float stored;
  std::memcpy(&stored, Slot("sg"), 4);
  EXPECT_EQ(stored, -2.25f);
  long double ext = 0;
  std::memcpy(&ext, Slot("ex"), 10);
  EXPECT_EQ(ext, -2.25L);
}

TEST_F(FieldData, EmptyTextSetsNullAndTextStaysInsideItsSlot) {
  c.SetFieldData(No("s"), "abc", buffer.Data());
  EXPECT_FALSE(IsNull("s"));
  char out[6];
  ASSERT_TRUE(c.GetFieldData(No("s"), out, buffer.Data()));
  EXPECT_STREQ(out, "abc");

  c.SetFieldData(No("s"), "", buffer.Data());
  EXPECT_TRUE(IsNull("s"));
  EXPECT_FALSE(c.GetFieldData(No("s"), out, buffer.Data()));

  c.SetFieldData(No("s"), "abcdefgh", buffer.Data());  // longer than STRING(5)
  EXPECT_EQ(std::string(reinterpret_cast<char*>(Slot("s")), 6), std::string("abcde\0", 6));

  const char16_t wide[] = u"xy";
  c.SetFieldData(No("w"), wide, buffer.Data());
  EXPECT_FALSE(IsNull("w"));
  const char16_t empty[] = u"";
  c.SetFieldData(No("w"), empty, buffer.Data());
  EXPECT_TRUE(IsNull("w"));

  c.SetFieldData(No("g"), "", buffer.Data());
  EXPECT_TRUE(IsNull("g"));
  c.SetFieldData(No("i"), nullptr, buffer.Data());
  EXPECT_TRUE(IsNull("i"));
}

TEST_F(FieldData, BytesAreCopiedWholeAndBlobsAreNotCopied) {
  const uint8_t in[4] = {0, 1, 2, 3};
  c.SetFieldData(No("by"), in, buffer.Data());
  uint8_t out[4] = {};
  ASSERT_TRUE(c.GetFieldData(No("by"), out, buffer.Data()));
  EXPECT_EQ(std::memcmp(in, out, 4), 0);

  SetNullBit(buffer.Data(), No("bl"), false);
  EXPECT_TRUE(c.GetFieldData(No("bl"), nullptr, buffer.Data()));
}

TEST_F(FieldData, WrongFieldNumbersAndMissingBuffers) {
  const int32_t n = c.FieldDefs->Count();
  int32_t out;
  ExpectVexError([&] { c.GetFieldData(n, &out, buffer.Data()); }, 10000,
                 "Invalid field number - FieldNo = 16, FieldCount = 16 - Native error: 10000");
  ExpectVexError([&] { c.GetFieldData(-1, &out, buffer.Data()); }, 10000);
  ExpectVexError([&] { c.SetFieldData(n, &out, buffer.Data()); }, 10004);
  ExpectVexError([&] { c.GetFieldData(No("i"), &out, nullptr); }, 10002);
  SetNullBit(buffer.Data(), No("i"), false);
  ExpectVexError([&] { c.GetFieldData(No("i"), nullptr, buffer.Data()); }, 10002,
                 "Error getting field data - FieldNo = 6, MemoryOffset = 22, MemoryDataSize = 4 - "
                 "Native error: 10002");
  TVexVariant v;
  ExpectVexError([&] { c.GetFieldValue(v, n, true); }, 20191);
  ExpectVexError([&] { c.GetFieldValue(v, n, false); }, 10317);
  ExpectVexError([&] { c.SetFieldValue(v, n, buffer.Data(), true); }, 20192);
  ExpectVexError([&] { c.SetFieldValue(v, n, buffer.Data(), false); }, 20193);
  ExpectVexError([&] { c.GetFieldValue(v, 0, true); }, 10001);  // no current record buffer
}

TEST_F(FieldData, NullVariantSetsTheNullBitAndReadsBackNull) {
  c.RecordBuffer = c.AllocRecordBuffer();
  SetNullBit(c.RecordBuffer.Data(), No("i"), false);
  TVexVariant null;
  c.SetFieldValue(null, No("i"), nullptr, true);
  EXPECT_TRUE(GetNullBit(c.RecordBuffer.Data(), No("i")));
  TVexVariant v;
  c.GetFieldValue(v, No("i"), false);
  EXPECT_TRUE(v.IsNull());
}

TEST_F(FieldData, VariantsAreConvertedToTheFieldsStorageType) {
  c.RecordBuffer = c.AllocRecordBuffer();
  uint8_t* current = c.RecordBuffer.Data();
  c.InitRecord(current, false);
  TVexVariant text;
  text.SetAsString("42");
  c.SetFieldValue(text, No("i"), nullptr, true);
  EXPECT_FALSE(GetNullBit(current, No("i")));
  TVexVariant back;
  c.GetFieldValue(back, No("i"), true);
  EXPECT_EQ(back.StorageType(), vstInteger);
  EXPECT_EQ(back.AsInteger(), 42);
  EXPECT_EQ(text.StorageType(), vstString);  // the caller's variant is left as it was

  TVexVariant number;
  number.SetAsInteger(-12);
  c.SetFieldValue(number, No("s"), nullptr, false);
  c.GetFieldValue(back, No("s"), false);
  EXPECT_EQ(back.AsString(), "-12");

  // Into another buffer than the current record.
  c.SetFieldValue(number, No("li"), buffer.Data(), true);
  EXPECT_FALSE(IsNull("li"));
  EXPECT_TRUE(GetNullBit(current, No("li")));

  TVexVariant tooLong;
  tooLong.SetAsString("abcdef");  // STRING(5) holds five characters
  ExpectVexError([&] { c.SetFieldValue(tooLong, No("s"), nullptr, true); }, 20056);
  c.GetFieldValue(back, No("s"), true);  // unchanged by the refusal
  EXPECT_EQ(back.AsString(), "-12");
  TVexVariant shorter;
  shorter.SetAsString("a");
  c.SetFieldValue(shorter, No("s"), nullptr, true);
  EXPECT_EQ(
      std::string(reinterpret_cast<char*>(current + (*c.FieldDefs)[0].RecordBufferOffset()), 6),
      std::string("a\0\0\0\0\0", 6));

  c.GetFieldValue(back, No("li"), true);  // NULL in the current record
  EXPECT_TRUE(back.IsNull());
  EXPECT_EQ(back.StorageType(), vstString);  // NULL keeps the variant's type
}

TEST_F(FieldData, CanonicalizeZeroesWhatFollowsTheTerminator) {
  std::memcpy(Slot("s"), "ab\0zz\0", 6);
  SetNullBit(buffer.Data(), No("s"), false);
  std::memset(Slot("w"), 0x41, 8);  // NULL field with garbage
  std::memset(Slot("i"), 0x41, 4);  // not text: untouched
  c.CanonicalizeRecord(buffer.Data());
  EXPECT_EQ(std::memcmp(Slot("s"), "ab\0\0\0\0", 6), 0);
  EXPECT_EQ(std::vector<uint8_t>(Slot("w"), Slot("w") + 8), std::vector<uint8_t>(8, 0));
  EXPECT_EQ(Slot("i")[3], 0x41);
}

class Projection : public ::testing::Test {
 protected:
  void SetUp() override {
    c.Field("A", vdtInteger).Field("B", vdtSmallInt).Field("C", vdtString, 4).InitFieldDefs();
  }
  std::string VisibleNames() {
    std::string s;
    for (int32_t i = 0; i < c.VisibleFieldDefs->Count(); ++i)
      s += (i ? "," : "") + (*c.VisibleFieldDefs)[i].Name;
    return s;
  }
  TTestCursor c;
};

TEST_F(Projection, VisibleFieldsDefaultToThePhysicalOnes) {
  EXPECT_EQ(VisibleNames(), "A,B,C");
  EXPECT_EQ((*c.VisibleFieldDefs)[2].FieldNo, 2);
  EXPECT_FALSE(c.VisibleFieldsGiven);
}

TEST_F(Projection, RenamesAreMadeUnique) {
  c.SetProjection({"A", "B"}, {"X", "X"});
  EXPECT_EQ(VisibleNames(), "X,X_1");
  c.SetProjection({"A", "B", "C", "a"}, {"X", "X", "x", ""});
  EXPECT_EQ(VisibleNames(), "X,X_1,x_2,A");
  EXPECT_TRUE(c.VisibleFieldsGiven);
  c.InitFieldDefs();  // a given visible list is kept
  EXPECT_EQ(VisibleNames(), "X,X_1,x_2,A");
}

TEST_F(Projection, VisibleFieldsReadTheirPhysicalField) {
  c.SetProjection({"C", "B"}, {"", "Second"});
  EXPECT_EQ(VisibleNames(), "C,Second");
  EXPECT_EQ((*c.VisibleFieldDefs)[1].FieldNo, 1);
  TVexMemoryBlock buffer = c.AllocRecordBuffer();
  c.InitRecord(buffer.Data(), false);
  const int16_t in = -300;
  c.SetFieldData(1, &in, buffer.Data());  // visible 1 is physical B
  EXPECT_FALSE(GetNullBit(buffer.Data(), 1));
  EXPECT_TRUE(GetNullBit(buffer.Data(), 2));
  int16_t out = 0;
  ASSERT_TRUE(c.GetFieldData(1, &out, buffer.Data()));
  EXPECT_EQ(out, -300);
}

TEST_F(Projection, BadProjectionsAreRefused) {
  ExpectVexError(
      [&] {
        c.SetProjection({"A"}, {"X", "Y"});
      },
      10321, "Error - different lists length. L1 = 1, L2 = 2 - Native error: 10321");
  ExpectVexError([&] { c.SetProjection({}, {}); }, 10322,
                 "No fields were specified while setting projection - Native error: 10322");
  ExpectVexError(
      [&] {
        c.SetProjection({"A", "Z"}, {"", ""});
      },
      10323, "Cannot find field Z - Native error: 10323");
  EXPECT_EQ(VisibleNames(), "A,B,C");  // unchanged after a refusal
}

TEST_F(Projection, RenameField) {
  c.RenameField("b", "Beta");
  EXPECT_EQ(VisibleNames(), "A,Beta,C");
  c.RenameField("BETA", "beta");  // only the case changes
  EXPECT_EQ(VisibleNames(), "A,beta,C");
  ExpectVexError([&] { c.RenameField("Z", "Y"); }, 30345,
                 "Field 'Z' not found - Native error: 30345");
  ExpectVexError([&] { c.RenameField("A", "c"); }, 30346,
                 "Cannot rename field 'A'. Field 'c' already exists - Native error: 30346");
}

TEST(VexCursor, ConstraintsAreCopiedFromTheTable) {
  TTestCursor c;
  c.Field("A", vdtInteger);
  c.TableConstraints.AddNotNull().References[2] = {"A", 1};
  c.InitFieldDefs();
  ASSERT_EQ(c.ConstraintDefs->Count(), 1);
  EXPECT_NE(&(*c.ConstraintDefs)[0], &c.TableConstraints[0]);
  EXPECT_EQ((*c.ConstraintDefs)[0].References[2].Name, "A");
}

TEST(VexCursor, IndexNameSelectsTheActiveIndex) {
  TTestCursor c;
  TVexIndexDef& ix = c.GetIndexDefs().AddIndexDef();
  ix.Name = "ixID";
  ix.ObjectID = 12;
  c.SetIndexName("IXID");
  EXPECT_EQ(c.ActiveIndexID, 12);
  EXPECT_TRUE(c.HasActiveIndex());
  c.SetIndexName("none");
  EXPECT_EQ(c.IndexName, "none");
  EXPECT_EQ(c.ActiveIndexID, -1);
}

TEST(VexCursor, SavedPositionRestoresFlagsAndRecordID) {
  TTestCursor c;
  c.Bof = true;
  c.CurrentRecordID = {9, 8, 7, 6, 5, 4};
  TVexMemoryBlock saved = c.SavePosition();
  ASSERT_EQ(saved.Size(), 8);
  const uint8_t expected[8] = {1, 0, 9, 8, 7, 6, 5, 4};
  EXPECT_EQ(std::memcmp(saved.Data(), expected, 8), 0);
  c.Bof = false;
  c.Eof = true;
  c.CurrentRecordID = {};
  c.RestorePosition(saved);
  EXPECT_TRUE(c.Bof);
  EXPECT_FALSE(c.Eof);
  EXPECT_EQ(c.CurrentRecordID, (TVexRecordIDBytes{9, 8, 7, 6, 5, 4}));
  c.FreePosition(saved);
  EXPECT_FALSE(saved);
}

TEST(VexCursor, RangeAndFilterState) {
  TTestCursor c;
  c.Field("ID", vdtInteger).InitFieldDefs();
  TVexMemoryBlock key = c.AllocKeyBuffer();
  key.Data()[1] = 42;
  c.SetRangeBuffers(key.Data(), nullptr, true, false, 1, 1);
  key.Data()[1] = 0;  // the range keeps its own copy
  ASSERT_TRUE(c.RangeStart);
  EXPECT_EQ(c.RangeStart.Data()[1], 42);
  EXPECT_FALSE(c.RangeEnd);
  EXPECT_TRUE(c.RangeEndExclusive);
  EXPECT_TRUE(c.HasRange());
  EXPECT_TRUE(c.IsRestricted());
  EXPECT_FALSE(c.HasFilter());
  c.ClearRange();
  EXPECT_FALSE(c.HasRange());
  EXPECT_FALSE(c.IsRestricted());

  c.KeyFieldCount = 1;
  EXPECT_TRUE(c.HasKeyFields());
  EXPECT_TRUE(c.IsRestricted());
  c.KeyFieldCount = 0;
  c.RecordFilter = [](const uint8_t*) { return true; };
  EXPECT_TRUE(c.HasFilter());
  c.RecordFilter = nullptr;
  int dummy;
  c.SetConditionExpression(reinterpret_cast<TVexExpression*>(&dummy));
  EXPECT_TRUE(c.HasFilter());
  c.SetConditionExpression(nullptr);
  EXPECT_FALSE(c.IsRestricted());
}

}  // namespace
