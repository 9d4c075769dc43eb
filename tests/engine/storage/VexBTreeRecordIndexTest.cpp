// The B-tree record index as a table's index: creation from the table's rows, navigation in
// key order, record numbers, range scans and estimates, unique checks, key maintenance,
// bitmap filtering and definition errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "engine/base/VexIndexManager.h"
#include "engine/base/VexIndexPositionCache.h"
#include "engine/base/VexRecordBitmap.h"
#include "engine/base/VexScanSearchCondition.h"
#include "tests/engine/base/TestCursor.h"
#include "tests/engine/storage/RecordIndexTestTable.h"
#include "tests/engine/storage/StorageTestUtil.h"

namespace {

constexpr int32_t kSession = -2;

struct Fixture {
  // n rows whose N values are value(i); an index on N built from them.
  template <class Value>
  Fixture(int n, Value value, bool unique = false) {
    for (int i = 0; i < n; ++i) {
      const int32_t v = value(i);
      const TVexRecordIDBytes id = table.Add(v);
      sorted.emplace_back(v, TestRecords::Number(id));
    }
    std::sort(sorted.begin(), sorted.end());
    indexID = table.IndexManager->CreateIndex(&cursor, *IndexOn({"N"}, unique));
    index = dynamic_cast<TVexBTreeRecordIndex*>(&table.IndexManager->GetIndex(indexID));
  }
  std::vector<int64_t> Walk(bool forward, TVexIndexPositionCache* cache) {
    std::vector<int64_t> order;
    TVexNavigationRequest request;
    request.Mode = forward ? grmNext : grmPrior;
    (forward ? request.Bof : request.Eof) = true;
    std::vector<uint8_t> buffer = table.Row(0);
    request.RecordBuffer = buffer.data();
    for (;;) {
      index->GetRecord(kSession, request, cache);
      if (request.Result != vnrFound) break;
      order.push_back(TestRecords::Number(request.RecordID));
    }
    EXPECT_EQ(request.Result, forward ? vnrEOF : vnrBOF);
    return order;
  }
  std::vector<int64_t> Expected(int32_t low, int32_t high) const {
    std::vector<int64_t> r;
    for (const auto& [v, n] : sorted)
      if (v >= low && v <= high) r.push_back(n);
    return r;
  }
  std::unique_ptr<TVexScanSearchCondition> Bound(uint8_t type, int32_t value) {
    const std::vector<uint8_t> key = table.Row(value);
    return TVexScanSearchCondition::MakeKey(indexID, type, key.data(), int32_t(key.size()), 1);
  }
  std::vector<int64_t> Scan(const TVexScanSearchCondition* low, const TVexScanSearchCondition* high,
                            bool ascending) {
    std::vector<int64_t> r;
    TVexOwned<TVexScanState> state = index->CreateScanState();
    TVexRecordIDBytes id{};
    std::vector<uint8_t> buffer = table.Row(0);
    for (bool first = true;
         index->ScanNext(kSession, first, *state, id, buffer.data(), low, high, ascending);
         first = false)
      r.push_back(TestRecords::Number(id));
    return r;
  }

  TestTable table;
  TTestCursor cursor;
  int32_t indexID = -1;
  TVexBTreeRecordIndex* index = nullptr;
  std::vector<std::pair<int32_t, int64_t>> sorted;  // (N, record number) in index order
};

int32_t Scatter(int i) {
  return int32_t((i * 7919) % 101);  // duplicates, not in insertion order
}

}  // namespace

TEST(VexBTreeRecordIndex, CreatedFromTheRowsAndNavigatedInKeyOrder) {
  Fixture f(3000, Scatter);
  std::vector<int64_t> expected;
  for (const auto& [v, n] : f.sorted) expected.push_back(n);
  TVexIndexPositionCache cache;
  EXPECT_EQ(f.Walk(true, &cache), expected);
  EXPECT_EQ(f.Walk(true, nullptr), expected);  // each step finds the record by its key
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(f.Walk(false, &cache), expected);
  EXPECT_EQ(f.index->Tree()->CheckTree(kSession, true), "");
  EXPECT_EQ(f.index->IndexDef()->RootPage, f.table.IndexManager->IndexDefs()[0].RootPage);

  TVexNavigationRequest request;
  request.Mode = grmCurrent;
  EXPECT_VEX_CODE(f.index->GetRecord(kSession, request, nullptr), 20053);
  // Record numbers in key order, both ways.
  for (int64_t k : {int64_t(1), int64_t(1500), int64_t(3000)}) {
    TVexRecordIDBytes id{};
    f.index->GoToRecordNumber(kSession, id, k);
    EXPECT_EQ(TestRecords::Number(id), f.sorted[size_t(k - 1)].second);
    EXPECT_EQ(f.index->GetRecordNumber(kSession, id, nullptr), k);
  }
  TVexRecordIDBytes id{};
  EXPECT_VEX_CODE(f.index->GoToRecordNumber(kSession, id, 3001), 20075);
  EXPECT_EQ(f.index->GetRecordNumber(kSession, TestRecords::Id(99999), f.table.Row(5).data()), -1);
  f.index->EmptyIndex(kSession);
  EXPECT_VEX_CODE(f.index->GoToRecordNumber(kSession, id, 1), 20074);
  f.index->RebuildIndex(&f.cursor);
  EXPECT_EQ(f.index->GetRecordNumber(kSession, TestRecords::Id(0), nullptr), 1);
}

