// Page indexes: growth with a fixed root, persistence in a database file, traversal and its
// errors, counts, merges, and lookups in trees whose node keys lag behind their leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <random>

#include "engine/storage/MemoryPageManager.h"
#include "engine/storage/VexBTreePageIndex.h"
#include "tests/engine/storage/DiskTestDb.h"
#include "tests/engine/storage/StorageTestUtil.h"

namespace {

constexpr int32_t kSession = 0;

int32_t Depth(TVexBTreePageIndex& index, int32_t sessionId = kSession) {
  TVexKeyPath path;
  index.Tree.FirstEntry(sessionId, path);
  return path.Count;
}

std::vector<std::pair<int32_t, uint16_t>> Forward(TVexBTreePageIndex& index) {
  std::vector<std::pair<int32_t, uint16_t>> all;
  int32_t page;
  uint16_t count;
  for (bool ok = index.FirstPage(kSession, page, &count); ok;
       ok = index.NextPage(kSession, page, page, &count))
    all.emplace_back(page, count);
  return all;
}

}  // namespace

TEST(VexBTreePageIndex, RootKeepsItsPageNumberWhileGrowingToThreeLevelsOnDisk) {
  TempDir dir;
  const std::string name = dir.File("pi.vex");
  int32_t root;
  {
    TVexDiskPageManager pm(int64_t(64) << 20);
    pm.CreateDatabase(name, {}, 8, 256);  // small pages: many levels with few keys
    TVexBTreePageIndex index(pm, -1, 77);
    root = index.Create(-2);
    for (int32_t p = 1; p <= 3000; ++p) {
      index.AddToPage(-2, p, uint16_t(p % 40 + 1));
      ASSERT_EQ(index.RootPageNo(), root);
    }
    EXPECT_GE(Depth(index, -2), 3);
    EXPECT_EQ(index.Tree.CheckTree(-2, true), "");
    pm.Commit(-2);
    pm.CloseDatabase();
  }
  TVexDiskPageManager pm(int64_t(64) << 20);
  OpenDiskDb(pm, name);
  TVexBTreePageIndex index(pm, root);
  const auto all = Forward(index);
  ASSERT_EQ(all.size(), 3000u);
  for (int32_t p = 1; p <= 3000; ++p) {
    EXPECT_EQ(all[size_t(p - 1)].first, p);
    EXPECT_EQ(all[size_t(p - 1)].second, p % 40 + 1);
  }
  TVexPage* rootPage = pm.GetPage(kSession, root, false, VexLayout::ptTableIndex);
  EXPECT_EQ(VexLayout::PageOwnerObjectId(rootPage->GetHeader()), 77);
  pm.ReleasePage(rootPage);
  int32_t page, prior;
  ASSERT_TRUE(index.LastPage(kSession, page));
  EXPECT_EQ(page, 3000);
  int32_t steps = 1;
  while (index.PriorPage(kSession, page, prior)) {
    EXPECT_EQ(prior, page - 1);
    page = prior;
    ++steps;
  }
  EXPECT_EQ(steps, 3000);
  EXPECT_EQ(index.TotalCount(kSession), [] {
    int64_t t = 0;
    for (int p = 1; p <= 3000; ++p) t += p % 40 + 1;
    return t;
  }());
}

TEST(VexBTreePageIndex, TraversalErrors) {
  TVexMemoryPageManager pm(int64_t(64) << 20);
  TVexBTreePageIndex index(pm);
  int32_t page;
  EXPECT_VEX_CODE(index.FirstPage(kSession, page), 20115);
  EXPECT_VEX_CODE(index.LastPage(kSession, page), 20116);
  EXPECT_VEX_CODE(index.NextPage(kSession, 1, page), 20117);
  EXPECT_VEX_CODE(index.PriorPage(kSession, 1, page), 20118);
  index.Create(kSession);
  EXPECT_FALSE(index.FirstPage(kSession, page));
  index.AddToPage(kSession, 7, 3);
  EXPECT_VEX_CODE(index.NextPage(kSession, 8, page), 20104);
  EXPECT_VEX_CODE(index.PriorPage(kSession, 8, page), 20105);
  EXPECT_FALSE(index.NextPage(kSession, 7, page));
}

