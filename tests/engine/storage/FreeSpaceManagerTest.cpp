// The free-space map: map page numbers, allocation with growth over PFS and EAM boundaries,
// freeing with its checks, reuse of freed pages and shrinking of the file; map pages held in
// memory agree with the file.
#include <gtest/gtest.h>

#include <set>

#include "engine/storage/DiskPageManager.h"
#include "engine/storage/FreeSpaceManager.h"
#include "tests/engine/storage/DiskTestDb.h"
#include "tests/engine/storage/StorageTestUtil.h"

using namespace VexLayout;

namespace {

TEST(FreeSpaceManagerTest, MapPageNumbersForPageSize4096AndExtent8) {
  TempDir dir;
  TVexDiskPageManager pm;
  pm.CreateDatabase(dir.File("db.vex"), {}, 8, 4096);
  TVexDatabaseFreeSpaceManager& fsm = *pm.FreeSpaceManager;
  EXPECT_EQ(fsm.PagesPerPFS, 32448);
  EXPECT_EQ(fsm.PagesPerEAM, 129792);
  struct Case {
    int32_t page;
    bool map;
  };
  const Case cases[] = {{0, true},      {1, true},      {2, false},      {32447, false},
                        {32448, true},  {32449, false}, {64896, true},   {129791, false},
                        {129792, true}, {129793, true}, {129794, false}, {259584, true},
                        {259585, true}, {162240, true}, {162241, false}};
  for (const Case& c : cases) EXPECT_EQ(fsm.IsMapPage(c.page), c.map) << c.page;
  EXPECT_EQ(fsm.PFSPageNo(4), 129792);
  EXPECT_EQ(fsm.EAMPageNo(0), 1);
  EXPECT_EQ(fsm.EAMPageNo(1), 129793);
}

TEST(FreeSpaceManagerTest, AllocationGrowsFreesReusesAndShrinks) {
  TempDir dir;
  std::string name = dir.File("db.vex");
  TVexDiskPageManager pm;
  pm.CreateDatabase(name, {}, 8, 4096);
  TVexDatabaseFreeSpaceManager& fsm = *pm.FreeSpaceManager;
  std::vector<int32_t> got;
  for (int i = 0; i < 4; ++i) got.push_back(fsm.AllocatePage());
  EXPECT_EQ(got, (std::vector<int32_t>{2, 3, 4, 5}));
  EXPECT_EQ(pm.MainHeader.TotalPageCount, 6);
  EXPECT_EQ(fsm.AllocatePage(), 6);  // growth by max(6 div 10, 8) = 8 pages
  EXPECT_EQ(pm.MainHeader.TotalPageCount, 14);
  EXPECT_EQ(pm.DatabaseFile.GetSize(), 380 + 14 * 4096);
  EXPECT_EQ(fsm.AllocatePage(), 7);
  EXPECT_EQ(fsm.ExtentState(0), 3);  // pages 0..7 all in use (map pages count as used)
  EXPECT_EQ(fsm.ExtentState(1), 0);  // pages 8..15 never described yet
  fsm.FreePage(4);
  EXPECT_EQ(fsm.ExtentState(0), 1);
  std::string msg = EXPECT_VEX_CODE(fsm.FreePage(4), 30427);
  EXPECT_NE(msg.find("Page: 4 already free"), std::string::npos);
  EXPECT_VEX_CODE(fsm.FreePage(14), 30431);
  EXPECT_EQ(fsm.AllocatePage(), 4);
  EXPECT_EQ(pm.MainHeader.LastAllocatedPageNo, 7);
  // Freeing the pages at the end lowers LastAllocatedPageNo and shrinks the file once the free
  // tail reaches the growth step (8 pages here).
  fsm.FreePage(7);
  EXPECT_EQ(pm.MainHeader.LastAllocatedPageNo, 6);
  EXPECT_EQ(pm.MainHeader.TotalPageCount, 14);  // free tail of 7 pages
  fsm.FreePage(6);
  EXPECT_EQ(pm.MainHeader.LastAllocatedPageNo, 5);
  EXPECT_EQ(pm.MainHeader.TotalPageCount, 6);  // free tail of 8 pages: cut
  fsm.FreePage(5);
  EXPECT_EQ(pm.MainHeader.LastAllocatedPageNo, 4);
  EXPECT_EQ(pm.MainHeader.TotalPageCount, 6);
  pm.CloseDatabase();
  std::vector<uint8_t> bytes = ReadAll(name);
  EXPECT_EQ(ReadInt32LE(&bytes[30]), 6);
  EXPECT_EQ(bytes.size(), 380u + 6 * 4096);
}

TEST(FreeSpaceManagerTest, ManyPagesAcrossMapBoundariesWithSmallPages) {
  TempDir dir;
  std::string name = dir.File("small.vex");
  TVexDiskPageManager pm;
  pm.CreateDatabase(name, {}, 1, 64);  // DS 24: P 192, E 96
  TVexDatabaseFreeSpaceManager& fsm = *pm.FreeSpaceManager;
  std::set<int32_t> pages;
  for (int i = 0; i < 700; ++i) {
    int32_t n = fsm.AllocatePage();
    EXPECT_FALSE(fsm.IsMapPage(n)) << n;
    EXPECT_TRUE(pages.insert(n).second) << n;
  }
  for (int32_t map : {0, 1, 96, 192, 193, 288, 384, 385, 480, 576, 577, 672})
    EXPECT_TRUE(fsm.IsMapPage(map)) << map;
  pm.CloseDatabase();
  TVexDiskPageManager again;
  OpenDiskDb(again, name);
  TVexDatabaseFreeSpaceManager& fsm2 = *again.FreeSpaceManager;
  fsm2.Reload();
  for (int32_t n : pages) ASSERT_TRUE(fsm2.IsPageUsed(n)) << n;
  for (auto it = pages.rbegin(); it != pages.rend(); ++it) fsm2.FreePage(*it);
  EXPECT_EQ(again.MainHeader.LastAllocatedPageNo, -1);
  EXPECT_LT(again.MainHeader.TotalPageCount, 200);
  EXPECT_EQ(fsm2.AllocatePage(), 2);
}

// Map pages stay in memory between operations of a single-user manager; after freeing down
// to a shrink and growing again (map pages recreated at the same numbers) the held pages, the
// file and a manager that reads the map afresh must all agree.
TEST(FreeSpaceManagerTest, HeldMapPagesMatchTheFileThroughShrinkAndRegrowth) {
  TempDir dir;
  std::string name = dir.File("held.vex");
  TVexDiskPageManager pm;
  pm.CreateDatabase(name, {}, 1, 64);  // DS 24: P 192, E 96
  TVexDatabaseFreeSpaceManager& fsm = *pm.FreeSpaceManager;
  std::set<int32_t> used;
  for (int i = 0; i < 500; ++i) used.insert(fsm.AllocatePage());
  EXPECT_GT(fsm.CachedMapPageCount(), 0u);
  for (auto it = used.begin(); it != used.end();) {
    if (*it > 120 || *it % 3 == 0) {
      fsm.FreePage(*it);
      it = used.erase(it);
    } else {
      ++it;
    }
  }
  EXPECT_LT(pm.MainHeader.TotalPageCount, 200);  // shrunk below the second PFS page
  for (int i = 0; i < 400; ++i) EXPECT_TRUE(used.insert(fsm.AllocatePage()).second);
  auto check = [&](TVexDatabaseFreeSpaceManager& m, const char* who) {
    for (int32_t n = 0; n < m.TotalPageCount; ++n) {
      if (m.IsMapPage(n)) continue;
      ASSERT_EQ(m.IsPageUsed(n), used.count(n) == 1) << who << " " << n;
    }
  };
  check(fsm, "held");
  pm.CloseDatabase();
  TVexDiskPageManager again;
  OpenDiskDb(again, name);
  again.FreeSpaceManager->Reload();
  check(*again.FreeSpaceManager, "reread");
}

// Another process may change the map between two operations of a multi-user manager.
TEST(FreeSpaceManagerTest, MultiUserManagerHoldsNoMapPagesBetweenOperations) {
  TempDir dir;
  std::string name = dir.File("multi.vex");
  MakeDiskDb(name, 3, ptTableRecord);
  TVexDiskPageManager pm;
  bool multiUser = true, readOnly = false;
  TVexPassword password;
  pm.OpenDatabase(name, password, multiUser, false, readOnly);
  ASSERT_TRUE(multiUser);
  TVexDatabaseFreeSpaceManager& fsm = *pm.FreeSpaceManager;
  int32_t n = fsm.AllocatePage();
  EXPECT_EQ(fsm.CachedMapPageCount(), 0u);
  EXPECT_TRUE(fsm.IsPageUsed(n));
  fsm.FreePage(n);
  EXPECT_EQ(fsm.CachedMapPageCount(), 0u);
}

}  // namespace
