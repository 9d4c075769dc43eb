// Disk databases and tables through the engine's table objects: rows of every non-BLOB type
// inserted through the table slots and read back in another process, autoincrement, defaults
// and constraints, a user B-tree index, the session modes, the cursor locks and their
// messages, and structure changes that fail without a trace.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "engine/base/VexBaseSession.h"
#include "engine/base/VexConstraintManager.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexIndexManager.h"
#include "engine/base/VexScanSearchCondition.h"
#include "engine/storage/DiskDatabaseData.h"
#include "engine/storage/DiskTableData.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/MemoryTableDoubles.h"
#include "tests/engine/base/TestCursor.h"
#include "tests/engine/storage/DiskTableRows.h"
#include "tests/engine/storage/StorageTestUtil.h"

namespace {

class TDiskSession : public TMemSession, public TVexDiskSessionOptions {};

// One connection: a database object, its session and a cursor on one table.
struct TConnection {
  TConnection(const std::string& file, bool multiUser = false) : Database(file) {
    Session.MultiUser = multiUser;
    Database.ConnectSession(Session);
  }
  ~TConnection() {
    for (auto& c : Cursors)
      if (Table && c->Opened) Table->CloseTable(*c);
    Database.DisconnectSession(Session);
  }
  TTestCursor& NewCursor(const std::string& tableName = "T", bool exclusive = false) {
    Cursors.push_back(std::make_unique<TTestCursor>());
    TTestCursor& c = *Cursors.back();
    c.TableName = tableName;
    c.Session = &Session;
    c.Exclusive = exclusive;
    return c;
  }
  TVexDiskTableData& TableFor(TTestCursor& c) {
    Table = &static_cast<TVexDiskTableData&>(Database.GetTableData(c));
    return *Table;
  }
  // Opens the table for the cursor and sets up the cursor's record buffer.
  TTestCursor& Open(const std::string& tableName = "T", bool exclusive = false) {
    TTestCursor& c = NewCursor(tableName, exclusive);
    TableFor(c).OpenTable(c);
    c.Opened = true;
    c.TableFields.AssignDefs(Table->FieldManager->FieldDefs());
    c.TableConstraints.AssignDefs(Table->ConstraintManager->ConstraintDefs());
    c.InitFieldDefs();
    Table->GetRecordLayout(c);
    c.RecordBuffer = c.AllocRecordBuffer();
    c.Bof = true;
    return c;
  }
  void Create(const TVexFieldDefs& fields, const TVexIndexDefs& indexes = {},
              const TVexConstraintDefs& constraints = {}, const std::string& name = "T") {
    TTestCursor& c = NewCursor(name);
    TableFor(c).CreateTable(c, fields, indexes, constraints);
  }
  // Table T of one INTEGER field with the user index IX on it.
  void CreateIndexed(const char* field) {
    TVexFieldDefs fields;
    TVexFieldDef& f = fields.AddFieldDef();
    f.Name = field;
    f.SetDataType(vdtInteger, 0);
    TVexIndexDefs indexes;
    indexes.AddIndexDef().Name = "IX";
    indexes[0].SetColumns({field}, {""}, {""});
    Create(fields, indexes);
  }
  // Makes the named index the cursor's active one.
  void UseIndex(TTestCursor& c, const std::string& name) {
    c.IndexDefs = std::make_unique<TVexIndexDefs>();
    c.IndexDefs->AssignDefs(Table->IndexManager->IndexDefs());
    c.SetIndexName(name);
  }
  std::vector<std::string> TableNames() {
    std::vector<std::string> names;
    Database.GetTableNames(names);
    return names;
  }
  void Commit() { Table->CommitSession(Session, false); }

