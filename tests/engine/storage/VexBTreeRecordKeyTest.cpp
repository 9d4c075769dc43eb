// Record keys in B-trees: prefix, descending and case-insensitive columns, searches with the
// six conditions, and randomized insert/delete sequences with duplicate keys under the tree
// checker.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>

#include "engine/base/VexRecordLayout.h"
#include "engine/storage/MemoryPageManager.h"
#include "engine/storage/VexBTree.h"
#include "engine/storage/VexRecordKeyRef.h"
#include "tests/engine/storage/DiskTestDb.h"
#include "tests/engine/storage/StorageTestUtil.h"

namespace {

constexpr int32_t kSession = 0;

struct RecordId {
  int32_t Page;
  uint16_t Slot;
  auto operator<=>(const RecordId&) const = default;
  std::array<uint8_t, 6> Bytes() const {
    std::array<uint8_t, 6> b{};
    WriteInt32LE(b.data(), Page);
    WriteUInt16LE(b.data() + 4, Slot);
    return b;
  }
  static RecordId From(const uint8_t* p) { return {ReadInt32LE(p), ReadUInt16LE(p + 4)}; }
};

// Records of one INTEGER and one STRING(30) field, kept by record identifier.
class RecordTable {
 public:
  RecordTable() {
    layout_.Fields = {{vstInteger, 0}, {vstString, 30}};
    ComputeRecordLayout(layout_);
  }
  const TVexRecordLayout& Layout() const { return layout_; }
  const uint8_t* Put(RecordId id, std::optional<int32_t> number, std::optional<std::string> text) {
    std::vector<uint8_t>& r = records_[id];
    r.assign(size_t(layout_.RecordBufferSize), 0);
    SetNullBit(r.data(), 0, !number);
    SetNullBit(r.data(), 1, !text);
    if (number) WriteInt32LE(r.data() + layout_.Fields[0].BufferOffset, *number);
    if (text) std::memcpy(r.data() + layout_.Fields[1].BufferOffset, text->c_str(), text->size());
    return r.data();
  }
  const uint8_t* Get(RecordId id) const {
    auto it = records_.find(id);
    return it == records_.end() ? nullptr : it->second.data();
  }
  // Adds a column on field f to a key ref.
  void AddColumn(TVexRecordKeyRef& ref, int f, int32_t indexLength, bool descending = false,
                 bool caseInsensitive = false) const {
    const TVexFieldSlot& s = layout_.Fields[size_t(f)];
    ref.AddColumn(s.StorageType, s.BufferSize, s.BufferOffset, s.BufferOffset, f, indexLength,
                  descending, caseInsensitive);
  }
  // Lets a key ref read full keys of records (record buffers stand in for stored records).
  void Attach(TVexRecordKeyRef& ref) const {
    ref.FetchFullKey = [this, &ref](int32_t, const uint8_t* rid, uint8_t* fullKey) {
      const uint8_t* r = Get(RecordId::From(rid));
      if (!r) return false;
      ref.BuildFullKey(r, fullKey);
      return true;
    };
  }

 private:
  TVexRecordLayout layout_;
  std::map<RecordId, std::vector<uint8_t>> records_;
};

// A record index tree over a page manager.
struct Index {
  Index(TVexPageManager& pm, TVexRecordKeyRef& ref) : Ref(ref), Tree(pm, ref), key(ref.KeySize) {
    Tree.CreateRoot(kSession);
  }
  void Insert(const uint8_t* record, RecordId id) {
    Ref.BuildKey(record, key.data());
    Tree.InsertEntry(kSession, key.data(), id.Bytes().data());
  }
  bool Delete(const uint8_t* record, RecordId id) {
    Ref.BuildKey(record, key.data());
    return Tree.DeleteEntry(kSession, key.data(), id.Bytes().data());
  }
  bool Find(const uint8_t* record, RecordId id) {
    Ref.BuildKey(record, key.data());
    TVexKeyPath path;
    return Tree.FindEntry(kSession, key.data(), id.Bytes().data(), path);
  }
  RecordId At(const TVexKeyPath& path) {
    uint8_t data[6];
    Tree.ReadEntry(kSession, path, nullptr, data);
    return RecordId::From(data);
  }
  std::vector<RecordId> Scan() {
    std::vector<RecordId> all;
    TVexKeyPath path;
    for (bool ok = Tree.FirstEntry(kSession, path); ok; ok = Tree.Next(kSession, path))
      all.push_back(At(path));
    return all;
  }
  TVexRecordKeyRef& Ref;
  TVexBTreePage Tree;
  std::vector<uint8_t> key;
};

}  // namespace

