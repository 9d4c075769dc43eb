// Constraint definitions: each class's stored form against bytes written out by hand, the
// list's type bytes, copying with the class kept, and damaged stored constraints.
#include <gtest/gtest.h>

#include "engine/base/VexConstraintDef.h"
#include "engine/base/VexIndexDef.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/StoredBytes.h"

namespace {

// Texts with a 1-byte and a 4-byte prefix that counts the length byte too.
Bytes Text1(const std::string& s) {
  return Bytes{uint8_t(s.size() + 1)} + Short(s);
}
Bytes Text4(const std::string& s) {
  return Le32(int32_t(s.size() + 1)) + Short(s);
}

void SetReferences(TVexConstraintDef& def) {
  def.Name = "nn_fLicenseDesc";
  def.ObjectID = 4;
  def.References[0] = {"", 0};
  def.References[1] = {"tLicense", 11};
  def.References[2] = {"fLicenseDesc", 2};
}

const Bytes kBase = Short("nn_fLicenseDesc") + Le32(4);
const Bytes kIDs = Le32(0) + Le32(11) + Le32(2);

TEST(VexConstraintDef, NotNullStoredForm) {
  TVexConstraintDefNotNull def;
  SetReferences(def);
  const Bytes expected = kBase + kIDs + Text1("") + Text1("tLicense") + Text1("fLicenseDesc");
  EXPECT_EQ(Saved(def), expected);
  TVexConstraintDefNotNull loaded;
  LoadFrom(loaded, expected);
  EXPECT_EQ(loaded.References[1].Name, "tLicense");
  EXPECT_EQ(loaded.References[2].ID, 2);
  EXPECT_EQ(loaded.ConstraintType(), vctNotNull);
}

TEST(VexConstraintDef, CheckStoredFormCarriesBothBounds) {
  // Minimum NULL (LARGEINT), maximum the INTEGER 100.
  const Bytes minimum = {8, 255};
  const Bytes maximum = Bytes{7, 0} + Le32(4) + Le32(100);
  const Bytes stored =
      kBase + kIDs + Text1("") + Text1("tLicense") + Text1("fLicenseDesc") + minimum + maximum;
  TVexConstraintDefCheck def;
  LoadFrom(def, stored);
  EXPECT_TRUE(def.MinValue.IsNull());
  EXPECT_FALSE(def.MaxValue.IsNull());
  EXPECT_EQ(Saved(def), stored);

  EXPECT_EQ(def.MaxValue.AsInteger(), 100);

  TVexConstraintDefCheck copy;
  copy.AssignDef(def);
  EXPECT_EQ(Saved(copy), stored);
  def.MaxValue.SetAsInteger(5);  // the copy is deep
  EXPECT_EQ(copy.MaxValue.AsInteger(), 100);
}

TEST(VexConstraintDef, UniqueAndPrimaryStoredForm) {
  TVexConstraintDefPrimary def;
  SetReferences(def);
  def.Columns = {{"fLicenseID", 1}, {"fTitleString", 2}};
  const Bytes expected = kBase + kIDs + Text4("") + Text4("tLicense") + Text4("fLicenseDesc") +
                         Le32(2) + Le32(1) + Text4("fLicenseID") + Le32(2) + Text4("fTitleString");
  EXPECT_EQ(Saved(def), expected);
  TVexConstraintDefUnique unique;
  LoadFrom(unique, expected);
  ASSERT_EQ(unique.Columns.size(), 2u);
  EXPECT_EQ(unique.Columns[1].FieldName, "fTitleString");
  EXPECT_EQ(unique.Columns[1].FieldID, 2);
  EXPECT_EQ(unique.ConstraintType(), vctUnique);
}

TEST(VexConstraintDefs, ListWritesTheTypeByteAndLoadsTheClassFromIt) {
  TVexConstraintDefs defs;
  SetReferences(defs.AddNotNull());
  defs.AddCheck().Name = "ck";
  defs.AddPrimary().Name = "pk";
  defs.AddUnique().Name = "uq";
  const Bytes stored = Saved(defs);
  EXPECT_EQ(stored, Le32(4) + Bytes{3} + Saved(defs[0]) + Bytes{4} + Saved(defs[1]) + Bytes{0} +
                        Saved(defs[2]) + Bytes{2} + Saved(defs[3]));

  TVexConstraintDefs loaded;
  LoadFrom(loaded, stored);
  ASSERT_EQ(loaded.Count(), 4);
  EXPECT_NE(dynamic_cast<TVexConstraintDefNotNull*>(&loaded[0]), nullptr);
  EXPECT_NE(dynamic_cast<TVexConstraintDefCheck*>(&loaded[1]), nullptr);
  EXPECT_NE(dynamic_cast<TVexConstraintDefPrimary*>(&loaded[2]), nullptr);
  EXPECT_EQ(dynamic_cast<TVexConstraintDefPrimary*>(&loaded[3]), nullptr);
  EXPECT_EQ(loaded[3].ConstraintType(), vctUnique);
  EXPECT_EQ(Saved(loaded), stored);
}

TEST(VexConstraintDefs, UnknownTypeByteIsRefused) {
  TVexConstraintDefs defs;
  ExpectVexError([&] { LoadFrom(defs, Le32(1) + Bytes{1}); }, 30316,
                 "Unknown Constraint Type: '1' - Native error: 30316");
  ExpectVexError([&] { LoadFrom(defs, Le32(1) + Bytes{5}); }, 30316);
  ExpectVexError([&] { LoadFrom(defs, Le32(1)); }, 10220);
}

TEST(VexConstraintDefs, AssignKeepsClassesAndAllowsUnnamedConstraints) {
  TVexConstraintDefs source;
  source.AddNotNull();
  source.AddNotNull();  // both still unnamed
  source.AddPrimary().Columns = {{"a", 1}};
  TVexConstraintDefs copy;
  copy.AssignDefs(source);
  ASSERT_EQ(copy.Count(), 3);
  EXPECT_EQ(Saved(copy), Saved(source));
  EXPECT_NE(dynamic_cast<TVexConstraintDefPrimary*>(&copy[2]), nullptr);
  ExpectVexError([&] { copy.AddNew(); }, 30339);

  TVexIndexDefs indexes;
  indexes.AddIndexDef();
  ExpectVexError([&] { copy.AssignDefs(indexes); }, 30035);
}

TEST(VexConstraintDef, TextsTooLongForTheirPrefixAreRefused) {
  TVexConstraintDefNotNull notNull;
  notNull.References[2].Name = std::string(254, 'f');
  EXPECT_EQ(Saved(notNull).size(), 1 + 4 + 12 + 1 + 1 + 1 + 1 + 1 + 1 + 254u);
  notNull.References[2].Name += 'f';  // 255 characters would need a prefix of 256
  ExpectVexError([&] { Saved(notNull); }, 10005);

  TVexConstraintDefUnique unique;
  unique.Columns = {{std::string(255, 'u'), 1}};
  EXPECT_NO_THROW(Saved(unique));
  unique.Columns[0].FieldName += 'u';
  ExpectVexError([&] { Saved(unique); }, 10005);
}

TEST(VexConstraintDef, DamagedStoredConstraintsRaiseEngineErrors) {
  struct Case {
    const char* what;
    Bytes bytes;
    bool unique;
    int32_t code;
  };
  const Case cases[] = {
      {"1-byte prefix 0", kBase + kIDs + Bytes{0}, false, 10391},
      {"length byte beyond its prefix", kBase + kIDs + Bytes{2, 5, 'a', 'b'}, false, 10391},
      {"4-byte prefix too large", kBase + kIDs + Le32(300), true, 10391},
      {"negative 4-byte prefix", kBase + kIDs + Le32(-1), true, 10391},
      {"negative column count", kBase + kIDs + Text4("") + Text4("") + Text4("") + Le32(-3), true,
       10391},
      {"column count beyond the data",
       kBase + kIDs + Text4("") + Text4("") + Text4("") + Le32(INT32_MAX) + Le32(1), true, 10389},
      {"cut in the IDs", kBase + Le32(0), false, 10389},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TVexConstraintDefUnique unique;
    TVexConstraintDefNotNull notNull;
    ExpectVexError([&] { c.unique ? LoadFrom(unique, c.bytes) : LoadFrom(notNull, c.bytes); },
                   c.code);
  }
}

TEST(VexConstraintDef, PrefixLongerThanItsTextIsSkippedOver) {
  // A text of 1 character kept in a 4-byte slot: the unused byte is skipped.
  TVexConstraintDefNotNull def;
  LoadFrom(def, kBase + kIDs + Bytes{4, 1, 'a', 0, 0} + Text1("") + Text1("x"));
  EXPECT_EQ(def.References[0].Name, "a");
  EXPECT_EQ(def.References[2].Name, "x");
}

}  // namespace