  TVexDiskDatabaseData Database;
  TDiskSession Session;
  std::vector<std::unique_ptr<TTestCursor>> Cursors;
  TVexDiskTableData* Table = nullptr;
};

void SetInt(TVexCursor& c, int32_t fieldNo, std::optional<int64_t> value) {
  TVexVariant v;
  if (value) v.SetAsLargeInt(*value);
  c.SetFieldValue(v, fieldNo, nullptr, true);
}

std::optional<int64_t> Int(const TVexCursor& c, int32_t fieldNo) {
  TVexVariant v;
  c.GetFieldValue(v, fieldNo, true);
  if (v.IsNull()) return std::nullopt;
  return v.AsLargeInt();
}

// Inserts a new row whose first field is k (the others NULL) through the table slot.
bool InsertFirst(TVexDiskTableData& t, TTestCursor& c, std::optional<int64_t> k) {
  c.InitRecord(c.RecordBuffer.Data(), false);
  SetInt(c, 0, k);
  return t.InsertRecord(c);
}

// Field fieldNo of every row from the start in the cursor's order (-1 for NULL).
std::vector<int64_t> Scan(TVexDiskTableData& t, TTestCursor& c, int32_t fieldNo) {
  c.Bof = true;
  c.Eof = false;
  std::vector<int64_t> values;
  while (values.size() < 100000 && t.GetRecord(c, grmNext) == vgrOK)
    values.push_back(Int(c, fieldNo).value_or(-1));
  return values;
}

TVexFieldDef& AddField(TVexFieldDefs& defs, const char* name, TVexDataType type,
                       int32_t length = 0) {
  TVexFieldDef& f = defs.AddFieldDef();
  f.Name = name;
  f.SetDataType(type, length);
  return f;
}

class DiskTableDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = dir_.File("data.vex");
    TVexDiskDatabaseData creator(name_);
    creator.CreateOptions = TVexCreateOptions{4096, 8, 4};
    creator.CreateDatabase();
  }
  TempDir dir_;
  std::string name_;
};

TEST_F(DiskTableDataTest, EveryNonBlobTypeInsertedThroughTheSlotsReadsBackInAnotherProcess) {
  std::vector<std::vector<uint8_t>> expected;
  {
    TConnection conn(name_);
    TVexFieldDefs fields;
    AddNonBlobFields(fields);
    conn.Create(fields);
    EXPECT_EQ(conn.TableNames(), std::vector<std::string>{"T"});
    TTestCursor& c = conn.Open();
    const TVexRecordLayout& layout = conn.Table->FieldManager->FieldDefs().Layout();
    for (int32_t row = 0; row < 250; ++row) {
      std::vector<uint8_t> bytes = PatternRow(layout, row);
      std::memcpy(c.RecordBuffer.Data(), bytes.data(), size_t(c.DataSize));
      ASSERT_TRUE(conn.Table->InsertRecord(c));
      // NULL autoincrement fields received their values in the buffer.
      expected.emplace_back(c.RecordBuffer.Data(), c.RecordBuffer.Data() + c.DataSize);
    }
    // Every fifth row goes again; the scan skips them.
    c.Bof = true;
    c.Eof = false;
    for (int32_t row = 0; conn.Table->GetRecord(c, grmNext) == vgrOK; ++row) {
      if (row % 5 == 0) {
        ASSERT_TRUE(conn.Table->DeleteRecord(c));
      }
    }
    conn.Commit();
    EXPECT_EQ(conn.Table->GetRecordCount(c), 200);
  }
  for (size_t i = expected.size(); i-- > 0;) {
    if (i % 5 == 0) expected.erase(expected.begin() + std::ptrdiff_t(i));
  }
  ExpectInChildProcess([&] {
    TConnection conn(name_);
    TTestCursor& c = conn.Open("t");  // names match without regard to case
    std::vector<std::vector<uint8_t>> read;
    while (conn.Table->GetRecord(c, grmNext) == vgrOK)
      read.emplace_back(c.RecordBuffer.Data(), c.RecordBuffer.Data() + c.DataSize);
    return read == expected && conn.Table->GetRecordCount(c) == 200 &&
           conn.Table->GetPhysicalRecordNumber(c) == 200;
  });
}

