// The page cache and per-session changes: capacity, use counts, sessions, typed reads, commit
// and rollback with their checks, and eviction of least recently used pages.
#include <gtest/gtest.h>

#include "engine/storage/DiskPageManager.h"
#include "platform/LittleEndian.h"
#include "tests/engine/storage/DiskTestDb.h"
#include "tests/engine/storage/StorageTestUtil.h"

using namespace VexLayout;

namespace {

class PageManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = dir_.File("db.vex");
    pages_ = MakeDiskDb(name_, 8, ptTableRecord);
  }
  TempDir dir_;
  std::string name_;
  std::vector<int32_t> pages_;
};

TEST(PageCacheCapacityTest, FollowsAvailableMemory) {
  struct Case {
    int64_t memory;
    int32_t capacity;
  };
  const Case cases[] = {{200ll << 20, 1000}, {20971520, 320}, {65535, 0}, {1ll << 40, 1000}};
  for (const Case& c : cases)
    EXPECT_EQ(TVexPageManager::CacheCapacityFor(c.memory), c.capacity) << c.memory;
}

TEST_F(PageManagerTest, UseCountsAndSessions) {
  TVexDiskPageManager pm;
  OpenDiskDb(pm, name_);
  TVexPage* a = pm.GetPage(1, 3, false, ptTableRecord);
  TVexPage* b = pm.GetPage(1, 3, false, kAnyPageType);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->UseCount, 2);
  EXPECT_VEX_CODE(pm.GetPage(2, 3, false, ptTableRecord), 20090);
  pm.ReleasePage(a);
  EXPECT_VEX_CODE(pm.GetPage(2, 3, false, ptTableRecord), 20090);
  pm.ReleasePage(b);
  TVexPage* c = pm.GetPage(2, 3, false, ptTableRecord);
  EXPECT_EQ(c, a);
  EXPECT_EQ(c->SessionId, 2);
  pm.ReleasePage(c);
  EXPECT_VEX_CODE(pm.GetPage(-1, 3, false, ptTableRecord), 20186);
  for (int32_t mapPage : {0, 1}) {
    std::string msg = EXPECT_VEX_CODE(pm.GetPage(0, mapPage, false, kAnyPageType), 30434);
    EXPECT_NE(msg.find("PageNo=" + std::to_string(mapPage)), std::string::npos);
    EXPECT_VEX_CODE(pm.RemovePage(0, mapPage), 30434);
  }
}

TEST_F(PageManagerTest, TypedReadOfAnotherTypeNamesBothTypes) {
  {
    TVexDiskPageManager pm;
    OpenDiskDb(pm, name_);
    TVexPage* blob = pm.AddPage(0, ptTableBlob);
    int32_t no = blob->PageNo;
    pm.ReleasePage(blob);
    pm.Commit(0);
    pm.CloseDatabase();
    TVexDiskPageManager again;
    OpenDiskDb(again, name_);
    std::string msg = EXPECT_VEX_CODE(again.GetPage(0, no, false, ptTableRecord), 20153);
    EXPECT_NE(msg.find("Expected type 10, but found 11"), std::string::npos) << msg;
    // The refused page does not stay behind in the cache.
    EXPECT_EQ(again.SharedCache.Find(no), nullptr);
    TVexPageGuard page(again, again.GetPage(0, no, false, ptTableBlob));
    EXPECT_EQ(PageType(page->Buffer), ptTableBlob);
  }
  TVexDiskPageManager pm;
  OpenDiskDb(pm, name_);
  // A page beyond the end of the file reads as header defaults of type 0.
  EXPECT_VEX_CODE(pm.GetPage(0, 5000, false, ptTableRecord), 20153);
}

TEST_F(PageManagerTest, AddedAndRolledBackPageIsHandedOutAgain) {
  TVexDiskPageManager pm;
  OpenDiskDb(pm, name_);
  TVexPage* p = pm.AddPage(3, ptTableRecord);
  int32_t no = p->PageNo;
  pm.ReleasePage(p);
  pm.Rollback(3);
  EXPECT_EQ(pm.FindSession(3)->DirtyPages.Count(), 0);
  TVexPage* q = pm.AddPage(4, ptTableRecord);
  EXPECT_EQ(q->PageNo, no);
  pm.ReleasePage(q);
  pm.Rollback(4);
}

