// The record page index: growth with a fixed root, order of the leaf level in both
// directions, counts in place, removal with merges, the search for a page with space, and the
// errors of a missing root or an unlisted page. A checker walks every level after each phase.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "engine/storage/DiskPageManager.h"
#include "engine/storage/FreeSpaceManager.h"
#include "engine/storage/RecordPageIndex.h"
#include "platform/LittleEndian.h"
#include "tests/engine/storage/DiskTestDb.h"
#include "tests/engine/storage/StorageTestUtil.h"

using namespace VexBTreeLayout;

namespace {

struct RawIndexPage {
  bool isRoot, isLeaf;
  int32_t prev, next;
  std::vector<std::pair<int32_t, int32_t>> entries;
};

RawIndexPage ReadRaw(TVexPageManager& pm, int32_t pageNo) {
  TVexPageGuard page(pm, pm.GetPage(-2, pageNo, false, VexLayout::ptTableIndex));
  const uint8_t* d = page->GetData();
  RawIndexPage r{d[kIsRoot] != 0,
                 d[kIsLeaf] != 0,
                 ReadInt32LE(d + kPrevPageNo),
                 ReadInt32LE(d + kNextPageNo),
                 {}};
  int es = r.isLeaf ? 6 : 8;
  for (int i = 0; i < ReadUInt16LE(d + kItemCount); ++i) {
    const uint8_t* e = d + kEntries + i * es;
    r.entries.push_back({ReadInt32LE(e), r.isLeaf ? ReadUInt16LE(e + 4) : ReadInt32LE(e + 4)});
  }
  return r;
}

// Walks the tree: keys ascend, node keys (entry 0 may be lower) equal the smallest key of
// their child, no page is over full, and each level's sibling links match the tree's order.
// Answers the leaf entries in order and the depth.
std::vector<std::pair<int32_t, int32_t>> CheckIndex(TVexPageManager& pm, int32_t root,
                                                    int* depth = nullptr) {
  std::vector<std::vector<int32_t>> levels;
  std::vector<std::pair<int32_t, int32_t>> leaves;
  auto walk = [&](auto& self, int32_t pageNo, size_t level) -> int32_t {
    RawIndexPage p = ReadRaw(pm, pageNo);
    EXPECT_EQ(p.isRoot, level == 0) << pageNo;
    if (levels.size() <= level) levels.resize(level + 1);
    levels[level].push_back(pageNo);
    int capacity = (pm.PageDataSize - kEntries) / (p.isLeaf ? 6 : 8);
    EXPECT_LE(int(p.entries.size()), capacity) << pageNo;
    int32_t smallest = INT32_MAX;
    for (size_t i = 0; i < p.entries.size(); ++i) {
      if (i > 0) {
        EXPECT_LT(p.entries[i - 1].first, p.entries[i].first) << pageNo;
      }
      if (p.isLeaf) {
        leaves.push_back(p.entries[i]);
        smallest = std::min(smallest, p.entries[i].first);
      } else {
        int32_t below = self(self, p.entries[i].second, level + 1);
        // Entry 0 is never a bound: the leftmost nodes keep the zero key of a root split.
        if (i == 0 && below != INT32_MAX) {
          EXPECT_LE(p.entries[i].first, below) << "node " << pageNo;
        } else if (below != INT32_MAX) {
          EXPECT_EQ(p.entries[i].first, below) << "node " << pageNo << " entry " << i;
        }
        smallest = std::min(smallest, below);
      }
    }
    return smallest;
  };
  walk(walk, root, 0);
  for (const auto& pages : levels)
    for (size_t i = 0; i < pages.size(); ++i) {
      RawIndexPage p = ReadRaw(pm, pages[i]);
      EXPECT_EQ(p.prev, i == 0 ? -1 : pages[i - 1]);
      EXPECT_EQ(p.next, i + 1 == pages.size() ? -1 : pages[i + 1]);
    }
  if (depth) *depth = int(levels.size());
  return leaves;
}

class RecordPageIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = dir_.File("index.vex");
    MakeDiskDb(name_, 0, VexLayout::ptTableRecord, {}, 512, 8);
    OpenDiskDb(pm_, name_);
  }
  std::vector<std::pair<int32_t, int32_t>> Scan(TVexBTreeRecordPageIndex& index, bool forward) {
    std::vector<std::pair<int32_t, int32_t>> seen;
    int32_t p;
    bool ok = forward ? index.FirstPage(-2, p) : index.LastPage(-2, p);
    while (ok) {
      seen.push_back({p, index.GetPageCount(-2, p)});
      ok = forward ? index.NextPage(-2, p, p) : index.PriorPage(-2, p, p);
    }
    if (!forward) std::reverse(seen.begin(), seen.end());
    return seen;
  }
  TempDir dir_;
  std::string name_;
  TVexDiskPageManager pm_{int64_t(64) << 20};
};