TEST_F(DiskTableDataTest, AutoIncrementDefaultsAndConstraintsThroughTheDiskTable) {
  {
    TConnection conn(name_);
    TVexFieldDefs fields;
    AddField(fields, "ID", vdtAutoInc).AutoIncInitial = 100;
    AddField(fields, "N", vdtInteger).DefaultValue.SetAsInteger(7);
    AddField(fields, "C", vdtInteger);
    TVexConstraintDefs constraints;
    constraints.AddNotNull().References[2].Name = "N";
    TVexConstraintDefCheck& check = constraints.AddCheck();
    check.References[2].Name = "C";
    check.MinValue.SetAsInteger(0);
    check.MaxValue.SetAsInteger(9);
    conn.Create(fields, {}, constraints);
    TTestCursor& c = conn.Open();
    // A unique index brings its UNIQUE constraint; a primary one its PRIMARY KEY.
    TVexIndexDef unique;
    unique.Name = "UC";
    unique.SetColumns({"C"}, {""}, {""});
    unique.Unique = 1;
    conn.Table->CreateIndex(unique, c);
    TVexIndexDef primary;
    primary.Name = "PK";
    primary.SetColumns({"ID"}, {""}, {""});
    primary.Unique = 1;
    primary.Primary = 1;
    conn.Table->CreateIndex(primary, c);

    auto insert = [&](std::optional<int64_t> id, std::optional<int64_t> c2, bool defaults) {
      c.InitRecord(c.RecordBuffer.Data(), false);
      if (defaults) conn.Table->FieldManager->ApplyDefaults(&conn.Session, c.RecordBuffer.Data());
      SetInt(c, 0, id);
      SetInt(c, 2, c2);
      return conn.Table->InsertRecord(c);
    };
    ASSERT_TRUE(insert(std::nullopt, 1, true));
    EXPECT_EQ(Int(c, 0), 101);
    EXPECT_EQ(Int(c, 1), 7);
    ASSERT_TRUE(insert(200, 2, true));  // a given value above the counter moves it
    ASSERT_TRUE(insert(std::nullopt, 3, true));
    EXPECT_EQ(Int(c, 0), 201);
    const struct {
      std::optional<int64_t> Id, C;
      bool Defaults;
      int32_t Code;
    } failures[] = {
        {std::nullopt, 4, false, 30026},  // N stays NULL without its default
        {std::nullopt, 10, true, 30030},  // C above the check's maximum
        {std::nullopt, 1, true, 30320},   // C duplicates row 1
        {200, 5, true, 30319},            // ID duplicates row 2 (primary key)
    };
    for (const auto& f : failures) {
      try {
        insert(f.Id, f.C, f.Defaults);
        ADD_FAILURE() << "code " << f.Code << " expected";
      } catch (const EVexException& e) {
        EXPECT_EQ(e.NativeError(), f.Code);
      }
    }
    conn.Commit();
    EXPECT_EQ(Scan(*conn.Table, c, 0), (std::vector<int64_t>{101, 200, 201}));
    EXPECT_EQ(conn.Table->GetRecordCount(c), 3);
  }
  // The counter, the derived constraints and the indexes are there after reopening.
  TConnection conn(name_);
  TTestCursor& c = conn.Open();
  EXPECT_EQ(conn.Table->ConstraintManager->ConstraintDefs().Count(), 4);
  EXPECT_EQ(conn.Table->IndexManager->IndexDefs().Count(), 2);
  c.InitRecord(c.RecordBuffer.Data(), false);
  SetInt(c, 1, 1);
  SetInt(c, 2, 3);
  try {
    conn.Table->InsertRecord(c);
    ADD_FAILURE() << "the unique index was not rebuilt";
  } catch (const EVexException& e) {
    EXPECT_EQ(e.NativeError(), 30320);
  }
  SetInt(c, 0, std::nullopt);
  SetInt(c, 2, 4);
  ASSERT_TRUE(conn.Table->InsertRecord(c));
  EXPECT_EQ(Int(c, 0), 203);  // the refused row above has used up 202
}

