// Disk tables in a database file: creating a table of every non-BLOB type, rows read back
// byte for byte in scan order in another process, the exact metadata and header content,
// opening by name, the repair of a record page index that disagrees with the header, and
// delete, empty and rename through session -2.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "engine/base/VexRecordLayout.h"
#include "engine/storage/DiskDatabaseCatalog.h"
#include "engine/storage/DiskTableStorage.h"
#include "engine/storage/FreeSpaceManager.h"
#include "platform/LittleEndian.h"
#include "tests/engine/storage/DiskTableRows.h"
#include "tests/engine/storage/StorageTestUtil.h"

namespace {

class DiskTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = dir_.File("tables.vex");
    TVexDiskDatabaseCatalog::CreateDatabase(name_, {}, TVexCreateOptions{4096, 8, 4});
    Open(catalog_);
  }
  void Open(TVexDiskDatabaseCatalog& catalog) {
    TVexPassword password;
    bool multiUser = false, readOnly = false;
    catalog.Open(name_, password, multiUser, false, readOnly);
    catalog.ConnectSession(false);
  }
  static void AllTypes(TVexFieldDefs& defs) { AddNonBlobFields(defs); }
  static std::vector<uint8_t> Row(const TVexRecordLayout& layout, int32_t row) {
    return PatternRow(layout, row);
  }
  static std::vector<std::vector<uint8_t>> ScanRows(TVexDiskTableStorage& t, int32_t session) {
    std::vector<std::vector<uint8_t>> rows;
    std::vector<uint8_t> row(size_t(t.Metadata.FieldDefs.RecordBufferSize()));
    TVexNavigationRequest r;
    r.Mode = 1;
    r.Bof = true;
    r.RecordBuffer = row.data();
    for (;;) {
      t.RecordManager->NavigateRecord(session, r);
      if (r.Result != vnrFound) break;
      rows.push_back(row);
    }
    return rows;
  }
  TempDir dir_;
  std::string name_;
  TVexDiskDatabaseCatalog catalog_;
};

TEST_F(DiskTableTest, EveryNonBlobTypeReadsBackExactlyInAnotherProcess) {
  std::vector<std::vector<uint8_t>> inserted;
  {
    TVexFieldDefs fields;
    AllTypes(fields);
    TVexDiskTableStorage t(&catalog_, "Everything");
    t.Create(fields, {}, {});
    t.Open(0, true);
    const TVexRecordLayout& layout = t.Metadata.FieldDefs.Layout();
    for (int32_t i = 0; i < 500; ++i) {
      TVexDiskRecordId id;
      inserted.push_back(Row(layout, i));
      ASSERT_TRUE(t.RecordManager->AddRecord(0, inserted.back().data(), id));
    }
    // Delete a whole page's worth of rows: the page is freed and the scan skips it.
    auto before = ScanRows(t, 0);
    ASSERT_EQ(before, inserted);
    int32_t perPage = t.RecordManager->RecordsPerPage;
    ASSERT_LT(perPage * 2, 500);
    for (int32_t k = perPage; k < 2 * perPage; ++k) {
      TVexDiskRecordId id = t.RecordManager->GoToRecordNumber(0, perPage + 1);
      ASSERT_TRUE(t.RecordManager->RemoveRecord(0, id));
    }
    inserted.erase(inserted.begin() + perPage, inserted.begin() + 2 * perPage);
    t.SaveHeader(0);
    catalog_.PageManager->Commit(0);
    t.Close();
  }
  catalog_.DisconnectSession(0);
  catalog_.Close();
  ExpectInChildProcess([&] {
    TVexDiskDatabaseCatalog other;
    Open(other);
    TVexDiskTableStorage t(&other, "EVERYTHING");
    t.Open(0, true);
    return t.Metadata.FieldDefs.Count() == int32_t(std::size(kNonBlobTypes)) &&
           t.RecordManager->RecordCount == int64_t(inserted.size()) && ScanRows(t, 0) == inserted;
  });
}

TEST_F(DiskTableTest, AnotherProcessHoldingTheDatabaseMakesItReadOnlyButReadable) {
  TVexFieldDefs fields;
  TVexFieldDef& f = fields.AddFieldDef();
  f.Name = "n";
  f.SetDataType(vdtInteger, 0);
  TVexDiskTableStorage t(&catalog_, "Shared");
  t.Create(fields, {}, {});
  t.Open(0, false);
  std::vector<uint8_t> row(size_t(t.Metadata.FieldDefs.RecordBufferSize()), 0);
  for (int32_t v = 0; v < 100; ++v) {
    TVexDiskRecordId id;
    ASSERT_TRUE(t.RecordManager->AddRecord(0, row.data(), id));
  }
  t.SaveHeader(0);
  catalog_.PageManager->Commit(0);
  ASSERT_TRUE(catalog_.SingleUserLockHeld);
  ExpectInChildProcess([&] {
    TVexDiskDatabaseCatalog other;
    Open(other);
    TVexDiskTableStorage shared(&other, "shared");
    shared.Open(0, true);
    return other.ReadOnly && ScanRows(shared, 0).size() == 100;
  });
}

