// Record page geometry and slots: records per page, slot offsets, the bitmap, adding into the
// lowest free slot, stepping between occupied slots and counting them.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/storage/FileLayout.h"
#include "engine/storage/PageManager.h"
#include "engine/storage/SmallRecordPage.h"
#include "tests/engine/storage/StorageTestUtil.h"

namespace {

// A page manager that only supplies the page geometry for a page view.
class GeometryOnlyPageManager : public TVexPageManager {
 public:
  explicit GeometryOnlyPageManager(uint16_t pageSize)
      : TVexPageManager(pageSize, VexLayout::kPageHeaderSize, int64_t(16) << 20) {}
  void AllocatePage(TVexPage*) override {}
  void FreePage(int32_t) override {}
  bool ReadPage(TVexPage*) override { return true; }
  void WritePage(TVexPage*) override {}
};

struct PageFixture {
  explicit PageFixture(int32_t recordSize, uint16_t pageSize = 4096)
      : manager(pageSize), page(&manager, 7) {
    page.AllocBuffer();
    n = ComputeRecordsPerPage(page.GetDataSize(), recordSize);
    view = std::make_unique<TVexSmallRecordPage>(&page, recordSize, n);
  }
  std::vector<uint8_t> Record(uint8_t fill) const {
    return std::vector<uint8_t>(size_t(view->RecordSize), fill);
  }
  GeometryOnlyPageManager manager;
  TVexPage page;
  int32_t n;
  std::unique_ptr<TVexSmallRecordPage> view;
};

TEST(RecordPageGeometryTest, RecordsPerPage) {
  struct Case {
    int32_t dataSize, recordSize, n;
  };
  const Case cases[] = {
      {4056, 100, 40}, {4056, 4054, 1}, {4056, 1, 3604}, {4056, 0, 32440}, {984, 10, 97}};
  for (const Case& c : cases)
    EXPECT_EQ(ComputeRecordsPerPage(c.dataSize, c.recordSize), c.n) << c.recordSize;
  for (int32_t tooLarge : {4055, 4056, 100000})
    EXPECT_VEX_CODE(ComputeRecordsPerPage(4056, tooLarge), 20174);
}

TEST(RecordPageGeometryTest, HundredByteRecordsOnFourKilobytePages) {
  PageFixture f(100);
  EXPECT_EQ(f.n, 40);
  EXPECT_EQ(f.view->BitmapSize, 5);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(f.view->AddRecord(f.Record(uint8_t(i + 1)).data()), i);
  }
  const uint8_t* data = f.page.GetData();
  for (int i = 0; i < 40; ++i) EXPECT_EQ(data[5 + 100 * i], i + 1) << i;
  EXPECT_EQ(data[3905 + 99], 40);
  EXPECT_EQ(data[4005], 0);  // past the last slot
  for (int b = 0; b < 5; ++b) EXPECT_EQ(data[b], 0xFF);
  EXPECT_VEX_CODE(f.view->AddRecord(f.Record(0).data()), 20141);
  EXPECT_EQ(f.view->CountRecords(), 40);
}

TEST(RecordPageGeometryTest, ViewThatDoesNotFitIsRefused) {
  GeometryOnlyPageManager manager(4096);
  TVexPage page(&manager, 3);
  page.AllocBuffer();
  EXPECT_VEX_CODE(TVexSmallRecordPage(&page, 100, 41), 20140);
  EXPECT_VEX_CODE(TVexSmallRecordPage(&page, -1, 4), 20140);
  TVexSmallRecordPage fits(&page, 100, 40);
  EXPECT_EQ(fits.BitmapSize, 5);
}

TEST(RecordPageSlotsTest, AddTakesLowestFreeSlotAndBitsAreLeastSignificantFirst) {
  PageFixture f(100);
  for (int i = 0; i < 12; ++i) f.view->AddRecord(f.Record(uint8_t(i)).data());
  EXPECT_TRUE(f.view->DeleteRecord(3));
  EXPECT_TRUE(f.view->DeleteRecord(9));
  EXPECT_FALSE(f.view->DeleteRecord(9));
  EXPECT_EQ(f.page.GetData()[0], 0xF7);  // slots 0-7 but 3
  EXPECT_EQ(f.page.GetData()[1], 0x0D);  // slots 8, 10, 11
  EXPECT_EQ(f.view->FindFreeSlot(), 3);
  EXPECT_EQ(f.view->AddRecord(f.Record(0xAA).data()), 3);
  EXPECT_EQ(f.view->AddRecord(f.Record(0xBB).data()), 9);
  EXPECT_EQ(f.view->AddRecord(f.Record(0xCC).data()), 12);
  std::vector<uint8_t> out(100);
  EXPECT_TRUE(f.view->ReadRecord(9, out.data()));
  EXPECT_EQ(out, f.Record(0xBB));
}