TEST_F(DiskTableDataTest, UserIndexGivesKeyOrderAndLookupsAlsoAfterReopening) {
  const std::vector<int64_t> keys = {50, 7, 93, 7, 12, 64, 1, 88, 30, 41};
  {
    TConnection conn(name_);
    TVexFieldDefs fields;
    AddField(fields, "K", vdtInteger);
    AddField(fields, "V", vdtInteger);
    TVexIndexDefs indexes;
    TVexIndexDef& ix = indexes.AddIndexDef();
    ix.Name = "IX_K";
    ix.SetColumns({"K"}, {""}, {""});
    conn.Create(fields, indexes);
    TTestCursor& c = conn.Open();
    for (size_t i = 0; i < keys.size(); ++i) {
      c.InitRecord(c.RecordBuffer.Data(), false);
      SetInt(c, 0, keys[i]);
      SetInt(c, 1, int64_t(i));
      ASSERT_TRUE(conn.Table->InsertRecord(c));
    }
    // Row 2 (key 93) moves to key 0.
    c.Bof = true;
    ASSERT_EQ(conn.Table->GetRecord(c, grmNext), vgrOK);
    ASSERT_EQ(conn.Table->GetRecord(c, grmNext), vgrOK);
    ASSERT_EQ(conn.Table->GetRecord(c, grmNext), vgrOK);
    c.OldRecordBuffer = c.AllocRecordBuffer();
    std::memcpy(c.OldRecordBuffer.Data(), c.RecordBuffer.Data(), size_t(c.RecordBufferSize));
    SetInt(c, 0, 0);
    ASSERT_TRUE(conn.Table->UpdateRecord(c));
    conn.Commit();
  }
  ExpectInChildProcess([&] {
    TConnection conn(name_);
    TTestCursor& c = conn.Open();
    conn.UseIndex(c, "IX_K");
    std::vector<int64_t> sorted = keys;
    sorted[2] = 0;
    std::sort(sorted.begin(), sorted.end());
    if (Scan(*conn.Table, c, 0) != sorted) return false;
    // Key lookup: the rows with key 7, in index order, then none.
    c.InitRecord(c.RecordBuffer.Data(), false);
    SetInt(c, 0, 7);
    TVexMemoryBlock key = c.AllocKeyBuffer();
    std::memcpy(key.Data(), c.RecordBuffer.Data(), size_t(c.RecordSizeWithPosition));
    auto condition = TVexScanSearchCondition::MakeKey(c.ActiveIndexID, vscEqual, key.Data(),
                                                      c.RecordSizeWithPosition, 1);
    c.Bof = true;
    c.Eof = false;
    std::vector<int64_t> found;
    while (found.size() < 5 && conn.Table->FindByKey(c, *condition, grmNext))
      found.push_back(*Int(c, 1));
    return found == std::vector<int64_t>{1, 3};
  });
}

TEST_F(DiskTableDataTest, OpeningForCursorsLocksAndMessages) {
  TConnection conn(name_);
  TVexFieldDefs fields;
  AddField(fields, "A", vdtInteger);
  conn.Create(fields);
  ExpectVexError([&] { conn.Open("Missing"); }, 30396,
                 "Table 'Missing' not exists. - Native error: 30396");
  conn.Open("T");
  conn.Open("T");  // a second cursor in shared mode
  ExpectVexError([&] { conn.Open("T", true); }, 20242,
                 "Cannot access table 'T' in exclusive mode. Probably the table is open by "
                 "another cursors - Native error: 20242");
  // A session in the other mode cannot join the open database object.
  TDiskSession multi;
  multi.MultiUser = true;
  ExpectVexError([&] { conn.Database.ConnectSession(multi); }, 20235,
                 "Cannot open database in multi-user and signle-user mode at the same time - "
                 "Native error: 20235");
}