TEST(VexBTreeRecordIndex, RangeScansAndEstimates) {
  Fixture f(2000, [](int i) { return int32_t(i % 20); });  // 100 rows of each 0..19
  auto gt5 = f.Bound(vscGreater, 5), le10 = f.Bound(vscLessOrEqual, 10);
  auto ge5 = f.Bound(vscGreaterOrEqual, 5), lt10 = f.Bound(vscLess, 10);
  auto eq7 = f.Bound(vscEqual, 7), gt30 = f.Bound(vscGreater, 30);
  std::vector<int64_t> sixToTen = f.Expected(6, 10);
  EXPECT_EQ(f.Scan(gt5.get(), le10.get(), true), sixToTen);
  std::reverse(sixToTen.begin(), sixToTen.end());
  EXPECT_EQ(f.Scan(gt5.get(), le10.get(), false), sixToTen);
  EXPECT_EQ(f.Scan(ge5.get(), lt10.get(), true), f.Expected(5, 9));
  EXPECT_EQ(f.Scan(eq7.get(), nullptr, true), f.Expected(7, 7));
  EXPECT_EQ(f.Scan(nullptr, lt10.get(), true), f.Expected(0, 9));
  EXPECT_EQ(f.Scan(gt30.get(), nullptr, true), std::vector<int64_t>{});
  EXPECT_EQ(f.Scan(le10.get(), gt5.get(), true), f.Expected(6, 10));  // either order
  // Estimates come from the positions of the bounds in the tree.
  const int64_t estimate = f.index->EstimateRange(kSession, gt5.get(), le10.get(), 2000);
  EXPECT_NEAR(double(estimate), 500.0, 25.0);
  EXPECT_EQ(f.index->EstimateRange(kSession, gt30.get(), nullptr, 2000), 0);
  EXPECT_EQ(f.index->EstimateRange(kSession, le10.get(), gt5.get(), 2000), estimate);
  auto none = f.Bound(vscNone, 1);
  EXPECT_VEX_CODE(f.Scan(none.get(), nullptr, true), 20078);
}

TEST(VexBTreeRecordIndex, KeyMaintenanceAndUniqueChecks) {
  Fixture f(
      50, [](int i) { return int32_t(i * 2); }, true);  // 0, 2, ..., 98
  TTestCursor& c = f.cursor;
  std::vector<uint8_t> row = f.table.Row(7);
  EXPECT_TRUE(f.index->CheckUnique(kSession, row.data()));
  EXPECT_FALSE(f.index->CheckUnique(kSession, f.table.Row(8).data()));
  EXPECT_TRUE(f.index->CheckUniqueOnUpdate(kSession, f.table.Row(8).data(), f.table.Row(8).data()));
  EXPECT_FALSE(
      f.index->CheckUniqueOnUpdate(kSession, f.table.Row(9).data(), f.table.Row(8).data()));
  // Insert a row with key 7.
  c.RecordBuffer = TVexMemoryBlock(int32_t(row.size()), true);
  std::memcpy(c.RecordBuffer.Data(), row.data(), row.size());
  c.CurrentRecordID = f.table.Add(7);
  f.index->InsertKey(c);
  EXPECT_FALSE(f.index->CheckUnique(kSession, row.data()));
  EXPECT_EQ(f.index->GetRecordNumber(kSession, c.CurrentRecordID, nullptr), 5);  // 0 2 4 6 7
  // Update it to 99: the delete phase takes the old key out, the insert phase puts the new in.
  c.OldRecordBuffer = TVexMemoryBlock(int32_t(row.size()), true);
  std::memcpy(c.OldRecordBuffer.Data(), row.data(), row.size());
  const std::vector<uint8_t> updated = f.table.Row(99);
  std::memcpy(c.RecordBuffer.Data(), updated.data(), updated.size());
  f.index->UpdateKey(c, true);
  f.table.RecordManager->ModifyRecord(kSession, updated.data(), c.CurrentRecordID);
  f.index->UpdateKey(c, false);
  EXPECT_EQ(f.index->GetRecordNumber(kSession, c.CurrentRecordID, nullptr), 51);
  EXPECT_VEX_CODE(f.index->UpdateKey(c, true), 20250);  // the entry of key 7 is gone
  f.index->DeleteKey(c);
  EXPECT_VEX_CODE(f.index->DeleteKey(c), 20027);
  EXPECT_EQ(f.index->Tree()->CountEntries(kSession), 50);
  int32_t entries, rest;
  f.index->GetEntriesPerPage(entries, rest);
  EXPECT_EQ(entries, 4096 / (5 + 4));
  EXPECT_EQ(rest, 4096 % (5 + 4));
}