TEST_F(PageManagerTest, RollbackDropsChangesAndCommitMakesThemDurable) {
  TVexDiskPageManager pm;
  OpenDiskDb(pm, name_);
  auto change = [&](int32_t session, int32_t pageNo, const char* text) {
    TVexPageGuard p(pm, pm.GetPage(session, pageNo, true, ptTableRecord));
    std::strcpy(reinterpret_cast<char*>(p->GetData()), text);
    p->Dirty = true;
  };
  change(1, 4, "changed");
  EXPECT_EQ(pm.FindSession(1)->DirtyPages.Count(), 1);
  pm.Rollback(1);
  {
    TVexPageGuard p(pm, pm.GetPage(1, 4, true, ptTableRecord));
    EXPECT_EQ(PageText(p.get()), "page 4");
  }
  change(1, 4, "committed");
  int32_t counter = PageChangeCounter(pm.FindSession(1)->DirtyPages.Find(4)->Buffer);
  int32_t changeCount = pm.MainHeader.ChangeCount;
  pm.Commit(1);
  EXPECT_EQ(pm.MainHeader.ChangeCount, changeCount + 1);
  EXPECT_EQ(pm.MainHeader.WriteState, 2);
  pm.CloseDatabase();
  std::vector<uint8_t> bytes = ReadAll(name_);
  const uint8_t* page = &bytes[380 + 4 * 4096];
  EXPECT_STREQ(reinterpret_cast<const char*>(page + 40), "committed");
  EXPECT_EQ(PageChangeCounter(page), NextChangeCounter(counter));
  EXPECT_EQ(bytes[42], 2);
  EXPECT_EQ(ReadInt32LE(&bytes[38]), changeCount + 1);
}

TEST_F(PageManagerTest, CommitAndRollbackRefusePagesInUse) {
  TVexDiskPageManager pm;
  OpenDiskDb(pm, name_);
  TVexPage* clean = pm.GetPage(1, 3, false, ptTableRecord);
  TVexPage* added = pm.AddPage(1, ptTableRecord);
  EXPECT_VEX_CODE(pm.Commit(1), 20152);
  pm.ReleasePage(clean);
  EXPECT_VEX_CODE(pm.Commit(1), 20086);
  EXPECT_VEX_CODE(pm.Rollback(1), 20088);
  added->Dirty = false;
  pm.ReleasePage(added);
  EXPECT_VEX_CODE(pm.Commit(1), 20085);
  EXPECT_VEX_CODE(pm.Rollback(1), 20087);
  EXPECT_VEX_CODE(pm.CheckAndFreePages(), 20097);
  pm.FindSession(1)->DirtyPages.Find(added->PageNo)->Dirty = true;
  pm.Rollback(1);
  EXPECT_NO_THROW(pm.CheckAndFreePages());
}

TEST_F(PageManagerTest, CacheEvictsLeastRecentlyUsedUnusedPages) {
  TVexDiskPageManager pm(3 * 65536);
  ASSERT_EQ(pm.CacheCapacity, 3);
  OpenDiskDb(pm, name_);
  TVexPage* held = pm.GetPage(0, 2, false, ptTableRecord);
  for (int32_t no : pages_) {
    if (no == 2) continue;
    TVexPageGuard p(pm, pm.GetPage(0, no, false, ptTableRecord));
    EXPECT_EQ(PageText(p.get()), "page " + std::to_string(no));
  }
  EXPECT_LE(pm.SharedCache.Count(), 4);
  EXPECT_NE(pm.SharedCache.Find(2), nullptr);  // in use, never evicted
  EXPECT_NE(pm.SharedCache.Find(pages_.back()), nullptr);
  pm.ReleasePage(held);  // the release touches page 2 and brings the cache back to capacity
  EXPECT_EQ(pm.SharedCache.Count(), 3);
  EXPECT_NE(pm.SharedCache.Find(2), nullptr);
  for (int32_t no : {3, 4, 5}) {
    TVexPageGuard p(pm, pm.GetPage(0, no, false, ptTableRecord));
  }
  EXPECT_EQ(pm.SharedCache.Count(), 3);
  EXPECT_EQ(pm.SharedCache.Find(2), nullptr);
}

}  // namespace