TEST_F(DiskTableDataTest, RollbackUndoesRowsCountsAndIndexKeys) {
  TConnection conn(name_);
  conn.CreateIndexed("K");
  TTestCursor& c = conn.Open();
  conn.UseIndex(c, "IX");
  auto insert = [&](int64_t k) { ASSERT_TRUE(InsertFirst(*conn.Table, c, k)); };
  insert(3);
  insert(1);
  conn.Database.CommitTransaction(conn.Session, false);
  insert(2);
  insert(0);
  EXPECT_EQ(Scan(*conn.Table, c, 0), (std::vector<int64_t>{0, 1, 2, 3}));
  conn.Database.RollbackTransaction(conn.Session);
  EXPECT_EQ(Scan(*conn.Table, c, 0), (std::vector<int64_t>{1, 3}));
  EXPECT_EQ(conn.Table->GetRecordCount(c), 2);
  // The table's own session rollback does the same.
  insert(5);
  conn.Table->RollbackSession(conn.Session, false);
  EXPECT_EQ(Scan(*conn.Table, c, 0), (std::vector<int64_t>{1, 3}));
  EXPECT_EQ(conn.Table->GetRecordCount(c), 2);
  // A second single-user connection shares the file read-only and reads the rows.
  TConnection reader(name_);
  EXPECT_TRUE(reader.Database.ReadOnly);
  EXPECT_FALSE(conn.Database.ReadOnly);
  TTestCursor& r = reader.Open();
  EXPECT_EQ(Scan(*reader.Table, r, 0), (std::vector<int64_t>{3, 1}));
}

TEST_F(DiskTableDataTest, VerifyingOpenRepairsTheRecordPageIndex) {
  TConnection conn(name_);
  TVexFieldDefs fields;
  AddField(fields, "K", vdtInteger);
  conn.Create(fields);
  {
    TTestCursor& c = conn.Open();
    for (int64_t k = 0; k < 1500; ++k) {
      ASSERT_TRUE(InsertFirst(*conn.Table, c, k));
    }
    // The page index loses its first page; the header still counts its rows.
    TVexBTreeRecordPageIndex& index = conn.Table->Storage->RecordManager->PageIndex;
    int32_t lost = -1;
    ASSERT_TRUE(index.FirstPage(0, lost));
    index.SetPageCount(0, lost, 0);
    conn.Commit();
    conn.Table->CloseTable(c);
    c.Opened = false;
  }
  conn.Table->Verify = true;
  TTestCursor& c = conn.Open();
  EXPECT_EQ(conn.Table->GetRecordCount(c), 1500);
  std::vector<int64_t> expected(1500);
  for (int64_t k = 0; k < 1500; ++k) expected[size_t(k)] = k;
  EXPECT_EQ(Scan(*conn.Table, c, 0), expected);
}