TEST_F(RecordPageIndexTest, GrowsToThreeLevelsWithAFixedRootAndShrinksBack) {
  TVexBTreeRecordPageIndex index(&pm_, 77);
  index.Create(-2);
  const int32_t root = index.RootPageNo;
  std::map<int32_t, int32_t> expected;
  std::vector<int32_t> keys(6000);
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = int32_t(i * 3 + 1);
  std::mt19937 rng(5);
  std::shuffle(keys.begin(), keys.end(), rng);
  for (int32_t k : keys) {
    index.AddToPage(-2, k, k % 40 + 1);
    expected[k] = k % 40 + 1;
  }
  EXPECT_EQ(index.RootPageNo, root);
  int depth = 0;
  auto leaves = CheckIndex(pm_, root, &depth);
  EXPECT_EQ(depth, 3);
  std::vector<std::pair<int32_t, int32_t>> want(expected.begin(), expected.end());
  EXPECT_EQ(leaves, want);
  EXPECT_EQ(Scan(index, true), want);
  EXPECT_EQ(Scan(index, false), want);

  // Counts change in place; a count of 0 removes the key.
  index.AddToPage(-2, 4, 5);
  expected[4] += 5;
  index.SetPageCount(-2, 7, 39);
  expected[7] = 39;
  int64_t sum = 0;
  for (auto& [k, v] : expected) sum += v;
  EXPECT_EQ(index.TotalCount(-2), sum);

  // Remove most keys in random order: merges keep every remaining key reachable.
  std::shuffle(keys.begin(), keys.end(), rng);
  for (size_t i = 0; i < keys.size() - 50; ++i) {
    index.SetPageCount(-2, keys[i], 0);
    expected.erase(keys[i]);
    if (i % 1000 == 0) CheckIndex(pm_, root);
  }
  want.assign(expected.begin(), expected.end());
  EXPECT_EQ(CheckIndex(pm_, root), want);
  EXPECT_EQ(Scan(index, true), want);
  EXPECT_EQ(Scan(index, false), want);
  for (auto& [k, v] : expected) EXPECT_EQ(index.GetPageCount(-2, k), v);
  EXPECT_EQ(index.RootPageNo, root);
  pm_.Commit(-2);

  // The freed index pages went back to the free-space map.
  int32_t used = 0;
  for (int32_t p = 0; p < pm_.GetTotalPageCount(); ++p)
    used += pm_.FreeSpaceManager->IsPageUsed(p) ? 1 : 0;
  EXPECT_LT(used, 20);
}