TEST(VexBTreePageIndex, CountsAndPagesWithSpace) {
  TVexMemoryPageManager pm(int64_t(64) << 20);
  TVexBTreePageIndex index(pm);
  index.Create(kSession);
  EXPECT_EQ(index.FindPageWithSpace(kSession, 40), -1);
  // The pages 7, 12 and 9 holding 3, 40 and 1 records scan in page order.
  index.AddToPage(kSession, 7, 3);
  index.AddToPage(kSession, 12, 40);
  index.AddToPage(kSession, 9, 1);
  EXPECT_EQ(Forward(index), (std::vector<std::pair<int32_t, uint16_t>>{{7, 3}, {9, 1}, {12, 40}}));
  EXPECT_EQ(index.FindPageWithSpace(kSession, 40), 9);  // from the end backwards
  index.AddToPage(kSession, 9, 39);
  EXPECT_EQ(index.FindPageWithSpace(kSession, 40), 7);
  index.SetPageCount(kSession, 7, 40);
  EXPECT_EQ(index.FindPageWithSpace(kSession, 40), -1);
  index.SetPageCount(kSession, 9, 0);
  EXPECT_EQ(Forward(index), (std::vector<std::pair<int32_t, uint16_t>>{{7, 40}, {12, 40}}));
  EXPECT_EQ(index.TotalCount(kSession), 80);
  uint16_t count;
  EXPECT_FALSE(index.Find(kSession, 9, count));
  EXPECT_EQ(index.GetPageCount(kSession, 9), -1);
  EXPECT_EQ(index.GetPageCount(kSession, 12), 40);
  // Neighbours of a page that is no longer listed.
  int32_t page;
  ASSERT_TRUE(index.PageAfter(kSession, 9, true, page));
  EXPECT_EQ(page, 12);
  ASSERT_TRUE(index.PageAfter(kSession, 9, false, page));
  EXPECT_EQ(page, 7);
  EXPECT_FALSE(index.PageAfter(kSession, 12, true, page));
  index.Clear(kSession);
  EXPECT_EQ(index.TotalCount(kSession), 0);
  const int32_t root = index.RootPageNo();
  index.Delete(kSession);
  EXPECT_EQ(index.RootPageNo(), -1);
  pm.Commit(kSession);
  EXPECT_FALSE(pm.IsAllocated(root));
}

TEST(VexBTreePageIndex, RandomInsertsAndDeletesKeepTheTreeSound) {
  TVexMemoryPageManager pm(int64_t(64) << 20);
  TVexBTreePageIndex index(pm);
  index.Create(kSession);
  std::mt19937 rng(12345);
  std::map<int32_t, uint16_t> model;
  for (int round = 0; round < 6; ++round) {
    const bool growing = round % 2 == 0;
    for (int i = 0; i < 4000; ++i) {
      const int32_t page = int32_t(rng() % 20000) - 10000;  // negative keys too
      if (growing || rng() % 4 == 0) {
        const uint16_t count = uint16_t(rng() % 100 + 1);
        index.SetPageCount(kSession, page, count);
        model[page] = count;
      } else {
        index.SetPageCount(kSession, page, 0);
        model.erase(page);
      }
    }
    ASSERT_EQ(index.Tree.CheckTree(kSession, true), "") << "round " << round;
    const std::vector<std::pair<int32_t, uint16_t>> expected(model.begin(), model.end());
    ASSERT_EQ(Forward(index), expected);
  }
  // Emptying the index brings it back to a single root leaf.
  for (const auto& [page, count] : model) index.SetPageCount(kSession, page, 0);
  EXPECT_EQ(index.Tree.CheckTree(kSession, true), "");
  EXPECT_EQ(Depth(index), 1);
  pm.Commit(kSession);
  EXPECT_EQ(pm.TotalPageCount, 1);
}

