// The base database and table objects: sessions, table objects by name, structure changes
// that other cursors block, field renames, record layout, temporary indexes and session refresh.
#include <gtest/gtest.h>

#include "engine/base/VexBasePageManager.h"
#include "engine/base/VexIndex.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexIndexManager.h"
#include "engine/base/VexRecordManager.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/MemoryTableFixture.h"

namespace {

// Records which sessions were committed and rolled back.
class TRecordingPages : public TVexBasePageManager {
 public:
  void Commit(int32_t sessionId) override { Log += "C" + std::to_string(sessionId); }
  void Rollback(int32_t sessionId) override { Log += "R" + std::to_string(sessionId); }
  std::string Log;
};

TEST(VexDatabaseData, SessionsAndTableObjects) {
  TMemTableFixture f;
  f.AddField("A", vdtInteger);
  f.Open();
  EXPECT_EQ(f.Session.SessionID, 0);
  TTestCursor other;
  other.TableName = "t";  // names compare without regard to case
  EXPECT_EQ(&f.Database.GetTableData(other), f.Table);
  EXPECT_TRUE(f.Database.TableExists("T"));
  EXPECT_FALSE(f.Database.TableExists("U"));
  other.TableName = "U";
  EXPECT_EQ(f.Database.FindTableData(other), nullptr);
  TVexTableData& u = f.Database.GetTableData(other);
  EXPECT_EQ(u.TableName, "U");
  std::vector<std::string> names;
  f.Database.GetTableNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"T", "U"}));
  f.Database.FreeTableData(&u);
  EXPECT_FALSE(f.Database.TableExists("U"));
}

TEST(VexDatabaseData, FreedWhenTheLastSessionLeaves) {
  auto owned = std::make_unique<TMemDatabase>();
  TMemDatabase* database = owned.get();
  TVexDatabaseDataList::Instance().Add(std::move(owned));
  TMemSession a, b;
  database->ConnectSession(a);
  database->ConnectSession(b);
  database->DisconnectSession(a);
  EXPECT_FALSE(database->FreeIfUnused());
  database->DisconnectSession(b);
  EXPECT_TRUE(database->FreeIfUnused());
  EXPECT_FALSE(TVexDatabaseDataList::Instance().Contains(database));
}

TEST(VexDatabaseData, TransactionsGoToThePageManager) {
  TMemTableFixture f;
  f.AddField("A", vdtInteger);
  f.Open();
  TRecordingPages pages;
  f.Database.PageManager = &pages;
  f.Table->PageManager = &pages;
  f.Session.SessionID = 4;
  f.Database.CommitTransaction(f.Session, false);
  f.Database.RollbackTransaction(f.Session);
  f.Table->CommitSession(f.Session, true);  // inside a transaction: nothing yet
  f.Table->CommitSession(f.Session, false);
  f.Table->RollbackSession(f.Session, false);
  EXPECT_EQ(pages.Log, "C4R4C4R4");
}

TEST(VexTableData, StructureChangesBlockedByOtherCursors) {
  TMemTableFixture f;
  f.AddField("A", vdtInteger);
  f.Open();
  f.Table->DeleteTable(&f.Cursor, false);  // only the asking cursor has it open
  TTestCursor other;
  f.Table->OpenTable(other);
  ExpectVexError([&] { f.Table->DeleteTable(&f.Cursor, false); }, 20017,
                 "Cannot delete table 'T'. Table is open by another dataset - Native error: 20017");
  f.Table->DeleteTable(&f.Cursor, true);
  ExpectVexError([&] { f.Table->RenameTable(&f.Cursor, "V"); }, 10150,
                 "Cannot rename table 'T'. Table is open by another dataset - Native error: 10150");
  f.Table->CloseTable(other);
  f.Table->RenameTable(&f.Cursor, "V");
  EXPECT_EQ(f.Table->TableName, "V");
}

TEST(VexTableData, RenameFieldAlsoInIndexColumns) {
  TMemTableFixture f;
  f.AddField("A", vdtInteger);
  f.AddField("B", vdtInteger);
  f.AddIndex("IX", {"a", "B"});
  f.Open();
  ExpectVexError([&] { f.Table->RenameField("X", "Y"); }, 30343,
                 "Field 'X' not found - Native error: 30343");
  ExpectVexError([&] { f.Table->RenameField("A", "b"); }, 30344,
                 "Cannot rename field 'A'. Field 'b' already exists - Native error: 30344");
  f.Table->RenameField("A", "C");
  EXPECT_EQ(f.Table->FieldManager->FieldDefs()[0].Name, "C");
  EXPECT_EQ(f.Table->IndexManager->IndexDefs()[0].Columns[0].FieldName, "C");
  EXPECT_EQ(f.Table->IndexManager->IndexDefs()[0].Columns[1].FieldName, "B");
}