TEST(RecordPageSlotsTest, EmptySlotsAreNotReadWrittenOrDeleted) {
  PageFixture f(20);
  std::vector<uint8_t> out(20, 0x55);
  f.page.Dirty = false;
  for (int32_t slot : {0, 5, -1, f.n, f.n + 100, 0x10000}) {
    EXPECT_FALSE(f.view->ReadRecord(slot, out.data())) << slot;
    EXPECT_FALSE(f.view->WriteRecord(slot, out.data())) << slot;
    EXPECT_FALSE(f.view->DeleteRecord(slot)) << slot;
  }
  EXPECT_FALSE(f.page.Dirty);
  EXPECT_EQ(out, std::vector<uint8_t>(20, 0x55));
  f.view->AddRecord(f.Record(1).data());
  EXPECT_TRUE(f.view->WriteRecord(0, f.Record(2).data()));
  EXPECT_TRUE(f.page.Dirty);
  EXPECT_TRUE(f.view->ReadRecord(0, out.data()));
  EXPECT_EQ(out, f.Record(2));
}

TEST(RecordPageSlotsTest, SteppingCountingAndPositions) {
  PageFixture f(100);
  EXPECT_VEX_CODE(f.view->FirstRecord(), 20143);
  EXPECT_VEX_CODE(f.view->LastRecord(), 20144);
  EXPECT_VEX_CODE(f.view->RecordAt(0), 20146);
  for (int i = 0; i < 40; ++i) f.view->AddRecord(f.Record(1).data());
  // Keep slots 2, 17, 39.
  for (int i = 0; i < 40; ++i)
    if (i != 2 && i != 17 && i != 39) f.view->DeleteRecord(i);
  EXPECT_EQ(f.view->CountRecords(), 3);
  EXPECT_EQ(f.view->FirstRecord(), 2);
  EXPECT_EQ(f.view->LastRecord(), 39);
  uint16_t s = 0;
  ASSERT_TRUE(f.view->NextRecord(2, s));
  EXPECT_EQ(s, 17);
  ASSERT_TRUE(f.view->NextRecord(17, s));
  EXPECT_EQ(s, 39);
  EXPECT_FALSE(f.view->NextRecord(39, s));
  ASSERT_TRUE(f.view->PriorRecord(39, s));
  EXPECT_EQ(s, 17);
  ASSERT_TRUE(f.view->PriorRecord(17, s));
  EXPECT_EQ(s, 2);
  EXPECT_FALSE(f.view->PriorRecord(2, s));
  ASSERT_TRUE(f.view->NextRecord(5, s));  // from an empty slot too
  EXPECT_EQ(s, 17);
  EXPECT_EQ(f.view->RecordAt(0), 2);
  EXPECT_EQ(f.view->RecordAt(2), 39);
  EXPECT_VEX_CODE(f.view->RecordAt(3), 20146);
  EXPECT_VEX_CODE(f.view->RecordAt(-1), 20146);
  EXPECT_EQ(f.view->RecordsBefore(2), 0);
  EXPECT_EQ(f.view->RecordsBefore(3), 1);
  EXPECT_EQ(f.view->RecordsBefore(39), 2);
  EXPECT_EQ(f.view->RecordsBefore(40), 3);
}

TEST(RecordPageSlotsTest, StrayBitsPastTheLastSlotAreIgnored) {
  PageFixture g(120);  // 33 slots: bits 1..7 of byte 4 lie past the last slot
  ASSERT_EQ(g.n, 33);
  g.page.GetData()[4] = 0xFE;
  EXPECT_EQ(g.view->CountRecords(), 0);
  uint16_t s;
  EXPECT_FALSE(g.view->NextRecord(-1, s));
  EXPECT_VEX_CODE(g.view->LastRecord(), 20144);
  for (int i = 0; i < 32; ++i) g.view->AddRecord(g.Record(1).data());
  EXPECT_EQ(g.view->FindFreeSlot(), 32);
  g.view->AddRecord(g.Record(1).data());
  EXPECT_EQ(g.view->FindFreeSlot(), -1);
  EXPECT_EQ(g.view->CountRecords(), 33);
}

}  // namespace