TEST(VexBTreeRecordIndex, FilterBitmapKeepsOneRecordPerKey) {
  Fixture f(40, [](int i) { return int32_t(i % 4); });
  TVexRecordBitmap bitmap(&f.table);
  bitmap.Bits.SetSize(40);
  bitmap.Bits.SetAll(true);
  bitmap.Bits.SetBit(0, false);  // a record left out before does not count as kept
  f.index->FilterBitmap(kSession, bitmap, 1);
  std::vector<int64_t> kept;
  for (int32_t b = bitmap.Bits.FindNextSet(-1); b >= 0; b = bitmap.Bits.FindNextSet(b))
    kept.push_back(b);
  EXPECT_EQ(kept, (std::vector<int64_t>{1, 2, 3, 4}));
}

TEST(VexBTreeRecordIndex, DefinitionErrors) {
  TestTable table;
  TTestCursor cursor;
  EXPECT_VEX_CODE(table.IndexManager->CreateIndex(&cursor, *IndexOn({"X"})), 20043);
  EXPECT_VEX_CODE(table.IndexManager->CreateIndex(&cursor, *IndexOn({"B"})), 20295);
}

TEST(VexBTreeRecordIndex, PrefixColumnsOfTheTableResolveByTheRecords) {
  TestTable table;
  TTestCursor cursor;
  const std::vector<std::string> texts = {"abcdefghij-zeta", "abcdefghij-alpha", "abcdefghij",
                                          "abc", "abcdefghij-beta"};
  for (const std::string& s : texts) table.Add(1, s);
  const int32_t id = table.IndexManager->CreateIndex(&cursor, *IndexOn({"S"}, true, 10));
  auto& index = dynamic_cast<TVexBTreeRecordIndex&>(table.IndexManager->GetIndex(id));
  EXPECT_EQ(index.KeyRef().KeySize, 13);
  std::vector<int64_t> order;
  TVexNavigationRequest request;
  request.Mode = grmNext;
  request.Bof = true;
  for (index.GetRecord(kSession, request, nullptr); request.Result == vnrFound;
       index.GetRecord(kSession, request, nullptr))
    order.push_back(TestRecords::Number(request.RecordID));
  EXPECT_EQ(order, (std::vector<int64_t>{3, 2, 1, 4, 0}));
  EXPECT_FALSE(index.CheckUnique(kSession, table.Row(1, "abcdefghij-beta").data()));
  EXPECT_TRUE(index.CheckUnique(kSession, table.Row(1, "abcdefghij-gamma").data()));
}

TEST(VexBTreeRecordIndex, AKeptPositionIsCheckedAfterTheTreeChanged) {
  Fixture f(2000, [](int i) { return int32_t(i); });
  TVexIndexPositionCache cache;
  TVexNavigationRequest request;
  request.Mode = grmNext;
  request.Bof = true;
  for (int i = 0; i < 1000; ++i) f.index->GetRecord(kSession, request, &cache);
  ASSERT_EQ(TestRecords::Number(request.RecordID), 999);
  // Keys inserted before the current one split leaves and move its entry.
  for (int i = 0; i < 600; ++i) {
    const int32_t key = 900 + i % 99;
    const std::vector<uint8_t> row = f.table.Row(key);
    f.cursor.RecordBuffer = TVexMemoryBlock(int32_t(row.size()), true);
    std::memcpy(f.cursor.RecordBuffer.Data(), row.data(), row.size());
    f.cursor.CurrentRecordID = f.table.Add(key);
    f.index->InsertKey(f.cursor);
  }
  for (int64_t expected = 1000; expected < 2000; ++expected) {
    f.index->GetRecord(kSession, request, &cache);
    ASSERT_EQ(request.Result, vnrFound);
    ASSERT_EQ(TestRecords::Number(request.RecordID), expected);
  }
  f.index->GetRecord(kSession, request, &cache);
  EXPECT_EQ(request.Result, vnrEOF);
}