TEST(VexTableData, RecordLayoutAndObjectIds) {
  TMemTableFixture f;
  f.AddField("A", vdtInteger);
  f.AddField("S", vdtString, 10);
  f.Open();
  // D = 1 + 4 + 11: the record ID at 16, the status byte at 22.
  EXPECT_EQ(f.Cursor.FirstFieldOffset, 1);
  EXPECT_EQ(f.Cursor.PositionOffset, 16);
  EXPECT_EQ(f.Cursor.RecordBufferSize, 23);
  const TVexFieldDefs& fields = f.Table->FieldManager->FieldDefs();
  EXPECT_NE(fields[0].ObjectID, -1);
  EXPECT_NE(fields[0].ObjectID, fields[1].ObjectID);

  TMemTableFixture empty;
  empty.Cursor.InitFieldDefs();
  TVexTableData& table = empty.Database.GetTableData(empty.Cursor);
  table.CreateFieldManager(empty.Cursor.TableFields);
  ExpectVexError([&] { table.GetRecordLayout(empty.Cursor); }, 10131,
                 "Error creating table - no fields were specified - Native error: 10131");
  empty.Cursor.PerOperationOpen = true;  // design mode
  table.GetRecordLayout(empty.Cursor);
}

TEST(VexTableData, TemporaryIndexesAndSessionRefresh) {
  TMemTableFixture f;
  f.AddField("A", vdtInteger);
  f.Open();
  f.Insert({3});
  f.Insert({1});
  TVexBaseIndexManager& indexes = *f.Table->IndexManager;
  bool created = false;
  const int32_t id = indexes.PrepareIndexForFields(f.Cursor, {"A"}, {""}, {""}, created);
  EXPECT_TRUE(created);
  const TVexIndexDef& def = *indexes.IndexDefs().FindByObjectID(id);
  EXPECT_EQ(def.Name.rfind("TEMPORARY_INDEX_", 0), 0u);
  EXPECT_EQ(def.Temporary, 255);
  EXPECT_EQ(def.OwnerSessionID, f.Session.SessionID);
  EXPECT_EQ(indexes.PrepareIndexForFields(f.Cursor, {"a"}, {""}, {""}, created), id);
  EXPECT_FALSE(created);
  auto& index = static_cast<TMemIndex&>(indexes.GetIndex(id));
  EXPECT_EQ(index.Entries.size(), 2u);

  // A change made around the index manager leaves the temporary index behind; the session's
  // refresh rebuilds it.
  TVexRecordIDBytes recordID{};
  f.NewRow({2});
  f.Table->RecordManager->AddRecord(0, f.Cursor.RecordBuffer.Data(), recordID);
  EXPECT_EQ(index.Entries.size(), 2u);
  f.Table->RefreshSession(f.Session);
  EXPECT_EQ(index.Entries.size(), 3u);
  EXPECT_EQ(indexes.IndexDefs().FindByObjectID(id)->ChangeCounter,
            f.Table->RecordManager->ChangeCounter);

  // Key maintenance counts its changes in the definitions.
  const int32_t before = indexes.IndexDefs().FindByObjectID(id)->ChangeCounter;
  f.Insert({5});
  EXPECT_EQ(indexes.IndexDefs().FindByObjectID(id)->ChangeCounter, before + 1);
  ExpectVexError([&] { indexes.GetIndex(12345); }, 20018, "Index not found - Native error: 20018");
}

TEST(VexTableData, EmptyTableResetsCountersAndIndexes) {
  TMemTableFixture f;
  f.AddField("ID", vdtAutoIncInteger);
  f.AddIndex("IX", {"ID"});
  f.Open();
  f.Insert({});
  f.Insert({});
  f.Table->RecordManager->DeleteAllRecords(0);
  f.Table->EmptyTable(&f.Cursor);
  EXPECT_EQ(f.Table->FieldManager->Counter(0), 0);
  EXPECT_TRUE(static_cast<TMemIndex&>(
                  f.Table->IndexManager->GetIndex(f.Table->IndexManager->IndexDefs()[0].ObjectID))
                  .Entries.empty());
  f.Insert({});
  EXPECT_EQ(f.Int(0), 1);
}

}  // namespace

namespace {

TEST(VexTableData, BlobFieldsNeedABlockSize) {
  TMemTableFixture f;
  f.AddField("A", vdtInteger);
  f.AddField("M", vdtMemo).BlobBlockSize = 0;
  f.Open();
  f.NewRow({1});
  ExpectVexError([&] { f.Table->CheckBlobFields(f.Cursor.RecordBuffer.Data()); }, 10421,
                 "BLOB block size should be > 0 for field M - Native error: 10421");
  f.Table->FieldManager->FieldDefs()[1].BlobBlockSize = 1024;
  f.Table->CheckBlobFields(f.Cursor.RecordBuffer.Data());
  EXPECT_TRUE(f.Table->FieldManager->HasBlobFields());
}

}  // namespace

namespace {

TEST(VexTableData, FailedTemporaryIndexRollsTheSessionBack) {
  TMemTableFixture f;
  f.AddField("A", vdtInteger);
  f.Open();
  f.Insert({1});
  f.Insert({2});
  TRecordingPages pages;
  f.Table->PageManager = &pages;
  bool created = false;
  // Building an index on a field the table lacks fails while its keys are compared.
  ExpectVexError(
      [&] {
        f.Table->IndexManager->PrepareIndexForFields(f.Cursor, {"Nope"}, {""}, {""}, created);
      },
      20043);
  EXPECT_FALSE(created);
  EXPECT_EQ(pages.Log, "R0");
  EXPECT_EQ(f.Table->IndexManager->IndexDefs().Count(), 0);  // the definition went with it
}

}  // namespace
