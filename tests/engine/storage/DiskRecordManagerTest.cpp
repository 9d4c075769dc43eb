// Rows of a disk table in record pages: pages of 40 records of 100 bytes, scan order by page
// number whatever the insertion order, record numbers across pages, freed pages left out of
// the scan, re-reading and stepping around removed records, persistence across processes, and
// the repair of the record page index.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>

#include "engine/storage/DiskPageManager.h"
#include "engine/storage/DiskRecordManager.h"
#include "engine/storage/FreeSpaceManager.h"
#include "engine/storage/SmallRecordPage.h"
#include "platform/LittleEndian.h"
#include "tests/engine/storage/DiskTestDb.h"
#include "tests/engine/storage/StorageTestUtil.h"

using namespace VexLayout;

namespace {

constexpr int32_t kTableId = 41;

// (INTEGER, BYTES(94)): a 100-byte stored record.
TVexRecordLayout HundredByteLayout() {
  TVexRecordLayout layout;
  layout.Fields = {{vstInteger, 0}, {vstBytes, 94}};
  ComputeRecordLayout(layout);
  return layout;
}

class DiskRecordManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = dir_.File("rows.vex");
    MakeDiskDb(name_, 0);
    OpenDiskDb(pm_, name_);
    ASSERT_EQ(layout_.StoredRecordSize, 100);
  }
  std::vector<uint8_t> Row(int32_t value) const {
    std::vector<uint8_t> row(size_t(layout_.RecordBufferSize), 0);
    WriteInt32LE(row.data() + layout_.Fields[0].BufferOffset, value);
    std::memset(row.data() + layout_.Fields[1].BufferOffset, value & 0xFF, 94);
    return row;
  }
  int32_t Value(const std::vector<uint8_t>& row) const {
    return ReadInt32LE(row.data() + layout_.Fields[0].BufferOffset);
  }
  // Values and identifiers of a full scan, forwards or backwards.
  std::vector<std::pair<int32_t, TVexDiskRecordId>> Scan(TVexDiskRecordManager& rm,
                                                         bool forward = true) {
    std::vector<std::pair<int32_t, TVexDiskRecordId>> seen;
    std::vector<uint8_t> row(size_t(layout_.RecordBufferSize));
    TVexNavigationRequest r;
    r.Mode = forward ? 1 : 2;
    (forward ? r.Bof : r.Eof) = true;
    r.RecordBuffer = row.data();
    for (;;) {
      rm.NavigateRecord(0, r);
      if (r.Result != 0) {
        EXPECT_EQ(r.Result, forward ? 2 : 1);
        break;
      }
      seen.push_back({Value(row), ToDiskRecordId(r.RecordID)});
    }
    if (!forward) std::reverse(seen.begin(), seen.end());
    return seen;
  }
  static std::vector<int32_t> Values(const std::vector<std::pair<int32_t, TVexDiskRecordId>>& s) {
    std::vector<int32_t> v;
    for (auto& e : s) v.push_back(e.first);
    return v;
  }
  TempDir dir_;
  std::string name_;
  TVexDiskPageManager pm_{int64_t(64) << 20};
  TVexRecordLayout layout_ = HundredByteLayout();
};

TEST_F(DiskRecordManagerTest, FortyRecordsPerPageAndScanInPageOrder) {
  TVexDiskRecordManager rm(&pm_, &layout_, kTableId);
  EXPECT_EQ(rm.RecordsPerPage, 40);
  EXPECT_EQ(rm.BitmapSize, 5);
  rm.CreatePageIndex(0);
  std::vector<int32_t> inserted;
  std::map<int32_t, int> perPage;
  for (int32_t v = 0; v < 100; ++v) {
    TVexDiskRecordId id;
    ASSERT_TRUE(rm.AddRecord(0, Row(v).data(), id));
    perPage[id.PageNo]++;
    inserted.push_back(v);
  }
  EXPECT_EQ(rm.RecordCount, 100);
  EXPECT_EQ(rm.TableVersion, 100);
  ASSERT_EQ(perPage.size(), 3u);
  EXPECT_EQ(perPage.begin()->second, 40);
  auto scan = Scan(rm);
  EXPECT_EQ(Values(scan), inserted);
  EXPECT_EQ(Values(Scan(rm, false)), inserted);
  // The stored image: slot 1 of the first page at data offset 5 + 100.
  TVexPageGuard page(pm_, pm_.GetPage(0, scan[1].second.PageNo, false, ptTableRecord));
  EXPECT_EQ(PageOwnerObjectId(page->GetHeader()), kTableId);
  EXPECT_EQ(ReadInt32LE(page->GetData() + 5 + 100 + 1), 1);
}

