// Index definitions: stored form against bytes written out by hand, the temporary indexes a
// list leaves out, building columns from lists, and the search for an index that fits fields.
#include <gtest/gtest.h>

#include "engine/base/VexFieldDef.h"
#include "engine/base/VexIndexDef.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/StoredBytes.h"

namespace {

TEST(VexIndexDef, StoredFormOfATwoColumnIndex) {
  TVexIndexDef def;
  def.Name = "ixTitles";
  def.ObjectID = 3;
  def.Kind = 1;
  def.Unique = 1;
  def.RootPage = 41;
  def.SetColumnCount(2);
  def.Columns[0] = {"fLicenseID", 0, 0, 0};
  def.Columns[1] = {"fTitleString", 1, 1, 20};
  def.Temporary = 255;  // never stored
  def.ChangeCounter = 9;
  const Bytes expected = Short("ixTitles") + Le32(3) + Bytes{1, 1, 0} + Le32(2) + Le32(41) +
                         Short("fLicenseID") + Bytes{0, 0} + Le32(0) + Short("fTitleString") +
                         Bytes{1, 1} + Le32(20);
  EXPECT_EQ(Saved(def), expected);

  TVexIndexDef loaded;
  loaded.Temporary = 255;
  LoadFrom(loaded, expected);
  EXPECT_EQ(loaded.Name, "ixTitles");
  EXPECT_EQ(loaded.Kind, 1);
  EXPECT_TRUE(loaded.IsUnique());
  EXPECT_EQ(loaded.RootPage, 41);
  EXPECT_EQ(loaded.Temporary, 0);
  ASSERT_EQ(loaded.ColumnCount(), 2);
  EXPECT_EQ(loaded.Columns[1].FieldName, "fTitleString");
  EXPECT_EQ(loaded.Columns[1].PrefixLength, 20);
  EXPECT_EQ(Saved(loaded), expected);
}

TEST(VexIndexDef, DefaultsAndColumnCount) {
  TVexIndexDef def;
  EXPECT_EQ(def.RootPage, -1);
  EXPECT_EQ(def.OwnerSessionID, -1);
  EXPECT_FALSE(def.IsUnique());
  def.SetColumnCount(3);
  def.Columns[2].FieldName = "c";
  def.SetColumnCount(1);
  def.SetColumnCount(2);
  EXPECT_EQ(def.Columns[1].FieldName, "");
  def.Primary = 1;
  EXPECT_TRUE(def.IsUnique());
}

TEST(VexIndexDef, DamagedStoredIndexesRaiseEngineErrors) {
  const Bytes head = Short("ix") + Le32(1) + Bytes{0, 0, 0};
  struct Case {
    const char* what;
    Bytes bytes;
    int32_t code;
  };
  const Case cases[] = {
      {"negative column count", head + Le32(-1) + Le32(-1), 10391},
      {"more columns than stored",
       head + Le32(1000000) + Le32(-1) + Short("a") + Bytes{0, 0} + Le32(0), 10358},
      {"cut in the root page", head + Le32(0) + Bytes{1}, 10353},
      {"cut in a prefix length", head + Le32(1) + Le32(-1) + Short("a") + Bytes{0, 0, 1}, 20168},
  };
  for (const Case& c : cases) {
    TVexIndexDef def;
    ExpectVexError([&] { LoadFrom(def, c.bytes); }, c.code);
  }
}

TEST(VexIndexDefs, TemporaryIndexesAreNotStored) {
  TVexIndexDefs defs;
  for (const char* name : {"a", "tmp", "b"}) {
    TVexIndexDef& d = defs.AddIndexDef();
    d.Name = name;
    d.Temporary = std::string(name) == "tmp" ? 255 : 0;
  }
  const Bytes stored = Saved(defs);
  EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 4), Le32(2));
  EXPECT_EQ(stored, Le32(2) + Saved(defs[0]) + Saved(defs[2]));

  TVexIndexDefs loaded;
  LoadFrom(loaded, stored);
  ASSERT_EQ(loaded.Count(), 2);
  EXPECT_EQ(loaded.GetIndexDef(1).Name, "b");
}