TEST(VexRecordKeyRef, PrefixColumnsCompareByTheirFullValues) {
  RecordTable table;
  TVexRecordKeyRef ref;
  table.AddColumn(ref, 1, 10);  // STRING(30) indexed by its first 10 characters
  EXPECT_EQ(ref.Columns[0].KeyColumnSize, 13);
  EXPECT_EQ(ref.Columns[0].Truncation, 2);
  EXPECT_EQ(ref.FullKeySize, 32);
  table.Attach(ref);
  const std::vector<std::pair<RecordId, std::string>> rows = {{{1, 0}, "abcdefghij-zeta"},
                                                              {{1, 1}, "abcdefghij-alpha"},
                                                              {{1, 2}, "abcdefghij"},
                                                              {{2, 0}, "abc"},
                                                              {{2, 1}, "abcdefghij-beta"}};
  for (const auto& [id, text] : rows) table.Put(id, 1, text);
  // The page keys of two values that share their first 10 characters are equal ...
  std::vector<uint8_t> a(size_t(ref.KeySize)), b(size_t(ref.KeySize));
  ref.BuildKey(table.Get({1, 0}), a.data());
  ref.BuildKey(table.Get({1, 1}), b.data());
  EXPECT_EQ(ref.CompareKeys(a.data(), b.data(), nullptr, nullptr, kSession, false), 0);
  // ... and the records decide when ties are resolved.
  const auto idA = RecordId{1, 0}.Bytes(), idB = RecordId{1, 1}.Bytes();
  EXPECT_EQ(ref.CompareKeys(a.data(), b.data(), idA.data(), idB.data(), kSession, true), 1);
  const auto missing = RecordId{9, 9}.Bytes();
  EXPECT_VEX_CODE(ref.CompareKeys(a.data(), b.data(), idA.data(), missing.data(), kSession, true),
                  20170);

  TVexMemoryPageManager pm(int64_t(64) << 20);
  Index index(pm, ref);
  for (const auto& [id, text] : rows) index.Insert(table.Get(id), id);
  EXPECT_EQ(index.Scan(), (std::vector<RecordId>{{2, 0}, {1, 2}, {1, 1}, {2, 1}, {1, 0}}));
  // A search key that is longer than the prefix finds its own value.
  std::vector<uint8_t> full(size_t(ref.FullKeySize));
  const uint8_t* probe = table.Put({7, 7}, 0, "abcdefghij-beta");
  ref.BuildKey(probe, a.data());
  ref.BuildFullKey(probe, full.data());
  ref.SearchFullKey = full.data();
  TVexKeyPath path;
  ASSERT_TRUE(index.Tree.Search(kSession, true, path, vscEqual, a.data()));
  EXPECT_EQ(index.At(path), (RecordId{2, 1}));
  ref.SearchFullKey = nullptr;
  EXPECT_EQ(index.Tree.CheckTree(kSession, true), "");
}

TEST(VexRecordKeyRef, DescendingAndCaseInsensitiveColumns) {
  RecordTable table;
  TVexMemoryPageManager pm(int64_t(64) << 20);
  {
    // A descending column orders NULLs last.
    TVexRecordKeyRef ref;
    table.AddColumn(ref, 0, 20, true);
    Index index(pm, ref);
    index.Insert(table.Put({1, 0}, std::nullopt, "x"), {1, 0});
    index.Insert(table.Put({1, 1}, 5, "x"), {1, 1});
    index.Insert(table.Put({1, 2}, 9, "x"), {1, 2});
    index.Insert(table.Put({1, 3}, -3, "x"), {1, 3});
    EXPECT_EQ(index.Scan(), (std::vector<RecordId>{{1, 2}, {1, 1}, {1, 3}, {1, 0}}));
  }
  struct Case {
    bool caseInsensitive;
    const char* a;
    const char* b;
    int expected;
  };
  const Case cases[] = {{true, "abc", "ABC", 0}, {false, "abc", "ABC", -1}, {true, "abd", "ABC", 1},
                        {false, "a", "B", -1},   {true, "", "a", -1},       {false, "b", "a", 1}};
  for (const Case& c : cases) {
    TVexRecordKeyRef ref;
    table.AddColumn(ref, 1, 20, false, c.caseInsensitive);
    std::vector<uint8_t> a(size_t(ref.KeySize)), b(size_t(ref.KeySize));
    ref.BuildKey(table.Put({1, 0}, 0, c.a), a.data());
    ref.BuildKey(table.Put({1, 1}, 0, c.b), b.data());
    EXPECT_EQ(ref.CompareKeys(a.data(), b.data(), nullptr, nullptr, kSession, true), c.expected)
        << c.a << " " << c.b << " " << c.caseInsensitive;
  }
}