TEST_F(RecordPageIndexTest, PersistsAndClears) {
  TVexBTreeRecordPageIndex index(&pm_, 77);
  index.Create(-2);
  for (int32_t k = 1; k <= 500; ++k) index.AddToPage(-2, k, 1);
  pm_.Commit(-2);
  int32_t root = index.RootPageNo;
  pm_.CloseDatabase();
  TVexDiskPageManager again(int64_t(64) << 20);
  OpenDiskDb(again, name_);
  TVexBTreeRecordPageIndex reopened(&again, 77);
  reopened.RootPageNo = root;
  EXPECT_EQ(reopened.TotalCount(-2), 500);
  EXPECT_EQ(CheckIndex(again, root).size(), 500u);
  reopened.Clear(-2);
  int32_t p;
  EXPECT_FALSE(reopened.FirstPage(-2, p));
  EXPECT_FALSE(reopened.LastPage(-2, p));
  EXPECT_EQ(reopened.FindPageWithSpace(-2, 40), -1);
  EXPECT_EQ(reopened.RootPageNo, root);
  reopened.Delete(-2);
  EXPECT_EQ(reopened.RootPageNo, -1);
  again.Commit(-2);
}

TEST_F(RecordPageIndexTest, FindPageWithSpaceLooksAtTheLastThenTheFirstLeaf) {
  TVexBTreeRecordPageIndex index(&pm_, 77);
  index.Create(-2);
  for (int32_t k = 1; k <= 300; ++k) index.AddToPage(-2, k, 40);
  EXPECT_EQ(index.FindPageWithSpace(-2, 40), -1);
  index.SetPageCount(-2, 2, 39);
  EXPECT_EQ(index.FindPageWithSpace(-2, 40), 2);
  index.SetPageCount(-2, 299, 10);
  EXPECT_EQ(index.FindPageWithSpace(-2, 40), 299);
  index.SetPageCount(-2, 299, 40);
  index.SetPageCount(-2, 2, 40);
  index.SetPageCount(-2, 150, 1);  // in a middle leaf: not looked at
  EXPECT_EQ(index.FindPageWithSpace(-2, 40), -1);
  pm_.Rollback(-2);
}

TEST_F(RecordPageIndexTest, MissingRootAndUnlistedPages) {
  TVexBTreeRecordPageIndex index(&pm_, 77);
  int32_t p;
  EXPECT_VEX_CODE(index.FirstPage(-2, p), 20115);
  EXPECT_VEX_CODE(index.LastPage(-2, p), 20116);
  EXPECT_VEX_CODE(index.NextPage(-2, 1, p), 20117);
  EXPECT_VEX_CODE(index.PriorPage(-2, 1, p), 20118);
  index.Create(-2);
  for (int32_t k : {7, 12, 9}) index.AddToPage(-2, k, 1);
  EXPECT_VEX_CODE(index.NextPage(-2, 8, p), 20104);
  EXPECT_VEX_CODE(index.PriorPage(-2, 8, p), 20105);
  ASSERT_TRUE(index.NextPage(-2, 7, p));
  EXPECT_EQ(p, 9);
  EXPECT_FALSE(index.NextPage(-2, 12, p));
  EXPECT_FALSE(index.PriorPage(-2, 7, p));
  // Stepping from a page that is no longer listed.
  struct Case {
    int32_t from;
    bool forward, found;
    int32_t result;
  };
  const Case cases[] = {{8, true, true, 9},    {8, false, true, 7},  {13, true, false, 0},
                        {13, false, true, 12}, {1, false, false, 0}, {1, true, true, 7}};
  for (const Case& c : cases) {
    int32_t r = 0;
    EXPECT_EQ(index.PageAfter(-2, c.from, c.forward, r), c.found) << c.from << c.forward;
    if (c.found) {
      EXPECT_EQ(r, c.result) << c.from << c.forward;
    }
  }
  // A page of another kind is not read as index entries.
  TVexPage* other = pm_.GetPage(-2, index.RootPageNo, false, VexLayout::ptTableIndex);
  WriteUInt16LE(other->GetData() + kItemCount, 5000);
  pm_.ReleasePage(other);
  EXPECT_VEX_CODE(index.FirstPage(-2, p), 20099);
  pm_.Rollback(-2);
}

}  // namespace