// AddToPage right after FindPageWithSpace reuses the place the search found; inserts and
// deletes that move entries, or a rollback in between, must not let it change another entry.
TEST(VexBTreePageIndex, AddAfterSpaceSearchCountsTheFoundPage) {
  TempDir dir;
  TVexDiskPageManager pm(int64_t(64) << 20);
  pm.CreateDatabase(dir.File("hint.vex"), {}, 8, 1024);
  TVexBTreePageIndex index(pm);
  index.Create(kSession);
  std::mt19937 rng(777);
  std::map<int32_t, uint16_t> model, committed;
  for (int32_t p = 0; p < 3000; ++p) {
    const uint16_t count = uint16_t(rng() % 3 == 0 ? 10 : 40);
    index.SetPageCount(kSession, p * 2, count);
    model[p * 2] = count;
  }
  pm.Commit(kSession);
  committed = model;
  for (int i = 0; i < 3000; ++i) {
    const int32_t found = index.FindPageWithSpace(kSession, 40);
    ASSERT_GE(found, 0) << i;
    switch (rng() % 4) {
      case 0: {  // an entry inserted or removed before the found one in its leaf
        const int32_t other = found - 1 - 2 * int32_t(rng() % 3);
        const bool listed = model.count(other) != 0;
        index.SetPageCount(kSession, other, listed ? 0 : 5);
        if (listed)
          model.erase(other);
        else
          model[other] = 5;
        break;
      }
      case 1:  // the changes since the last commit undone
        pm.Rollback(kSession);
        model = committed;
        break;
      case 2:
        pm.Commit(kSession);
        committed = model;
        break;
      default:
        break;
    }
    index.AddToPage(kSession, found, 1);
    ++model[found];
  }
  ASSERT_EQ(index.Tree.CheckTree(kSession, true), "");
  const auto all = Forward(index);
  const std::vector<std::pair<int32_t, uint16_t>> expected(model.begin(), model.end());
  ASSERT_EQ(all.size(), expected.size());
  for (size_t k = 0; k < all.size(); ++k) ASSERT_EQ(all[k], expected[k]) << "entry " << k;
}

TEST(VexBTreePageIndex, UnderFullLeavesMergeIntoANeighbour) {
  TVexMemoryPageManager pm(int64_t(64) << 20);
  TVexBTreePageIndex index(pm);
  index.Create(kSession);
  const int32_t perLeaf = index.Tree.LeafCapacity();                       // 679 on 4096-byte pages
  for (int32_t p = 0; p <= perLeaf; ++p) index.AddToPage(kSession, p, 1);  // 340 + 340
  for (int32_t p = perLeaf + 1; p < perLeaf + 161; ++p) index.AddToPage(kSession, p, 1);
  pm.Commit(kSession);
  ASSERT_EQ(Depth(index), 2);
  ASSERT_EQ(pm.TotalPageCount, 3);  // root, left leaf of 340, right leaf of 500
  // The left leaf is under full below 340 entries but fits the right one only at 179.
  int32_t left = 340;
  for (int32_t p = 0; pm.TotalPageCount == 3; ++p) {
    index.SetPageCount(kSession, p, 0);
    --left;
    pm.Commit(kSession);
    ASSERT_EQ(index.Tree.CheckTree(kSession, true), "");
  }
  EXPECT_EQ(left, perLeaf - 500);
  // The root took the merged leaf back: one level again, nothing lost.
  EXPECT_EQ(pm.TotalPageCount, 1);
  EXPECT_EQ(Depth(index), 1);
  EXPECT_EQ(int32_t(Forward(index).size()), perLeaf);
}