TEST_F(DiskRecordManagerTest, RecordNumbersFollowThePagesSevenNineTwelve) {
  TVexDiskRecordManager rm(&pm_, &layout_, kTableId);
  // Allocate pages until 12 exists; 7, 9 and 12 become the table's pages.
  std::vector<int32_t> added;
  while (added.empty() || added.back() < 12) {
    TVexPage* p = pm_.AddPage(0, ptTableBlob);
    added.push_back(p->PageNo);
    pm_.ReleasePage(p);
  }
  const std::pair<int32_t, int> pages[] = {{7, 3}, {12, 40}, {9, 1}};
  int32_t value = 0;
  for (auto [pageNo, count] : pages) {
    TVexPageGuard page(pm_, pm_.GetPage(0, pageNo, false, kAnyPageType));
    SetPageType(page->GetHeader(), ptTableRecord);
    SetPageOwnerObjectId(page->GetHeader(), kTableId);
    std::memset(page->GetData(), 0, page->GetDataSize());
    TVexSmallRecordPage view(page.get(), 100, 40);
    std::vector<uint8_t> stored(100);
    for (int i = 0; i < count; ++i) {
      RecordBufferToStoredRecord(layout_, Row(pageNo * 100 + i).data(), stored.data());
      view.AddRecord(stored.data());
    }
    value += count;
  }
  rm.CreatePageIndex(0);
  for (auto [pageNo, count] : pages) rm.PageIndex.AddToPage(0, pageNo, count);
  rm.RecordCount = value;

  auto scan = Scan(rm);
  ASSERT_EQ(scan.size(), 44u);
  EXPECT_EQ(scan[0].first, 700);
  EXPECT_EQ(scan[3].first, 900);
  EXPECT_EQ(scan[4].first, 1200);
  TVexDiskRecordId four = rm.GoToRecordNumber(0, 4);
  TVexDiskRecordId five = rm.GoToRecordNumber(0, 5);
  EXPECT_EQ(four.PageNo, 9);
  EXPECT_EQ(four.Slot, 0);
  EXPECT_EQ(five.PageNo, 12);
  EXPECT_EQ(five.Slot, 0);
  for (int64_t n = 1; n <= 44; ++n)
    EXPECT_EQ(rm.GetRecordNumber(0, rm.GoToRecordNumber(0, n)), n) << n;
  EXPECT_VEX_CODE(rm.GoToRecordNumber(0, 45), 20113);
  EXPECT_EQ(rm.RecordIdToNumber({9, 0}), 360);
  EXPECT_EQ(rm.NumberToRecordId(361).PageNo, 9);
  EXPECT_EQ(rm.NumberToRecordId(361).Slot, 1);

  // The same index comes back from the pages themselves.
  rm.CheckPageIndex(0);
  rm.PageIndex.SetPageCount(0, 12, 39);
  EXPECT_VEX_CODE(rm.CheckPageIndex(0), 20292);
  rm.RebuildPageIndex(0);
  EXPECT_EQ(rm.RecordCount, 44);
  rm.CheckPageIndex(0);
  EXPECT_EQ(Scan(rm), scan);
  pm_.Rollback(0);
}

TEST_F(DiskRecordManagerTest, RemovingThePagesRecordsFreesItAndTheScanSkipsIt) {
  TVexDiskRecordManager rm(&pm_, &layout_, kTableId);
  rm.CreatePageIndex(0);
  TVexDiskRecordId id;
  for (int32_t v = 0; v < 120; ++v) ASSERT_TRUE(rm.AddRecord(0, Row(v).data(), id));
  pm_.Commit(0);
  auto scan = Scan(rm);
  int32_t middle = scan[40].second.PageNo;
  // Delete the middle page's records while a cursor stands on its last one.
  for (int i = 40; i < 79; ++i) ASSERT_TRUE(rm.RemoveRecord(0, scan[size_t(i)].second));
  ASSERT_TRUE(rm.RemoveRecord(0, scan[79].second));
  EXPECT_FALSE(rm.RemoveRecord(0, scan[79].second));
  EXPECT_EQ(rm.PageIndex.GetPageCount(0, middle), -1);
  TVexNavigationRequest r;
  r.RecordID = ToRecordIDBytes(scan[79].second);
  r.Mode = 1;
  rm.NavigateRecord(0, r);
  ASSERT_EQ(r.Result, 0);
  EXPECT_EQ(TVexDiskRecordManager::CompareIds(ToDiskRecordId(r.RecordID), scan[80].second), 0);
  r.RecordID = ToRecordIDBytes(scan[79].second);
  r.Mode = 0;
  rm.NavigateRecord(0, r);
  EXPECT_EQ(r.Result, 3);
  pm_.Commit(0);
  EXPECT_FALSE(pm_.FreeSpaceManager->IsPageUsed(middle));
  std::vector<int32_t> want;
  for (int32_t v = 0; v < 120; ++v)
    if (v < 40 || v >= 80) want.push_back(v);
  EXPECT_EQ(Values(Scan(rm)), want);
  EXPECT_EQ(Values(Scan(rm, false)), want);
  // Prior from a freed page goes to the last record.
  r = TVexNavigationRequest{};
  r.RecordID = ToRecordIDBytes(scan[50].second);
  r.Mode = 2;
  rm.NavigateRecord(0, r);
  EXPECT_EQ(r.Result, 0);
  EXPECT_EQ(TVexDiskRecordManager::CompareIds(ToDiskRecordId(r.RecordID), scan[119].second), 0);
  // New rows fill the free slots of the pages the index offers, then new pages.
  ASSERT_TRUE(rm.AddRecord(0, Row(500).data(), id));
  EXPECT_EQ(rm.RecordCount, 81);
}

