// Navigation of a cursor through a table: direct steps, filters, ranges, key positions, key and
// condition searches, the merge of bounds, the access path, record bitmaps and record numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "engine/base/VexAccessPath.h"
#include "engine/base/VexExpressionHooks.h"
#include "engine/base/VexRecordBitmap.h"
#include "engine/base/VexRecordManager.h"
#include "engine/base/VexScanSearchCondition.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/MemoryTableFixture.h"

namespace {

// Table T (K INTEGER, V INTEGER) with an index on K; rows (K, V) inserted in the given order.
class NavigationTest : public ::testing::Test {
 protected:
  void Build(const std::vector<std::pair<int64_t, int64_t>>& rows) {
    f.AddField("K", vdtInteger);
    f.AddField("V", vdtInteger);
    f.AddIndex("IX_K", {"K"});
    f.Open();
    for (const auto& [k, v] : rows) f.Insert({k, v});
  }
  // A key buffer (a row in record-buffer layout) holding K = k.
  TVexMemoryBlock Key(int64_t k) {
    f.NewRow({k});
    TVexMemoryBlock key = f.Cursor.AllocKeyBuffer();
    std::memcpy(key.Data(), f.Cursor.RecordBuffer.Data(), size_t(f.Cursor.RecordSizeWithPosition));
    return key;
  }
  void SetRange(std::optional<int64_t> start, bool startExclusive, std::optional<int64_t> end,
                bool endExclusive) {
    TVexMemoryBlock s = start ? Key(*start) : TVexMemoryBlock();
    TVexMemoryBlock e = end ? Key(*end) : TVexMemoryBlock();
    f.Cursor.SetRangeBuffers(s.Data(), e.Data(), endExclusive, startExclusive, 1, 1);
  }
  int32_t IndexID() const { return f.Table->IndexManager->IndexDefs()[0].ObjectID; }
  TMemTableFixture f;
};

TEST_F(NavigationTest, EmptyTableAnswersEnd) {
  Build({});
  f.First();
  EXPECT_EQ(f.Table->GetRecord(f.Cursor, grmNext), vnrEOF);
  f.Last();
  EXPECT_EQ(f.Table->GetRecord(f.Cursor, grmPrior), vnrEOF);
}

TEST_F(NavigationTest, PhysicalAndIndexOrder) {
  Build({{3, 30}, {1, 10}, {2, 20}});
  EXPECT_EQ(f.Scan(0), (std::vector<int64_t>{3, 1, 2}));
  EXPECT_EQ(f.Scan(0, grmPrior), (std::vector<int64_t>{2, 1, 3}));
  f.UseIndex("IX_K");
  EXPECT_EQ(f.Scan(0), (std::vector<int64_t>{1, 2, 3}));
  EXPECT_EQ(f.Scan(0, grmPrior), (std::vector<int64_t>{3, 2, 1}));
  EXPECT_TRUE(f.Cursor.Bof);
  EXPECT_EQ(f.Table->GetRecord(f.Cursor, grmNext), vnrFound);
  EXPECT_EQ(f.Int(0), 1);
  EXPECT_EQ(f.Table->GetRecord(f.Cursor, grmCurrent), vnrFound);
}

TEST_F(NavigationTest, FilterThatRejectsTheOnlyRecord) {
  Build({{1, 10}});
  f.Cursor.RecordFilter = [](const uint8_t*) { return false; };
  f.First();
  EXPECT_EQ(f.Table->GetRecord(f.Cursor, grmNext), vnrEOF);
  EXPECT_TRUE(f.Cursor.Eof);
  f.Last();
  EXPECT_EQ(f.Table->GetRecord(f.Cursor, grmPrior), vnrBOF);
  EXPECT_TRUE(f.Cursor.Bof);
}

TEST_F(NavigationTest, FilterInBothOrdersAndCurrentRecordGone) {
  Build({{5, 1}, {4, 2}, {3, 3}, {2, 4}, {1, 5}});
  int64_t minimum = 3;
  f.Cursor.RecordFilter = [&](const uint8_t* row) {
    int32_t k;
    std::memcpy(&k, row + f.Table->FieldManager->FieldDefs()[0].RecordBufferOffset(), 4);
    return k >= minimum;
  };
  EXPECT_EQ(f.Scan(0), (std::vector<int64_t>{5, 4, 3}));
  f.UseIndex("IX_K");
  EXPECT_EQ(f.Scan(0), (std::vector<int64_t>{3, 4, 5}));
  EXPECT_EQ(f.Scan(0, grmPrior), (std::vector<int64_t>{5, 4, 3}));
  // The cursor stands on K = 3; once the filter excludes it, grmCurrent answers 3.
  minimum = 4;
  EXPECT_EQ(f.Table->GetRecord(f.Cursor, grmCurrent), vnrNotFound);
}

TEST_F(NavigationTest, RangeStartExclusiveEndInclusive) {
  Build({{8, 0}, {5, 0}, {11, 0}, {6, 0}, {10, 0}, {4, 0}, {7, 0}, {9, 0}, {10, 1}});
  f.UseIndex("IX_K");
  SetRange(5, true, 10, false);
  EXPECT_EQ(f.Scan(0), (std::vector<int64_t>{6, 7, 8, 9, 10, 10}));
  EXPECT_EQ(f.Scan(0, grmPrior), (std::vector<int64_t>{10, 10, 9, 8, 7, 6}));
  SetRange(5, false, 10, true);
  EXPECT_EQ(f.Scan(0), (std::vector<int64_t>{5, 6, 7, 8, 9}));
  SetRange(std::nullopt, false, 6, false);
  EXPECT_EQ(f.Scan(0), (std::vector<int64_t>{4, 5, 6}));
  SetRange(9, true, 9, false);  // contradicting bounds: nothing
  EXPECT_EQ(f.Scan(0), (std::vector<int64_t>{}));
}

TEST_F(NavigationTest, KeyFieldsGiveOneRecordPerKey) {
  Build({{2, 1}, {1, 2}, {2, 3}, {3, 4}, {1, 5}, {3, 6}});
  f.UseIndex("IX_K", 1);
  EXPECT_EQ(f.Scan(0), (std::vector<int64_t>{1, 2, 3}));
  EXPECT_EQ(f.Scan(0, grmPrior), (std::vector<int64_t>{3, 2, 1}));
  EXPECT_EQ(f.Table->GetCursorRecordCount(f.Cursor), 3);
  EXPECT_FALSE(f.Cursor.PositionKeyBuffer);  // held only while a step runs
}

TEST_F(NavigationTest, FindByKeyAndByCondition) {
  Build({{4, 40}, {2, 20}, {9, 90}, {2, 21}});
  TVexMemoryBlock key = Key(2);
  auto condition = TVexScanSearchCondition::MakeKey(IndexID(), vscEqual, key.Data(),
                                                    f.Cursor.RecordSizeWithPosition, 1);
  f.First();
  ExpectVexError([&] { f.Table->FindByKey(f.Cursor, *condition, grmNext); }, 20258);
  f.UseIndex("IX_K");
  f.First();
  ASSERT_TRUE(f.Table->FindByKey(f.Cursor, *condition, grmNext));
  EXPECT_EQ(f.Int(1), 20);
  ASSERT_TRUE(f.Table->FindByKey(f.Cursor, *condition, grmNext));
  EXPECT_EQ(f.Int(1), 21);
  EXPECT_FALSE(f.Table->FindByKey(f.Cursor, *condition, grmNext));
  EXPECT_EQ(f.Int(1), 21);  // not found: the cursor keeps its place
  // From a row before the key, forward; from a row after it, backward.
  f.First();
  ASSERT_EQ(f.Table->GetRecord(f.Cursor, grmNext), vnrFound);
  EXPECT_EQ(f.Int(0), 2);
  TVexMemoryBlock nine = Key(9);
  auto toNine = TVexScanSearchCondition::MakeKey(IndexID(), vscEqual, nine.Data(),
                                                 f.Cursor.RecordSizeWithPosition, 1);
  ASSERT_TRUE(f.Table->FindByKey(f.Cursor, *toNine, grmNext));
  EXPECT_EQ(f.Int(1), 90);
  ASSERT_TRUE(f.Table->FindByKey(f.Cursor, *condition, grmPrior));
  EXPECT_EQ(f.Int(1), 21);

  // Condition expressions are decided by the registered evaluator: here "V > 30".
  struct Greater {
    int64_t Limit;
  } greater{30};
  SetExpressionHooks({[](TVexExpression* e, TVexCursor& cursor, const uint8_t* row) {
                        int32_t v;
                        std::memcpy(&v, row + (*cursor.FieldDefs)[1].RecordBufferOffset(), 4);
                        return v > reinterpret_cast<Greater*>(e)->Limit;
                      },
                      nullptr, nullptr});
  auto* expression = reinterpret_cast<TVexExpression*>(&greater);
  f.UseIndex("");
  f.First();
  ASSERT_TRUE(f.Table->FindByCondition(f.Cursor, expression, grmNext));
  EXPECT_EQ(f.Int(0), 4);
  ASSERT_TRUE(f.Table->FindByCondition(f.Cursor, expression, grmNext));
  EXPECT_EQ(f.Int(0), 9);
  EXPECT_FALSE(f.Table->FindByCondition(f.Cursor, expression, grmNext));
  SetExpressionHooks({});
}

TEST_F(NavigationTest, MergeOfBounds) {
  Build({{1, 0}});
  TVexMemoryBlock five = Key(5), seven = Key(7), three = Key(3);
  const int32_t size = f.Cursor.RecordSizeWithPosition;
  auto make = [&](uint8_t type, TVexMemoryBlock& key) {
    return TVexScanSearchCondition::MakeKey(IndexID(), type, key.Data(), size, 1);
  };
  struct Case {
    const char* what;
    uint8_t a;
    TVexMemoryBlock* ka;
    uint8_t b;
    TVexMemoryBlock* kb;
    bool possible;
    int32_t remaining;
    uint8_t kept;  // comparison of the first remaining condition
  };
  const Case cases[] = {
      {"= 5 and > 7 contradict", vscEqual, &five, vscGreater, &seven, false, 0, 0},
      {"= 5 and > 3: the equality", vscEqual, &five, vscGreater, &three, true, 1, vscEqual},
      {"> 3 and >= 5: the tighter", vscGreater, &three, vscGreaterOrEqual, &five, true, 1,
       vscGreaterOrEqual},
      {">= 5 and > 5: the exclusive", vscGreaterOrEqual, &five, vscGreater, &five, true, 1,
       vscGreater},
      {"< 7 and <= 5", vscLess, &seven, vscLessOrEqual, &five, true, 1, vscLessOrEqual},
      {"> 3 and < 7: a range", vscGreater, &three, vscLess, &seven, true, 2, vscGreater},
      {"> 5 and < 5 contradict", vscGreater, &five, vscLess, &five, false, 0, 0},
      {"= 5 and = 5: one", vscEqual, &five, vscEqual, &five, true, 1, vscEqual},
      {"= 5 and = 7 contradict", vscEqual, &five, vscEqual, &seven, false, 0, 0},
  };
  for (const Case& c : cases) {
    TVexScanSearchConditionArray conditions;
    conditions.Add(make(c.a, *c.ka));
    conditions.Add(make(c.b, *c.kb));
    ASSERT_EQ(MergeSearchConditions(*f.Table, conditions), c.possible) << c.what;
    if (!c.possible) continue;
    EXPECT_EQ(conditions.Count(), c.remaining) << c.what;
    EXPECT_EQ(conditions.Item(0).CompareType, c.kept) << c.what;
  }
}

TEST_F(NavigationTest, AccessPathChoice) {
  std::vector<std::pair<int64_t, int64_t>> rows;
  for (int i = 0; i < 200; ++i) rows.push_back({i, i % 7});
  Build(rows);
  TVexIndexDef unique;
  unique.Name = "U_V";
  unique.SetColumns({"V"}, {""}, {""});
  unique.Unique = 1;
  f.Cursor.SuppressDefaults = true;
  f.Table->CreateIndex(unique, f.Cursor);
  const int32_t uniqueID = f.Table->IndexManager->IndexDefs()[1].ObjectID;
  const int32_t size = f.Cursor.RecordSizeWithPosition;
  TVexMemoryBlock k10 = Key(10), k12 = Key(12);

  // A narrow range on K beats scanning the table from its start.
  f.First();
  TVexScanSearchConditionArray narrow;
  narrow.Add(TVexScanSearchCondition::MakeKey(IndexID(), vscGreaterOrEqual, k10.Data(), size, 1));
  narrow.Add(TVexScanSearchCondition::MakeKey(IndexID(), vscLessOrEqual, k12.Data(), size, 1));
  TVexAccessPath path = ChooseAccessPath(*f.Table, f.Cursor, narrow);
  EXPECT_EQ(path.IndexID, IndexID());
  EXPECT_EQ(path.Low, &narrow.Item(0));
  EXPECT_EQ(path.High, &narrow.Item(1));

  // A range that covers the table costs more than scanning it.
  TVexMemoryBlock k0 = Key(0);
  TVexScanSearchConditionArray wide;
  wide.Add(TVexScanSearchCondition::MakeKey(IndexID(), vscGreaterOrEqual, k0.Data(), size, 1));
  EXPECT_EQ(ChooseAccessPath(*f.Table, f.Cursor, wide).IndexID, -1);

  // A whole-key equality on a unique index is taken at once, even beside a narrower range.
  f.NewRow({0, 3});
  TVexMemoryBlock v3 = f.Cursor.AllocKeyBuffer();
  std::memcpy(v3.Data(), f.Cursor.RecordBuffer.Data(), size_t(size));
  TVexScanSearchConditionArray both;
  both.Add(TVexScanSearchCondition::MakeKey(IndexID(), vscGreaterOrEqual, k10.Data(), size, 1));
  both.Add(TVexScanSearchCondition::MakeKey(IndexID(), vscLessOrEqual, k10.Data(), size, 1));
  both.Add(TVexScanSearchCondition::MakeKey(uniqueID, vscEqual, v3.Data(), size, 1));
  EXPECT_EQ(ChooseAccessPath(*f.Table, f.Cursor, both).IndexID, uniqueID);

  // The only bounded index is the active one: taken without costing.
  f.UseIndex("IX_K");
  EXPECT_EQ(ChooseAccessPath(*f.Table, f.Cursor, wide).IndexID, IndexID());
}

// The condition "V = 1", decided by the registered evaluator, which also offers the index on V.
struct VEqualsOne {
  static int32_t IndexOnV;
  static TVexMemoryBlock* Key;
  static int32_t KeySize;
  static bool Test(TVexExpression*, TVexCursor& cursor, const uint8_t* row) {
    int32_t v;
    std::memcpy(&v, row + (*cursor.FieldDefs)[1].RecordBufferOffset(), 4);
    return v == 1;
  }
  static void AddIndexConditions(TVexExpression*, TVexCursor&, TVexTableData&,
                                 TVexScanSearchConditionArray& conditions) {
    conditions.Add(TVexScanSearchCondition::MakeKey(IndexOnV, vscEqual, Key->Data(), KeySize, 1));
  }
};
int32_t VEqualsOne::IndexOnV = -1;
TVexMemoryBlock* VEqualsOne::Key = nullptr;
int32_t VEqualsOne::KeySize = 0;

TEST_F(NavigationTest, SearchThroughAnotherIndexKeepsTheCursorOrder) {
  Build({{5, 1}, {3, 2}, {9, 1}, {1, 2}, {7, 1}});
  TVexIndexDef byV;
  byV.Name = "IX_V";
  byV.SetColumns({"V"}, {""}, {""});
  f.Table->CreateIndex(byV, f.Cursor);
  f.NewRow({0, 1});
  TVexMemoryBlock v1 = f.Cursor.AllocKeyBuffer();
  std::memcpy(v1.Data(), f.Cursor.RecordBuffer.Data(), size_t(f.Cursor.RecordSizeWithPosition));
  VEqualsOne::IndexOnV = f.Table->IndexManager->IndexDefs()[1].ObjectID;
  VEqualsOne::Key = &v1;
  VEqualsOne::KeySize = f.Cursor.RecordSizeWithPosition;
  SetExpressionHooks({&VEqualsOne::Test, nullptr, &VEqualsOne::AddIndexConditions});
  int marker = 0;
  f.Cursor.SetConditionExpression(reinterpret_cast<TVexExpression*>(&marker));

  // The range of the index on V delivers the rows; the cursor's order decides which is next.
  EXPECT_EQ(f.Scan(0), (std::vector<int64_t>{5, 9, 7}));
  f.UseIndex("IX_K");
  EXPECT_EQ(f.Scan(0), (std::vector<int64_t>{5, 7, 9}));
  EXPECT_EQ(f.Scan(0, grmPrior), (std::vector<int64_t>{9, 7, 5}));
  SetExpressionHooks({});
}

TEST_F(NavigationTest, RecordNumbersAndBitmaps) {
  Build({{30, 0}, {10, 0}, {20, 0}, {40, 0}});
  // Unrestricted: physical numbers, or key numbers under an index.
  f.Table->GoToRecordNumber(f.Cursor, 2);
  EXPECT_EQ(f.Int(0), 10);
  EXPECT_EQ(f.Table->GetRecordNumber(f.Cursor), 2);
  f.UseIndex("IX_K");
  f.Table->GoToRecordNumber(f.Cursor, 2);
  EXPECT_EQ(f.Int(0), 20);
  EXPECT_EQ(f.Table->GetRecordNumber(f.Cursor), 2);

  // Restricted: numbers among the records that pass, by the bitmap.
  f.Cursor.RecordFilter = [&](const uint8_t* row) {
    int32_t k;
    std::memcpy(&k, row + f.Table->FieldManager->FieldDefs()[0].RecordBufferOffset(), 4);
    return k != 20;
  };
  EXPECT_EQ(f.Table->GetCursorRecordCount(f.Cursor), 3);
  f.Table->GoToRecordNumber(f.Cursor, 2);
  EXPECT_EQ(f.Int(0), 30);
  EXPECT_EQ(f.Table->GetRecordNumber(f.Cursor), 2);
  ExpectVexError([&] { f.Table->GoToRecordNumber(f.Cursor, 4); }, 20113);
  ASSERT_TRUE(f.Cursor.RecordBitmap);
  EXPECT_TRUE(f.Cursor.RecordBitmap->IndexOrder);
  EXPECT_FALSE(f.Cursor.RecordBitmap->IsStale());

  // A change of the table makes the bitmap stale; it is rebuilt before use.
  f.Insert({25, 0});
  EXPECT_TRUE(f.Cursor.RecordBitmap->IsStale());
  EXPECT_EQ(f.Table->GetCursorRecordCount(f.Cursor), 4);
  f.Table->GoToRecordNumber(f.Cursor, 2);
  EXPECT_EQ(f.Int(0), 25);

  // Physical order: bits by record number.
  f.UseIndex("");
  f.Cursor.ResetRecordBitmap();
  f.Table->GoToRecordNumber(f.Cursor, 1);
  EXPECT_EQ(f.Int(0), 30);
  EXPECT_FALSE(f.Cursor.RecordBitmap->IndexOrder);
  f.Table->GoToRecordNumber(f.Cursor, 4);
  EXPECT_EQ(f.Int(0), 25);
  EXPECT_EQ(f.Table->GetRecordNumber(f.Cursor), 4);
}

TEST(VexScanSearchConditionArray, ErrorsAndOrder) {
  TVexScanSearchConditionArray conditions;
  ExpectVexError([&] { conditions.Add(std::make_unique<TVexScanSearchCondition>()); }, 10388,
                 "Invalid scan condition - indexID = -1, count = 0 - Native error: 10388");
  ExpectVexError([&] { conditions.Delete(0); }, 10413,
                 "Invalid item number - ItemNo = 0, ItemCount = 0 - Native error: 10413");
  ExpectVexError([&] { conditions.Item(2); }, 10382);
  const uint8_t key[4] = {};
  auto less = TVexScanSearchCondition::MakeKey(1, vscLess, key, 4, 1);
  auto greater = TVexScanSearchCondition::MakeKey(1, vscGreaterOrEqual, key, 4, 1);
  auto equal = TVexScanSearchCondition::MakeKey(1, vscEqual, key, 4, 1);
  TMemIndex index(nullptr);
  EXPECT_EQ(index.ConditionOrder(*less, *greater), 1);
  EXPECT_EQ(index.ConditionOrder(*greater, *less), -1);
  EXPECT_EQ(index.ConditionOrder(*equal, *less), 0);
}

}  // namespace