TEST(VexBTreePageIndex, LookupsSurviveNodeKeysThatLagBehindTheLeaves) {
  TVexMemoryPageManager pm(int64_t(64) << 20);
  TVexBTreePageIndex index(pm);
  index.Create(kSession);
  for (int32_t p = 0; p < 6000; p += 2) index.AddToPage(kSession, p, 1);
  ASSERT_EQ(Depth(index), 2);
  TVexPage* root = pm.GetPage(kSession, index.RootPageNo(), false, 255);
  TVexBTreePageView v(root->GetData(), 2);
  ASSERT_GE(v.ItemCount(), 3);
  const int32_t second = ReadInt32LE(v.Key(1)), third = ReadInt32LE(v.Key(2));
  // Another writer may leave a node key above its child's smallest key ...
  WriteInt32LE(v.Key(1), second + 10);
  // ... or well below it.
  WriteInt32LE(v.Key(2), second + 20);
  pm.ReleasePage(root);
  uint16_t count;
  for (int32_t p = 0; p < 6000; p += 2) ASSERT_TRUE(index.Find(kSession, p, count)) << p;
  EXPECT_FALSE(index.Find(kSession, third - 1, count));
  EXPECT_NE(index.Tree.CheckTree(kSession, false), "");
  // Insertions still land in order.
  index.AddToPage(kSession, second + 1, 1);
  index.AddToPage(kSession, third + 1, 1);
  int32_t previous = -1;
  for (const auto& [page, c] : Forward(index)) {
    EXPECT_LT(previous, page);
    previous = page;
  }
}

TEST(VexBTreePageIndex, DamagedPagesRaiseInsteadOfReadingPastThem) {
  TVexMemoryPageManager pm(int64_t(64) << 20);
  TVexBTreePageIndex index(pm);
  index.Create(kSession);
  for (int32_t p = 0; p < 2000; ++p) index.AddToPage(kSession, p, 1);
  pm.Commit(kSession);
  TVexKeyPath path;
  ASSERT_TRUE(index.Tree.FirstEntry(kSession, path));
  const int32_t firstLeaf = path.Leaf().PageNo;
  ASSERT_TRUE(index.Tree.LastEntry(kSession, path));
  const int32_t lastLeaf = path.Leaf().PageNo;
  auto data = [&](int32_t pageNo) {
    TVexPage* page = pm.GetPage(kSession, pageNo, false, 255);
    pm.ReleasePage(page);
    return TVexBTreePageView(page->GetData(), 2);
  };
  struct Case {
    const char* what;
    std::function<void()> damage;
    std::function<void()> use;
  };
  int32_t page;
  uint16_t count;
  const Case cases[] = {
      {"item count beyond the page", [&] { data(firstLeaf).SetItemCount(5000); },
       [&] { index.FirstPage(kSession, page); }},
      {"foreign key size", [&] { data(index.RootPageNo()).SetKeySize(8); },
       [&] { index.Find(kSession, 5, count); }},
      {"level links in a circle", [&] { data(lastLeaf).SetNextPageNo(firstLeaf); },
       [&] { index.TotalCount(kSession); }},
      {"level links in a circle, counted by pages",
       [&] { data(lastLeaf).SetNextPageNo(firstLeaf); },
       [&] { index.Tree.CountEntries(kSession); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> saved(pm.PageBuffers.size() * 4096);
    for (size_t i = 0; i < pm.PageBuffers.size(); ++i)
      if (pm.PageBuffers[i]) std::memcpy(&saved[i * 4096], pm.PageBuffers[i].Data(), 4096);
    c.damage();
    EXPECT_VEX_CODE(c.use(), 20296);
    for (size_t i = 0; i < pm.PageBuffers.size(); ++i)
      if (pm.PageBuffers[i]) std::memcpy(pm.PageBuffers[i].Data(), &saved[i * 4096], 4096);
  }
}