TEST(VexIndexDef, ColumnsFromLists) {
  TVexIndexDef def;
  def.SetColumns({"a", "b", "c"}, {"DESC", "ASC", ""}, {"NO_CASE", "CASE", "desc"});
  ASSERT_EQ(def.ColumnCount(), 3);
  EXPECT_EQ(def.Columns[0].Descending, 1);
  EXPECT_EQ(def.Columns[0].CaseInsensitive, 1);
  EXPECT_EQ(def.Columns[1].Descending, 0);
  EXPECT_EQ(def.Columns[1].CaseInsensitive, 0);
  EXPECT_EQ(def.Columns[2].Descending, 0);
  for (const auto& c : def.Columns) EXPECT_EQ(c.PrefixLength, 20);
  ExpectVexError([&] { def.SetColumns({"a"}, {}, {""}); }, 10278,
                 "Error - different lists length. L1 = 1, L2 = 0 - Native error: 10278");
  ExpectVexError([&] { def.SetColumns({"a"}, {""}, {"", ""}); }, 10279);
}

// A table with a text field t, an integer field n, and these indexes (object IDs in brackets):
// [1] (t DESC, n) case-sensitive, [2] (t NO_CASE) temporary of session 7, [3] (n NO_CASE, t).
class IndexLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    fields.AddFieldDef().Name = "t";
    fields[0].SetDataType(vdtString, 10);
    fields.AddFieldDef().Name = "n";
    fields[1].SetDataType(vdtInteger, 0);
    Add(1, {{"T", 1, 0}, {"n", 0, 0}}, 0, -1);
    Add(2, {{"t", 0, 1}}, 255, 7);
    Add(3, {{"n", 0, 1}, {"t", 0, 0}}, 0, -1);
  }
  void Add(int32_t id, std::vector<TVexIndexColumn> columns, int32_t temporary, int32_t owner) {
    TVexIndexDef& d = indexes.AddIndexDef();
    d.ObjectID = id;
    d.Columns = std::move(columns);
    d.Temporary = temporary;
    d.OwnerSessionID = owner;
  }
  int32_t Find(std::vector<std::string> names, std::vector<std::string> dirs,
               std::vector<std::string> cases, int32_t session = 0) {
    return indexes.FindIndexForFields(names, dirs, cases, fields, session);
  }
  TVexFieldDefs fields;
  TVexIndexDefs indexes;
};

TEST_F(IndexLookup, FirstIndexThatFitsWins) {
  struct Case {
    std::vector<std::string> names, dirs, cases;
    int32_t session, expected;
  };
  const Case cases[] = {
      {{"t"}, {""}, {""}, 0, 1},                      // any direction, any case
      {{"T", "N"}, {"DESC", "ASC"}, {"", ""}, 0, 1},  // names compared without case
      {{"t"}, {"ASC"}, {""}, 0, -1},                  // [1] is descending, [2] belongs to session 7
      {{"t"}, {"ASC"}, {""}, 7, 2},                   // ... but fits its own session
      {{"t"}, {""}, {"NO_CASE"}, 7, 2},               // [1] is case-sensitive
      {{"t"}, {""}, {"CASE"}, 7, 1},                  // [2] is case-insensitive on a text field
      {{"n"}, {""}, {"CASE"}, 0, 3},                  // CASE does not rule out a non-text column
      {{"n"}, {""}, {"NO_CASE"}, 0, 3},
      {{"n", "t"}, {"", ""}, {"", "NO_CASE"}, 0, -1},        // [3]'s t is case-sensitive
      {{"t", "n", "x"}, {"", "", ""}, {"", "", ""}, 0, -1},  // no index has three columns
      {{"x"}, {""}, {""}, 0, -1},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(Find(c.names, c.dirs, c.cases, c.session), c.expected) << "case " << i;
  }
}

TEST_F(IndexLookup, ListsOfDifferentLengthAreRefused) {
  ExpectVexError(
      [&] {
        Find({"t", "n"}, {""}, {"", ""});
      },
      10276, "Error - different lists length. L1 = 2, L2 = 1 - Native error: 10276");
  ExpectVexError([&] { Find({"t"}, {""}, {}); }, 10277);
}

}  // namespace