TEST_F(DiskRecordManagerTest, ModifyRereadAndEmptyTable) {
  TVexDiskRecordManager rm(&pm_, &layout_, kTableId);
  rm.CreatePageIndex(0);
  TVexNavigationRequest r;
  for (uint8_t dir : {0, 1, 2}) {
    r = TVexNavigationRequest{};
    r.Mode = dir;
    r.Bof = true;
    rm.NavigateRecord(0, r);
    EXPECT_EQ(r.Result, 2) << int(dir);
  }
  TVexDiskRecordId id;
  ASSERT_TRUE(rm.AddRecord(0, Row(1).data(), id));
  ASSERT_TRUE(rm.ModifyRecord(0, Row(2).data(), id));
  EXPECT_FALSE(
      rm.ModifyRecord(0, Row(3).data(), TVexDiskRecordId{id.PageNo, uint16_t(id.Slot + 1)}));
  std::vector<uint8_t> row(size_t(layout_.RecordBufferSize));
  r = TVexNavigationRequest{};
  r.Mode = 0;
  r.RecordID = ToRecordIDBytes(id);
  r.RecordBuffer = row.data();
  rm.NavigateRecord(0, r);
  EXPECT_EQ(r.Result, 0);
  EXPECT_EQ(row, Row(2));
  const struct {
    uint8_t dir;
    bool atBeginning;
    uint8_t result;
  } edges[] = {{2, true, 1}, {0, true, 3}, {1, false, 2}, {0, false, 3}};
  for (auto e : edges) {
    r = TVexNavigationRequest{};
    r.Mode = e.dir;
    (e.atBeginning ? r.Bof : r.Eof) = true;
    rm.NavigateRecord(0, r);
    EXPECT_EQ(r.Result, e.result) << int(e.dir) << e.atBeginning;
  }
  rm.DeleteAllRecords(0);
  EXPECT_EQ(rm.RecordCount, 0);
  EXPECT_TRUE(Scan(rm).empty());
  pm_.Commit(0);
}

TEST_F(DiskRecordManagerTest, GeometryRefusesRecordsThatDoNotFit) {
  TVexRecordLayout big;
  big.Fields = {{vstBytes, 4053}};  // 1 + 4054 = 4055 bytes stored
  ComputeRecordLayout(big);
  EXPECT_VEX_CODE(TVexDiskRecordManager(&pm_, &big, kTableId), 20174);
  big.Fields = {{vstBytes, 4052}};
  ComputeRecordLayout(big);
  EXPECT_EQ(TVexDiskRecordManager(&pm_, &big, kTableId).RecordsPerPage, 1);
}

TEST_F(DiskRecordManagerTest, AnotherProcessReadsTheCommittedRows) {
  int32_t root;
  uint8_t header[TVexDiskRecordManager::kHeaderPartSize];
  std::vector<int32_t> want;
  {
    TVexDiskRecordManager rm(&pm_, &layout_, kTableId);
    rm.CreatePageIndex(0);
    TVexDiskRecordId id;
    for (int32_t v = 0; v < 300; ++v) {
      ASSERT_TRUE(rm.AddRecord(0, Row(v * 7).data(), id));
      want.push_back(v * 7);
    }
    pm_.Commit(0);
    root = rm.PageIndex.RootPageNo();
    rm.SaveToHeader(header);
  }
  pm_.CloseDatabase();
  pid_t child = fork();
  if (child == 0) {
    TVexDiskPageManager pm(int64_t(16) << 20);
    OpenDiskDb(pm, name_);
    TVexDiskRecordManager rm(&pm, &layout_, kTableId);
    rm.PageIndex.SetRootPageNo(root);
    rm.LoadFromHeader(header);
    bool ok = rm.RecordCount == 300 && Values(Scan(rm)) == want;
    _exit(ok && !::testing::Test::HasFailure() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
