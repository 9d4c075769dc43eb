// The four constraint kinds as a row is inserted or updated, their messages, answering false
// instead of raising, constraint names and constraints derived from unique indexes.
#include <gtest/gtest.h>

#include "engine/base/VexConstraintDef.h"
#include "engine/base/VexConstraintManager.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/MemoryTableFixture.h"

namespace {

// Table T (A INTEGER, B INTEGER, C INTEGER).
class ConstraintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f.AddField("A", vdtInteger);
    f.AddField("B", vdtInteger);
    f.AddField("C", vdtInteger);
  }
  TVexConstraintDefUnique& Key(TVexConstraintDefUnique& c, const char* name, const char* index,
                               std::vector<std::string> columns) {
    c.Name = name;
    c.References[2].Name = index;
    for (const std::string& column : columns) c.Columns.push_back({column, -1});
    return c;
  }
  bool Check(const TMemTableFixture::TRow& row, bool raise = true) {
    f.NewRow(row);
    return f.Table->ConstraintManager->CheckRecord(0, f.Cursor.RecordBuffer.Data(), true,
                                                   f.Cursor.CurrentRecordID, raise);
  }
  TMemTableFixture f;
};

TEST_F(ConstraintTest, PrimaryKeyRejectsAllNullThenDuplicates) {
  f.AddIndex("PK_AB", {"A", "B"}, true).Primary = 1;
  Key(f.Constraints.AddPrimary(), "PK", "PK_AB", {"A", "B"});
  f.Open();
  ExpectVexError(
      [&] {
        Check({std::nullopt, std::nullopt});
      },
      30330,
      "Constraint 'PK' violated. Value in field 'A,B' cannot be null - Native error: "
      "30330");
  EXPECT_TRUE(Check({std::nullopt, 1}));  // one NULL column goes on to the duplicate test
  f.Insert({std::nullopt, 1});
  ExpectVexError(
      [&] {
        Check({std::nullopt, 1});
      },
      30319, "Primary Key constraint 'PK' violated. Duplicate found. - Native error: 30319");
  EXPECT_TRUE(Check({1, 1}));
  EXPECT_FALSE(Check({std::nullopt, 1}, false));
  EXPECT_FALSE(Check({std::nullopt, std::nullopt}, false));
}

TEST_F(ConstraintTest, UniqueOnInsertAndUpdate) {
  f.AddIndex("U_A", {"A"}, true);
  Key(f.Constraints.AddUnique(), "UA", "U_A", {"A"});
  f.Open();
  f.Insert({1});
  f.Insert({2});
  ExpectVexError([&] { f.Insert({2}); }, 30320,
                 "Constraint unique 'UA' violated. Duplicate found. - Native error: 30320");
  EXPECT_EQ(f.Table->Records().RecordCount, 2);
  // Updating row 2 keeping its key passes; moving it onto key 1 fails.
  f.NewRow({2, 5});
  EXPECT_TRUE(f.Table->UpdateRecord(f.Cursor));
  f.NewRow({1, 5});
  ExpectVexError([&] { f.Table->UpdateRecord(f.Cursor); }, 30320);
}

TEST_F(ConstraintTest, NotNullAndCheck) {
  TVexConstraintDefNotNull& notNull = f.Constraints.AddNotNull();
  notNull.References[2].Name = "B";
  TVexConstraintDefCheck& check = f.Constraints.AddCheck();
  check.Name = "RangeC";
  check.References[2].Name = "C";
  check.MinValue.SetAsInteger(10);
  check.MaxValue.SetAsInteger(20);
  f.Open();
  EXPECT_EQ(notNull.Name, "");  // the table works on its own copies
  const TVexConstraintDefs& stored = f.Table->ConstraintManager->ConstraintDefs();
  EXPECT_EQ(stored[0].Name, "$C_NotNull$T$B");
  EXPECT_EQ(stored[0].References[1].Name, "T");

  ExpectVexError(
      [&] {
        Check({1, std::nullopt, 15});
      },
      30026,
      "Constraint '$C_NotNull$T$B' violated. Value in field 'B' cannot be null - "
      "Native error: 30026");
  ExpectVexError(
      [&] {
        Check({1, 1, 9});
      },
      30029,
      "Constraint 'RangeC' violated. Value in field 'C' cannot be lower than '10' - "
      "Native error: 30029");
  ExpectVexError(
      [&] {
        Check({1, 1, 21});
      },
      30030,
      "Constraint 'RangeC' violated. Value in field 'C' cannot be greater than '20' - "
      "Native error: 30030");
  EXPECT_TRUE(Check({1, 1, std::nullopt}));  // CHECK accepts NULL
  EXPECT_TRUE(Check({1, 1, 10}));
  EXPECT_TRUE(Check({1, 1, 20}));
  EXPECT_FALSE(Check({1, 1, 9}, false));
}

TEST_F(ConstraintTest, GeneratedNamesStayUnique) {
  for (int i = 0; i < 2; ++i) f.Constraints.AddNotNull().References[2].Name = "A";
  f.Constraints.AddCheck().References[2].Name = "A";
  f.Open();
  const TVexConstraintDefs& stored = f.Table->ConstraintManager->ConstraintDefs();
  EXPECT_EQ(stored[0].Name, "$C_NotNull$T$A");
  EXPECT_NE(stored[1].Name, stored[0].Name);
  EXPECT_EQ(stored[1].Name.rfind("$C_NotNull$T$A", 0), 0u);
  EXPECT_EQ(stored[2].Name, "$C_Check$T$A");
}

TEST_F(ConstraintTest, UnknownFieldOfNotNullRaises) {
  f.Constraints.AddNotNull().References[2].Name = "Missing";
  f.Open();
  ExpectVexError([&] { Check({1, 1, 1}); }, 30024);
}

TEST_F(ConstraintTest, UniqueIndexDerivesItsConstraint) {
  f.Open();
  f.Insert({1});
  TVexIndexDef def;
  def.Name = "IX_A";
  def.SetColumns({"A"}, {""}, {""});
  def.Unique = 1;
  f.Table->CreateIndex(def, f.Cursor);
  const TVexConstraintDefs& stored = f.Table->ConstraintManager->ConstraintDefs();
  ASSERT_EQ(stored.Count(), 1);
  EXPECT_EQ(stored[0].ConstraintType(), vctUnique);
  ExpectVexError([&] { f.Insert({1}); }, 30320);
  // Dropping the index drops its constraint.
  const int32_t indexID = f.Table->IndexManager->IndexDefs()[0].ObjectID;
  f.Table->DropIndex(indexID, f.Cursor);
  EXPECT_EQ(stored.Count(), 0);
  f.Insert({1});
  // A cursor that suppresses constraints gets the index alone.
  f.Cursor.SuppressDefaults = true;
  def.Name = "IX_B";
  f.Table->CreateIndex(def, f.Cursor);
  EXPECT_EQ(stored.Count(), 0);
}

}  // namespace
