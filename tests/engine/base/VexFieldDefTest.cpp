// Field definitions: stored form against bytes written out by hand, derived sizes and the
// record layout, default expressions, and the list operations shared by every definition list.
#include <gtest/gtest.h>

#include "engine/base/VexFieldDef.h"
#include "engine/base/VexIndexDef.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/StoredBytes.h"

// The SQL layer's compiled expression, reduced to what these tests look at.
class TVexExpression {
 public:
  explicit TVexExpression(std::string text) : Text(std::move(text)) {}
  std::string Text;
};

namespace {

// The autoincrement settings of a fresh definition: step 1, initial 0, minimum 0, maximum
// 9223372036854775807, not cycled.
Bytes FreshAutoInc() {
  return Le64(1) + Le64(0) + Le64(0) + Le64(INT64_MAX) + Bytes{0};
}
const Bytes kNullUntypedDefault = {0, 255};

std::unique_ptr<TVexFieldDef> NewField(const char* name, int32_t id, TVexDataType type,
                                       int32_t length = 0) {
  auto def = std::make_unique<TVexFieldDef>();
  def->Name = name;
  def->ObjectID = id;
  def->SetDataType(type, length);
  return def;
}

TEST(VexFieldDef, IntegerFieldStoresAs48Bytes) {
  const Bytes expected =
      Short("ID") + Le32(5) + Bytes{7, 7} + Le32(0) + FreshAutoInc() + kNullUntypedDefault;
  ASSERT_EQ(expected.size(), 48u);
  EXPECT_EQ(Saved(*NewField("ID", 5, vdtInteger)), expected);
}

TEST(VexFieldDef, OnlyBlobStorageStoresTheBlobSettings) {
  auto memoField = NewField("M", 1, vdtMemo);
  TVexFieldDef& memo = *memoField;
  memo.BlobCompressionAlgorithm = 1;
  memo.BlobCompressionMode = 6;
  memo.BlobBlockSize = 4096;
  const Bytes expected = Short("M") + Le32(1) + Bytes{19, 33} + Le32(0) + Bytes{1, 6} + Le32(4096) +
                         FreshAutoInc() + kNullUntypedDefault;
  EXPECT_EQ(Saved(memo), expected);

  // The same settings on an INTEGER field are not stored.
  auto integer = NewField("M", 1, vdtInteger);
  integer->BlobCompressionAlgorithm = 1;
  EXPECT_EQ(Saved(*integer).size(), 1 + 1 + 4 + 1 + 1 + 4 + 33 + 2u);
}

TEST(VexFieldDef, LoadsAStoredStringFieldAndDerivesItsSizes) {
  const Bytes stored = Short("fLicenseDesc") + Le32(12) + Bytes{3, 2} + Le32(20) + Le64(3) +
                       Le64(10) + Le64(-5) + Le64(1000) + Bytes{1} + kNullUntypedDefault;
  TVexFieldDef def;
  LoadFrom(def, stored);
  EXPECT_EQ(def.Name, "fLicenseDesc");
  EXPECT_EQ(def.ObjectID, 12);
  EXPECT_EQ(def.StorageType(), vstString);
  EXPECT_EQ(def.DataType(), vdtString);
  EXPECT_EQ(def.Length(), 20);
  EXPECT_EQ(def.RecordBufferSize(), 21);
  EXPECT_EQ(def.StoredSize(), 21);
  EXPECT_EQ(def.AutoIncStep, 3);
  EXPECT_EQ(def.AutoIncInitial, 10);
  EXPECT_EQ(def.AutoIncMin, -5);
  EXPECT_EQ(def.AutoIncMax, 1000);
  EXPECT_EQ(def.AutoIncCycled, 1);
  EXPECT_EQ(def.BlobBlockSize, TVexFieldDef::kDefaultBlobBlockSize);
  EXPECT_TRUE(def.DefaultValue.IsNull());
  EXPECT_EQ(Saved(def), stored);
}

TEST(VexFieldDef, DefaultValueFollowsInItsStreamForm) {
  auto field = NewField("S", 2, vdtString, 10);
  TVexFieldDef& def = *field;
  def.DefaultValue.Clear(vstString);
  def.DefaultValue.SetAsString("abc");
  const Bytes expected = Short("S") + Le32(2) + Bytes{3, 2} + Le32(10) + FreshAutoInc() +
                         Bytes{3, 0} + Le32(4) + Chars("abc") + Bytes{0};
  EXPECT_EQ(Saved(def), expected);
  TVexFieldDef loaded;
  LoadFrom(loaded, expected);
  EXPECT_EQ(loaded.DefaultValue.StorageType(), vstString);
  EXPECT_EQ(loaded.DefaultValue.AsString(), "abc");
  EXPECT_EQ(loaded.DefaultExpression(), nullptr);  // no compiler registered
}

TEST(VexFieldDef, DefaultsOfANewDefinition) {
  TVexFieldDef def;
  EXPECT_EQ(def.ObjectID, -1);
  EXPECT_EQ(def.Tag, -1);
  EXPECT_EQ(def.FieldNo, 0);
  EXPECT_EQ(def.BlobBlockSize, 102400);
  EXPECT_EQ(def.AutoIncStep, 1);
  EXPECT_EQ(def.AutoIncMax, INT64_MAX);
  EXPECT_TRUE(def.DefaultValue.IsNull());
  EXPECT_EQ(def.DefaultExpression(), nullptr);
}

TEST(VexFieldDef, SetDataTypeDerivesStorageAndSizes) {
  struct Case {
    TVexDataType type;
    int32_t length;
    TVexStorageType storage;
    int32_t bufferSize, storedSize;
  };
  const Case cases[] = {
      {vdtString, 20, vstString, 21, 21},   {vdtWideString, 20, vstWideString, 42, 42},
      {vdtBytes, 20, vstBytes, 21, 21},     {vdtAutoIncLargeInt, 0, vstLargeInt, 8, 8},
      {vdtBlob, 0, vstBlob, 10, 6},         {vdtGuid, 38, vstChar, 39, 39},
      {vdtTimeStamp, 0, vstDateTime, 8, 8}, {vdtExtended, 0, vstExtended, 10, 10},
  };
  for (const Case& c : cases) {
    TVexFieldDef def;
    def.SetDataType(c.type, c.length);
    EXPECT_EQ(def.StorageType(), c.storage) << int(c.type);
    EXPECT_EQ(def.RecordBufferSize(), c.bufferSize) << int(c.type);
    EXPECT_EQ(def.StoredSize(), c.storedSize) << int(c.type);
  }
}

TEST(VexFieldDef, DeclaredTypeWithoutStorageTypeIsRefused) {
  TVexFieldDef def;
  def.SetDataType(vdtInteger, 0);
  ExpectVexError([&] { def.SetDataType(TVexDataType(0), 0); }, 30007,
                 "Unsupported data type 'Unknown' - Native error: 30007");
  ExpectVexError([&] { def.SetDataType(TVexDataType(37), 0); }, 30007);
  EXPECT_EQ(def.DataType(), vdtInteger);  // unchanged after the refusal
}

TEST(VexFieldDef, LayoutOfIntegerAndBlob) {
  TVexFieldDefs defs;
  TVexFieldDef& a = defs.AddFieldDef();
  a.SetDataType(vdtInteger, 0);
  TVexFieldDef& b = defs.AddFieldDef();
  b.SetDataType(vdtBlob, 0);
  defs.CalculateLayout();
  EXPECT_EQ(defs.RecordBufferSize(), 15);
  EXPECT_EQ(defs.StoredRecordSize(), 11);
  EXPECT_EQ(a.RecordBufferOffset(), 1);
  EXPECT_EQ(b.RecordBufferOffset(), 5);
  EXPECT_EQ(b.StoredOffset(), 5);
}

TEST(VexFieldDef, NineFieldsTakeATwoByteBitmap) {
  TVexFieldDefs defs;
  for (int i = 0; i < 9; ++i) defs.AddFieldDef().SetDataType(vdtByte, 0);
  defs.CalculateLayout();
  EXPECT_EQ(defs[0].RecordBufferOffset(), 2);
  EXPECT_EQ(defs.RecordBufferSize(), 2 + 9);
}

TEST(VexFieldDef, DamagedStoredFieldsRaiseEngineErrors) {
  const Bytes head = Short("F") + Le32(1);
  struct Case {
    const char* what;
    Bytes bytes;
    int32_t code;
  };
  const Case cases[] = {
      {"unknown storage type", head + Bytes{99, 7} + Le32(0) + FreshAutoInc() + kNullUntypedDefault,
       30050},
      {"negative text length", head + Bytes{3, 2} + Le32(-2) + FreshAutoInc() + kNullUntypedDefault,
       30054},
      {"text length beyond 32 bits",
       head + Bytes{4, 4} + Le32(INT32_MAX) + FreshAutoInc() + kNullUntypedDefault, 30054},
      {"no default", head + Bytes{7, 7} + Le32(0) + FreshAutoInc(), 10093},
      {"cut in the name", Bytes{5, 'A', 'B'}, 10167},
      {"cut in the object ID", Short("F") + Bytes{1, 0}, 10169},
      {"cut before the storage type", head, 10187},
      {"cut in the autoincrement maximum",
       head + Bytes{7, 7} + Le32(0) + Le64(1) + Le64(0) + Le64(0) + Bytes{1, 2}, 30408},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TVexFieldDef def;
    try {
      LoadFrom(def, c.bytes);
      ADD_FAILURE() << "loaded";
    } catch (const EVexException& e) {
      if (c.code) {
        EXPECT_EQ(e.NativeError(), c.code) << e.Message();
      }
    }
  }
}

TEST(VexFieldDef, ShortReadNamesPositionSizeAndCounts) {
  TVexFieldDef def;
  ExpectVexError(
      [&] {
        LoadFrom(def, Short("F") + Bytes{1, 0});
      },
      10169,
      "Cannot read from stream. Position = 2, Stream size = 4, Block size = 4, "
      "Bytes Read = 2 - Native error: 10169");
}

TEST(VexFieldDef, NameLongerThan255CannotBeStored) {
  TVexFieldDef def;
  def.Name = std::string(256, 'x');
  def.SetDataType(vdtInteger, 0);
  ExpectVexError([&] { Saved(def); }, 10005);
  def.Name.pop_back();
  EXPECT_EQ(Saved(def)[0], 255);
}

TEST(VexFieldDef, AssignCopiesEveryMember) {
  TVexFieldDef source;
  source.Name = "Qty";
  source.ObjectID = 9;
  source.Description = "in memory";
  source.Tag = 4;
  source.SetDataType(vdtAutoIncInteger, 0);
  source.FieldNo = 3;
  source.BlobBlockSize = 7;
  source.AutoIncStep = 2;
  source.AutoIncInitial = 100;
  source.AutoIncMin = 50;
  source.AutoIncMax = 500;
  source.AutoIncCycled = 1;
  TVexFieldDef copy;
  copy.AssignDef(source);
  EXPECT_EQ(Saved(copy), Saved(source));
  EXPECT_EQ(copy.Description, "in memory");
  EXPECT_EQ(copy.Tag, 4);
  EXPECT_EQ(copy.FieldNo, 3);
  EXPECT_EQ(copy.BlobBlockSize, 7);
  EXPECT_EQ(copy.RecordBufferSize(), 4);

  TVexIndexDef other;
  ExpectVexError([&] { copy.AssignDef(other); }, 30035);
}

// A stand-in for the SQL layer's decision: "NOW" is an expression, anything else a value.
TVexOwned<TVexExpression> CompileNowOnly(const std::string& text) {
  if (text != "NOW") return {};
  return MakeOwned<TVexExpression>(std::make_unique<TVexExpression>(text));
}

TEST(VexFieldDef, TextDefaultsBecomeExpressionsWhenTheCompilerSaysSo) {
  SetDefaultExpressionCompiler(CompileNowOnly);
  const Bytes head = Short("D") + Le32(1) + Bytes{3, 2} + Le32(10) + FreshAutoInc();
  auto textDefault = [](const std::string& s) {
    return Bytes{3, 0} + Le32(int32_t(s.size() + 1)) + Chars(s) + Bytes{0};
  };
  TVexFieldDef now;
  LoadFrom(now, head + textDefault("NOW"));
  ASSERT_NE(now.DefaultExpression(), nullptr);
  EXPECT_EQ(now.DefaultExpression()->Text, "NOW");

  TVexFieldDef copy;
  copy.AssignDef(now);
  ASSERT_NE(copy.DefaultExpression(), nullptr);
  EXPECT_NE(copy.DefaultExpression(), now.DefaultExpression());

  TVexFieldDef word;
  LoadFrom(word, head + textDefault("abc"));
  EXPECT_EQ(word.DefaultExpression(), nullptr);

  TVexFieldDef none;
  LoadFrom(none, head + kNullUntypedDefault);
  EXPECT_EQ(none.DefaultExpression(), nullptr);
  SetDefaultExpressionCompiler(nullptr);
}

// ---- List operations, shown on the field list.

TVexFieldDefs& Fill(TVexFieldDefs& defs, std::initializer_list<const char*> names) {
  int32_t id = 1;
  for (const char* name : names) defs.AddDef(NewField(name, id++, vdtInteger));
  return defs;
}

std::string Names(const TVexFieldDefs& defs) {
  std::string s;
  for (int32_t i = 0; i < defs.Count(); ++i) s += (i ? "," : "") + defs[i].Name;
  return s;
}

TEST(VexFieldDefs, LookupByNameIgnoresCaseAndByObjectID) {
  TVexFieldDefs defs;
  Fill(defs, {"fLicenseID", "ID"});
  EXPECT_EQ(defs.IndexOfName("id"), 1);
  EXPECT_EQ(defs.FindByName("FLICENSEID"), &defs[0]);
  EXPECT_EQ(defs.IndexOfName("I"), -1);
  EXPECT_EQ(defs.FindByName("x"), nullptr);
  EXPECT_EQ(defs.IndexOfObjectID(2), 1);
  EXPECT_EQ(defs.FindByObjectID(1), &defs[0]);
  EXPECT_EQ(defs.IndexOfObjectID(-1), -1);

  // Windows-1252 letters outside ASCII are upper-cased too: "\xE9t\xE9" is "été".
  Fill(defs, {"\xC9T\xC9"});
  EXPECT_EQ(defs.IndexOfName("\xE9t\xE9"), 2);
}

TEST(VexFieldDefs, AssignRefusesADuplicateName) {
  TVexFieldDefs source;
  Fill(source, {"A", "a"});
  TVexFieldDefs target;
  ExpectVexError([&] { target.AssignDefs(source); }, 10424,
                 "Duplicate field name a - Native error: 10424");

  TVexFieldDefs good;
  Fill(good, {"A", "B"});
  Fill(target, {"old"});
  target.AssignDefs(good);
  EXPECT_EQ(Names(target), "A,B");
  EXPECT_NE(&target[0], &good[0]);
}

TEST(VexFieldDefs, InsertMoveDeleteReplace) {
  TVexFieldDefs defs;
  Fill(defs, {"A", "B", "C"});
  auto d = std::make_unique<TVexFieldDef>();
  d->Name = "D";
  defs.InsertDef(3, std::move(d));
  EXPECT_EQ(Names(defs), "A,B,C,D");
  defs.MoveDef(3, 0);
  EXPECT_EQ(Names(defs), "D,A,B,C");
  defs.MoveDef(1, 3);
  EXPECT_EQ(Names(defs), "D,B,C,A");
  defs.DeleteDef(1);
  EXPECT_EQ(Names(defs), "D,C,A");
  auto e = std::make_unique<TVexFieldDef>();
  e->Name = "E";
  defs.ReplaceDef(2, std::move(e));
  EXPECT_EQ(Names(defs), "D,C,E");
  defs.ClearDefs();
  EXPECT_EQ(defs.Count(), 0);
}

TEST(VexFieldDefs, WrongPositionsAndForeignDefinitionsAreRefused) {
  TVexFieldDefs defs;
  Fill(defs, {"A"});
  ExpectVexError([&] { defs.GetDef(1); }, 10006,
                 "List index out of bounds (1) - Native error: 10006");
  ExpectVexError([&] { defs.DeleteDef(-1); }, 10006);
  ExpectVexError([&] { defs.MoveDef(0, 1); }, 10006);
  ExpectVexError([&] { defs.InsertDef(2, std::make_unique<TVexFieldDef>()); }, 10006);
  ExpectVexError([&] { defs.AddDef(std::make_unique<TVexIndexDef>()); }, 30035);
  ExpectVexError([&] { defs.AddDef(nullptr); }, 30035);
  EXPECT_EQ(defs.Count(), 1);
}

TEST(VexFieldDefs, BaseListHasNoClassToCreate) {
  TVexMetaObjectDefs base;
  ExpectVexError([&] { base.AddNew(); }, 30339,
                 "The method 'InternalAddCreated' not overrided in class 'TVexMetaObjectDefs' - "
                 "Native error: 30339");
  // A stored empty list loads; a non-empty one needs a class.
  LoadFrom(base, Le32(0));
  ExpectVexError([&] { LoadFrom(base, Le32(1)); }, 30339);
}

TEST(VexFieldDefs, StoredListIsTheCountThenEachDefinition) {
  TVexFieldDefs defs;
  Fill(defs, {"A", "B"});
  TVexFieldDef one;
  one.AssignDef(defs[0]);
  TVexFieldDef two;
  two.AssignDef(defs[1]);
  const Bytes stored = Le32(2) + Saved(one) + Saved(two);
  EXPECT_EQ(Saved(defs), stored);

  TVexFieldDefs loaded;
  Fill(loaded, {"stale"});
  LoadFrom(loaded, stored);
  EXPECT_EQ(Names(loaded), "A,B");
  EXPECT_EQ(loaded[1].ObjectID, 2);

  ExpectVexError([&] { LoadFrom(loaded, Le32(-1)); }, 10391,
                 "Invalid stored definition: definition count = -1 - Native error: 10391");
  ExpectVexError([&] { LoadFrom(loaded, Bytes{1, 0}); }, 10159);
  // A count far beyond the data fails on the first missing definition.
  ExpectVexError([&] { LoadFrom(loaded, Le32(INT32_MAX) + Saved(one)); }, 10166);
}

}  // namespace