namespace {

// Random tables, ranges, filters and key positions against a plain model of the rows.
TEST_F(NavigationTest, RandomRestrictionsMatchAModel) {
  std::mt19937 random(20261211);
  std::vector<std::pair<int64_t, int64_t>> rows;
  for (int i = 0; i < 120; ++i) rows.push_back({int64_t(random() % 30), int64_t(random() % 10)});
  Build(rows);
  const int32_t vOffset = f.Table->FieldManager->FieldDefs()[1].RecordBufferOffset();
  int64_t divisor = 1;
  for (int round = 0; round < 60; ++round) {
    const bool useIndex = round % 4 != 0;
    const bool keyFields = useIndex && round % 3 == 0;
    std::optional<int64_t> start, end;
    if (random() % 3) start = int64_t(random() % 32) - 1;
    if (random() % 3) end = int64_t(random() % 32) - 1;
    const bool startExclusive = random() % 2, endExclusive = random() % 2;
    divisor = 1 + random() % 4;

    f.UseIndex(useIndex ? "IX_K" : "", keyFields ? 1 : 0);
    f.Cursor.ClearRange();
    f.Cursor.ResetRecordBitmap();
    if (useIndex && (start || end)) SetRange(start, startExclusive, end, endExclusive);
    f.Cursor.RecordFilter = [&, vOffset](const uint8_t* row) {
      int32_t v;
      std::memcpy(&v, row + vOffset, 4);
      return v % divisor == 0;
    };

    // The model: rows in physical order, or by (K, insertion) under the index.
    std::vector<std::pair<int64_t, int64_t>> expected;
    for (const auto& [k, v] : rows) {
      if (v % divisor != 0) continue;
      if (useIndex && start && (startExclusive ? k <= *start : k < *start)) continue;
      if (useIndex && end && (endExclusive ? k >= *end : k > *end)) continue;
      expected.push_back({k, v});
    }
    if (useIndex)
      std::stable_sort(expected.begin(), expected.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<int64_t> forward;
    for (const auto& [k, v] : expected)
      if (!keyFields || forward.empty() || forward.back() != k) forward.push_back(k);
    std::vector<int64_t> backward(forward.rbegin(), forward.rend());

    SCOPED_TRACE(::testing::Message() << "round " << round);
    ASSERT_EQ(f.Scan(0), forward);
    ASSERT_EQ(f.Scan(0, grmPrior), backward);
    ASSERT_EQ(f.Table->GetCursorRecordCount(f.Cursor), int64_t(forward.size()));
    for (size_t i = 0; i < forward.size(); i += 7) {
      f.Table->GoToRecordNumber(f.Cursor, int64_t(i + 1));
      EXPECT_EQ(f.Int(0), forward[i]);
      EXPECT_EQ(f.Table->GetRecordNumber(f.Cursor), int64_t(i + 1));
    }
  }
}

}  // namespace

namespace {

// Key searches and bound comparisons from random positions against the index order.
TEST_F(NavigationTest, RandomKeySearchesFromAnyPosition) {
  std::mt19937 random(7);
  std::vector<std::pair<int64_t, int64_t>> rows;
  for (int i = 0; i < 80; ++i) rows.push_back({int64_t(random() % 12), i});
  Build(rows);
  f.UseIndex("IX_K");
  // Index order: by K, ties by insertion; V holds the insertion number.
  std::vector<std::pair<int64_t, int64_t>> order = rows;
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  const uint8_t types[] = {vscEqual, vscLess, vscGreater, vscLessOrEqual, vscGreaterOrEqual};
  for (int round = 0; round < 300; ++round) {
    const int64_t q = int64_t(random() % 14) - 1;
    const uint8_t type = types[random() % 5];
    const bool next = random() % 2;
    const size_t from = random() % order.size();
    auto holds = [&](int64_t k) {
      switch (type) {
        case vscEqual:
          return k == q;
        case vscLess:
          return k < q;
        case vscGreater:
          return k > q;
        case vscLessOrEqual:
          return k <= q;
        default:
          return k >= q;
      }
    };
    std::optional<int64_t> expected;
    if (next) {
      for (size_t i = from + 1; i < order.size() && !expected; ++i)
        if (holds(order[i].first)) expected = order[i].second;
    } else {
      for (size_t i = from; i-- > 0 && !expected;)
        if (holds(order[i].first)) expected = order[i].second;
    }
    f.Table->GoToRecordNumber(f.Cursor, int64_t(from + 1));
    TVexMemoryBlock key = Key(q);
    auto condition = TVexScanSearchCondition::MakeKey(IndexID(), type, key.Data(),
                                                      f.Cursor.RecordSizeWithPosition, 1);
    f.Table->GoToRecordNumber(f.Cursor, int64_t(from + 1));
    const bool found = f.Table->FindByKey(f.Cursor, *condition, next ? grmNext : grmPrior);
    SCOPED_TRACE(::testing::Message() << "round " << round << " q " << q << " type " << int(type)
                                      << " from " << from << " next " << next);
    ASSERT_EQ(found, expected.has_value());
    EXPECT_EQ(f.Int(1), found ? *expected : order[from].second);
  }
}

}  // namespace