TEST_F(DiskTableTest, MetadataAndHeaderContent) {
  TVexFieldDefs fields;
  for (const char* n : {"a", "b", "c"}) {
    TVexFieldDef& f = fields.AddFieldDef();
    f.Name = n;
    f.SetDataType(vdtInteger, 0);
  }
  TVexDiskTableStorage t(&catalog_, "Three");
  t.Create(fields, {}, {});
  t.Open(0, false);
  std::vector<uint8_t> header = t.HeaderFile.ReadAll(0, true);
  ASSERT_EQ(header.size(), 36u);
  EXPECT_EQ(ReadInt32LE(header.data()), 3);
  EXPECT_EQ(ReadInt32LE(header.data() + 28), 0);  // TableVersion
  EXPECT_EQ(ReadInt32LE(header.data() + 32), 0);  // RecordCount
  EXPECT_EQ(t.MetadataFile.GetSize(0, true).Compression, 1);
  std::vector<uint8_t> meta = t.MetadataFile.ReadAll(0, true);
  ASSERT_GE(meta.size(), 8u);
  EXPECT_EQ(ReadInt32LE(meta.data() + meta.size() - 8), t.RecordManager->PageIndex.RootPageNo());
  EXPECT_EQ(ReadInt32LE(meta.data() + meta.size() - 4), -1);  // no BLOB fields
  EXPECT_EQ(t.TableVersion, 0);
  // Single-user: the cursor's table lock is granted at once, exclusive or not.
  t.LockForCursor(0, true, 0);
  t.UnlockForCursor(0, true);

  TVexDiskTableHeader h;
  h.Counters.assign(20, 1);  // 172 bytes; two fields allow 96
  EXPECT_VEX_CODE(h.Store(2), 20164);
  std::vector<uint8_t> damaged = header;
  WriteInt32LE(damaged.data(), 1000);
  EXPECT_VEX_CODE(h.Load(damaged, 3), 20164);
}

TEST_F(DiskTableTest, CreateErrorsLeaveTheCatalogueAsItWas) {
  TVexDiskTableStorage empty(&catalog_, "Nothing");
  EXPECT_VEX_CODE(empty.Create({}, {}, {}), 20128);
  TVexFieldDefs huge;
  TVexFieldDef& f = huge.AddFieldDef();
  f.Name = "blob";
  f.SetDataType(vdtBytes, 5000);
  TVexDiskTableStorage big(&catalog_, "Big");
  EXPECT_VEX_CODE(big.Create(huge, {}, {}), 20174);
  EXPECT_FALSE(catalog_.TableList->TableExists("Big"));
  std::string msg = EXPECT_VEX_CODE(big.Open(0, false), 30396);
  EXPECT_NE(msg.find("Table 'Big' not exists."), std::string::npos);
}

TEST_F(DiskTableTest, VerifiedOpenRepairsAPageIndexThatDisagreesWithTheHeader) {
  TVexFieldDefs fields;
  TVexFieldDef& f = fields.AddFieldDef();
  f.Name = "n";
  f.SetDataType(vdtInteger, 0);
  TVexDiskTableStorage t(&catalog_, "Numbers");
  t.Create(fields, {}, {});
  t.Open(0, false);
  std::vector<uint8_t> row(size_t(t.Metadata.FieldDefs.RecordBufferSize()), 0);
  for (int32_t v = 0; v < 2000; ++v) {
    WriteInt32LE(row.data() + 1, v);
    TVexDiskRecordId id;
    ASSERT_TRUE(t.RecordManager->AddRecord(0, row.data(), id));
  }
  t.SaveHeader(0);
  // A page index that lost a page (the header still counts its records).
  int32_t lost;
  ASSERT_TRUE(t.RecordManager->PageIndex.FirstPage(0, lost));
  t.RecordManager->PageIndex.SetPageCount(0, lost, 0);
  catalog_.PageManager->Commit(0);
  t.Close();

  TVexDiskTableStorage plain(&catalog_, "numbers");
  plain.Open(0, false);
  EXPECT_VEX_CODE(plain.RecordManager->CheckPageIndex(0), 20292);
  plain.Close();
  TVexDiskTableStorage verified(&catalog_, "numbers");
  verified.Open(0, true);
  verified.RecordManager->CheckPageIndex(0);
  auto rows = ScanRows(verified, 0);
  ASSERT_EQ(rows.size(), 2000u);
  for (int32_t v = 0; v < 2000; ++v) EXPECT_EQ(ReadInt32LE(rows[size_t(v)].data() + 1), v);
}