TEST(VexRecordKeyRef, SearchesWithTheSixConditionsOverDuplicates) {
  RecordTable table;
  TVexRecordKeyRef ref;
  table.AddColumn(ref, 0, 20);
  TVexMemoryPageManager pm(int64_t(64) << 20);
  Index index(pm, ref);
  // Keys 1..15 three times each on leaves of several pages, plus gaps at 0 and 16.
  std::vector<std::pair<int32_t, RecordId>> model;
  uint16_t slot = 0;
  for (int copy = 0; copy < 3; ++copy)
    for (int32_t k = 1; k <= 15; ++k) {
      for (int n = 0; n < 40; ++n) {
        const RecordId id{k * 10 + copy, slot++};
        index.Insert(table.Put(id, k, "x"), id);
        model.emplace_back(k, id);
      }
    }
  std::sort(model.begin(), model.end());
  ASSERT_EQ(index.Tree.CheckTree(kSession, true), "");
  auto meets = [](int32_t v, int32_t cond, int32_t key) {
    switch (cond) {
      case vscEqual:
        return v == key;
      case vscLess:
        return v < key;
      case vscGreater:
        return v > key;
      case vscLessOrEqual:
        return v <= key;
      case vscGreaterOrEqual:
        return v >= key;
      default:
        return true;
    }
  };
  std::vector<uint8_t> key(size_t(ref.KeySize));
  for (int32_t cond = vscNone; cond <= vscGreaterOrEqual; ++cond) {
    for (int32_t probe : {0, 1, 7, 15, 16}) {
      for (bool forward : {true, false}) {
        ref.BuildKey(table.Put({99, 0}, probe, "x"), key.data());
        std::optional<RecordId> expected;
        for (const auto& [k, id] : model)
          if (meets(k, cond, probe) && (!forward || !expected)) expected = id;
        TVexKeyPath path;
        const bool found = index.Tree.Search(kSession, forward, path, cond, key.data());
        ASSERT_EQ(found, expected.has_value()) << cond << " " << probe << " " << forward;
        if (found) {
          EXPECT_EQ(index.At(path), *expected) << cond << " " << probe << " " << forward;
        }
      }
    }
  }
  // The range 5 exclusive to 10 inclusive holds the keys 6 to 10.
  TVexKeyPath from, to;
  ref.BuildKey(table.Put({99, 0}, 5, "x"), key.data());
  ASSERT_TRUE(index.Tree.Search(kSession, true, from, vscGreater, key.data()));
  ref.BuildKey(table.Put({99, 0}, 10, "x"), key.data());
  ASSERT_TRUE(index.Tree.Search(kSession, false, to, vscLessOrEqual, key.data()));
  std::vector<RecordId> inRange, expected;
  for (TVexKeyPath p = from; TVexBTreePage::ComparePaths(p, to) <= 0;) {
    inRange.push_back(index.At(p));
    if (!index.Tree.Next(kSession, p)) break;
  }
  for (const auto& [k, id] : model)
    if (k > 5 && k <= 10) expected.push_back(id);
  EXPECT_EQ(inRange, expected);
}

TEST(VexRecordKeyRef, RandomInsertsAndDeletesWithDuplicatesKeepTheTreeSound) {
  struct Case {
    const char* name;
    uint16_t diskPageSize;  // 0: memory pages of 4096 bytes
  };
  const Case cases[] = {{"memory pages", 0}, {"256-byte disk pages", 256}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::unique_ptr<TVexPageManager> pm;
    if (c.diskPageSize) {
      auto disk = std::make_unique<TVexDiskPageManager>(int64_t(64) << 20);
      disk->CreateDatabase(dir.File("r.vex"), {}, 8, c.diskPageSize);
      pm = std::move(disk);
    } else {
      pm = std::make_unique<TVexMemoryPageManager>(int64_t(64) << 20);
    }
    RecordTable table;
    TVexRecordKeyRef ref;
    table.AddColumn(ref, 0, 20);
    Index index(*pm, ref);
    std::mt19937 rng(777);
    std::set<std::pair<int32_t, RecordId>> model;
    std::vector<RecordId> live;
    uint16_t slot = 0;
    for (int round = 0; round < 4; ++round) {
      for (int i = 0; i < 3000; ++i) {
        const bool insert = live.empty() || rng() % 3 != 0 || round % 2 == 0;
        if (insert) {
          const RecordId id{int32_t(rng() % 1000), slot++};
          const int32_t k = int32_t(rng() % 60);  // many duplicates
          index.Insert(table.Put(id, k, "x"), id);
          model.emplace(k, id);
          live.push_back(id);
        } else {
          const size_t at = rng() % live.size();
          const RecordId id = live[at];
          live[at] = live.back();
          live.pop_back();
          const uint8_t* r = table.Get(id);
          ASSERT_TRUE(index.Delete(r, id));
          model.erase({ReadInt32LE(r + table.Layout().Fields[0].BufferOffset), id});
        }
      }
      int64_t count = 0;
      ASSERT_EQ(index.Tree.CheckTree(kSession, true, &count), "") << "round " << round;
      EXPECT_EQ(count, int64_t(model.size()));
      std::vector<RecordId> expected;
      for (const auto& [k, id] : model) expected.push_back(id);
      ASSERT_EQ(index.Scan(), expected);
      for (const RecordId& id : live) ASSERT_TRUE(index.Find(table.Get(id), id));
    }
    EXPECT_FALSE(index.Delete(table.Put({5000, 1}, 3, "x"), {5000, 1}));
    pm->Rollback(kSession);
  }
}