TEST_F(DiskTableDataTest, MultiUserTableLocksAndCommitLocks) {
  {
    TConnection setup(name_, true);
    setup.CreateIndexed("A");
  }
  TConnection first(name_, true), second(name_, true);
  EXPECT_NE(first.Session.SessionID, second.Session.SessionID);
  TTestCursor& mine = first.Open("T", true);
  second.TableFor(second.NewCursor()).Storage->OpenLockTries = 2;
  ExpectVexError([&] { second.Open("T"); }, 20209,
                 "Cannot open table 'T'. Table is locked - Native error: 20209");
  first.Table->CloseTable(mine);
  mine.Opened = false;
  TTestCursor& shared = first.Open("T");
  ExpectVexError([&] { second.Open("T", true); }, 20208,
                 "Cannot access table 'T' in exclusive mode. Probably the table is open by "
                 "another user - Native error: 20208");
  TTestCursor& other = second.Open("T");
  // The second connection reads through its own copy of the user index, which follows the
  // rows the first one commits.
  second.UseIndex(other, "IX");

  // A row of the first session, then a read lock of the second one blocks its commit.
  ASSERT_TRUE(InsertFirst(*first.Table, shared, 5));
  TVexDiskDatabaseCatalog& c2 = second.Database.Catalog;
  ASSERT_TRUE(c2.TableLockManager->LockTable(second.Session.SessionID,
                                             second.Table->Storage->LocksFile, 1, 1, 1));
  first.Database.CommitLockTries = 2;
  ExpectVexError([&] { first.Database.CommitTransaction(first.Session, false); }, 20233,
                 "Cannot commit changes. Locks of modified tables failed - Native error: 20233");
  c2.TableLockManager->UnlockTable(second.Session.SessionID, second.Table->Storage->LocksFile, 1);
  first.Database.RollbackTransaction(first.Session);
  EXPECT_EQ(Scan(*second.Table, other, 0), std::vector<int64_t>{});

  ASSERT_TRUE(first.Table->InsertRecord(shared));
  SetInt(shared, 0, 2);
  ASSERT_TRUE(first.Table->InsertRecord(shared));
  first.Database.CommitTransaction(first.Session, true);
  // The other connection sees the row at its next read (the header is reloaded).
  EXPECT_EQ(Scan(*second.Table, other, 0), (std::vector<int64_t>{2, 5}));
  EXPECT_EQ(second.Table->GetRecordCount(other), 2);
  // While another session holds the commit lock, reads are refused: GetRecord answers 3.
  ASSERT_TRUE(c2.TableLockManager->LockTable(second.Session.SessionID,
                                             second.Table->Storage->LocksFile, 4, 1, 1));
  first.Table->ReadLockTries = 2;
  first.Table->ReadLockDelayMs = 2;
  shared.Bof = true;
  EXPECT_EQ(first.Table->GetRecord(shared, grmNext), vgrNotFound);
  ExpectVexError([&] { first.Table->GetRecordCount(shared); }, 20218,
                 "Table is locked - Native error: 20218");
  c2.TableLockManager->UnlockTable(second.Session.SessionID, second.Table->Storage->LocksFile, 4);
  EXPECT_EQ(first.Table->GetRecord(shared, grmNext), vgrOK);
  // A table that another connection uses is not deleted.
  first.Table->Storage->OpenLockTries = 2;
  EXPECT_VEX_CODE(first.Table->DeleteTable(&shared, false), 20208);
  EXPECT_EQ(first.TableNames(), std::vector<std::string>{"T"});
  EXPECT_EQ(Scan(*second.Table, other, 0), (std::vector<int64_t>{2, 5}));
}

TEST_F(DiskTableDataTest, StructureChangesAndTheirFailures) {
  TConnection conn(name_);
  TVexFieldDefs none;
  ExpectVexError([&] { conn.Create(none); }, 20128,
                 "Error creating table - no fields were specified - Native error: 20128");
  TVexFieldDefs huge;
  AddField(huge, "S", vdtString, 5000);
  ExpectVexError([&] { conn.Create(huge); }, 20174);
  TVexFieldDefs fields;
  AddField(fields, "A", vdtInteger);
  TVexConstraintDefs foreign;
  foreign.AddDef(std::make_unique<TVexConstraintDef>(TVexConstraintType(1)));  // foreign key
  ExpectVexError([&] { conn.Create(fields, {}, foreign); }, 30040,
                 "Not implemented yet - Native error: 30040");
  EXPECT_EQ(conn.TableNames(), std::vector<std::string>{});

  conn.Create(fields);
  TTestCursor& c = conn.Open();
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(InsertFirst(*conn.Table, c, i));
  }
  conn.Commit();
  conn.Table->RenameField("A", "B");
  conn.Table->EmptyTable(&c);
  EXPECT_EQ(conn.Table->GetRecordCount(c), 0);
  conn.Table->CloseTable(c);
  c.Opened = false;
  conn.Table->RenameTable(nullptr, "U");
  EXPECT_EQ(conn.TableNames(), std::vector<std::string>{"U"});
  TTestCursor& u = conn.Open("U");
  EXPECT_EQ(u.FieldDefs->operator[](0).Name, "B");
  EXPECT_EQ(Scan(*conn.Table, u, 0), std::vector<int64_t>{});
  conn.Table->CloseTable(u);
  u.Opened = false;
  conn.Table->DeleteTable(nullptr, false);
  EXPECT_EQ(conn.TableNames(), std::vector<std::string>{});
}

}  // namespace