TEST_F(DiskTableTest, DeleteEmptyAndRename) {
  TVexFieldDefs fields;
  TVexFieldDef& f = fields.AddFieldDef();
  f.Name = "id";
  f.SetDataType(vdtAutoIncInteger, 0);
  f.AutoIncInitial = 10;
  for (const char* name : {"Keep", "Drop"}) {
    TVexDiskTableStorage t(&catalog_, name);
    t.Create(fields, {}, {});
    t.Open(0, false);
    EXPECT_EQ(t.Counters, std::vector<int64_t>{10});
    std::vector<uint8_t> row(size_t(t.Metadata.FieldDefs.RecordBufferSize()), 0);
    TVexDiskRecordId id;
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(t.RecordManager->AddRecord(0, row.data(), id));
    t.Counters[0] = 310;
    t.SaveHeader(0);
    catalog_.PageManager->Commit(0);
  }
  auto usedPages = [&] {
    int32_t used = 0;
    for (int32_t p = 0; p < catalog_.PageManager->GetTotalPageCount(); ++p)
      used += catalog_.PageManager->FreeSpaceManager->IsPageUsed(p) ? 1 : 0;
    return used;
  };
  int32_t usedBefore = usedPages();
  TVexDiskTableStorage drop(&catalog_, "drop");
  drop.Delete();
  EXPECT_FALSE(catalog_.TableList->TableExists("Drop"));
  EXPECT_VEX_CODE(drop.Open(0, false), 30396);
  // Record pages (300 of 5-byte records fit on one), the index root and three files.
  EXPECT_LE(usedPages(), usedBefore - 5);

  TVexDiskTableStorage keep(&catalog_, "Keep");
  keep.Empty(0);
  keep.Close();
  keep.Open(0, true);
  EXPECT_EQ(keep.RecordManager->RecordCount, 0);
  EXPECT_EQ(keep.Counters, std::vector<int64_t>{10});
  EXPECT_TRUE(ScanRows(keep, 0).empty());
  keep.Rename("Kept");
  EXPECT_VEX_CODE(TVexDiskTableStorage(&catalog_, "Keep").Open(0, false), 30396);
  TVexDiskTableStorage kept(&catalog_, "KEPT");
  kept.Open(0, false);
  EXPECT_EQ(kept.TableName, "Kept");
  TVexDiskTableStorage missing(&catalog_, "Missing");
  EXPECT_VEX_CODE(missing.Rename("Other"), 30397);
}

TEST_F(DiskTableTest, CursorLocksBetweenConnectionsAndCursors) {
  TVexFieldDefs fields;
  TVexFieldDef& f = fields.AddFieldDef();
  f.Name = "n";
  f.SetDataType(vdtInteger, 0);
  TVexDiskTableStorage(&catalog_, "Locked").Create(fields, {}, {});
  catalog_.DisconnectSession(0);
  catalog_.Close();
  // Two multi-user connections of their own (as two processes would have).
  TVexDiskDatabaseCatalog a, b;
  for (TVexDiskDatabaseCatalog* c : {&a, &b}) {
    TVexPassword password;
    bool multiUser = true, readOnly = false;
    c->Open(name_, password, multiUser, false, readOnly);
  }
  int32_t sa = a.ConnectSession(true), sb = b.ConnectSession(true);
  TVexDiskTableStorage ta(&a, "Locked"), tb(&b, "Locked");
  ta.Open(sa, false);
  tb.Open(sb, false);
  ta.OpenLockTries = tb.OpenLockTries = 1;
  ta.LockForCursor(sa, false, 0);
  // A second cursor of the same connection: shared is fine, exclusive is refused.
  ta.LockForCursor(sa, false, 1);
  EXPECT_VEX_CODE(ta.LockForCursor(sa, true, 2), 20242);
  std::string msg = EXPECT_VEX_CODE(tb.LockForCursor(sb, true, 0), 20208);
  EXPECT_NE(msg.find("'Locked'"), std::string::npos);
  tb.LockForCursor(sb, false, 0);  // shared beside shared
  tb.UnlockForCursor(sb, false);
  ta.UnlockForCursor(sa, false);
  ta.UnlockForCursor(sa, false);
  ta.LockForCursor(sa, true, 0);
  EXPECT_VEX_CODE(tb.LockForCursor(sb, false, 0), 20209);
  ta.LockForCursor(sa, true, 1);  // the table is open exclusively by this connection
  ta.UnlockForCursor(sa, true);
  ta.UnlockForCursor(sa, true);
  tb.LockForCursor(sb, true, 0);
  tb.UnlockForCursor(sb, true);
}

}  // namespace
