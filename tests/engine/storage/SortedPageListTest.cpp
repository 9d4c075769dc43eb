// The sorted page list: lookup by page number and the use order that picks the least recently
// used page nobody holds, kept through inserts, touches, deletes and TakeFirst.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/storage/SortedPageList.h"

namespace {

// Step kinds: insert a page, touch it, delete it, take the n lowest pages, hold (use) or let
// go of a page; each step is followed by the expected least recently used unused page (-1 none).
enum Op { Ins, Touch, Del, Take, Hold, Free };
struct Step {
  Op op;
  int32_t arg;
  int32_t oldest;
};

TEST(SortedPageListTest, OldestUnusedFollowsUseOrder) {
  const Step steps[] = {
      {Ins, 5, 5},  {Ins, 2, 5},  {Ins, 9, 5},  {Touch, 5, 2}, {Hold, 2, 9},  {Touch, 9, 5},
      {Free, 2, 2}, {Del, 2, 5},  {Ins, 1, 5},  {Hold, 5, 9},  {Hold, 9, 1},  {Hold, 1, -1},
      {Free, 9, 9}, {Free, 5, 5}, {Free, 1, 5}, {Take, 1, 5},  {Touch, 5, 9}, {Take, 1, 9},
      {Del, 9, -1}, {Ins, 7, 7},  {Ins, 3, 7},  {Touch, 7, 3}, {Del, 3, 7},   {Del, 7, -1},
  };
  TVexSortedPageList list;
  std::string trace;
  for (const Step& s : steps) {
    trace += std::to_string(int(s.op)) + ":" + std::to_string(s.arg) + " ";
    switch (s.op) {
      case Ins:
        list.Insert(std::make_unique<TVexPage>(nullptr, s.arg));
        break;
      case Touch:
        list.Touch(s.arg);
        break;
      case Del:
        EXPECT_EQ(list.Delete(s.arg)->List, nullptr);
        break;
      case Take:
        for (auto& page : list.TakeFirst(s.arg)) EXPECT_EQ(page->List, nullptr);
        break;
      case Hold:
        ++list.Find(s.arg)->UseCount;
        break;
      case Free:
        --list.Find(s.arg)->UseCount;
        break;
    }
    TVexPage* oldest = list.FindOldestUnused();
    ASSERT_EQ(oldest ? oldest->PageNo : -1, s.oldest) << trace;
  }
  EXPECT_EQ(list.Count(), 0);
}

TEST(SortedPageListTest, ClearAndRefillStartsAFreshOrder) {
  TVexSortedPageList list;
  for (int32_t n : {4, 8, 6}) list.Insert(std::make_unique<TVexPage>(nullptr, n));
  list.Clear();
  EXPECT_EQ(list.FindOldestUnused(), nullptr);
  for (int32_t n : {8, 4}) list.Insert(std::make_unique<TVexPage>(nullptr, n));
  EXPECT_EQ(list.FindOldestUnused()->PageNo, 8);
  list.Touch(8);
  EXPECT_EQ(list.FindOldestUnused()->PageNo, 4);
  EXPECT_EQ(list.Find(6), nullptr);
}

}  // namespace
