// Record index B-tree against an SQLite index: inserting 1,000,000 (INTEGER key, record id)
// entries in random key order, then 100,000 point lookups by key.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/base/VexRecordLayout.h"
#include "engine/storage/TemporaryPageManager.h"
#include "engine/storage/VexBTree.h"
#include "engine/storage/VexRecordKeyRef.h"
#include "platform/LittleEndian.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kLookups = 100000;

std::vector<int32_t> Keys() {
  std::vector<int32_t> keys(kRows);
  std::mt19937 rng(42);
  for (int i = 0; i < kRows; ++i) keys[size_t(i)] = int32_t(rng() % (kRows * 4));
  return keys;
}

// Key of a one-INTEGER-field record: null flag, then the value.
struct IntKeyTree {
  IntKeyTree() : pages(true, int64_t(1) << 30) {
    ref.AddColumn(vstInteger, 4, 1, 1, 0, 20, false, false);
    tree = std::make_unique<TVexBTreePage>(pages, ref);
    tree->CreateRoot(0);
  }
  TVexTemporaryPageManager pages;
  TVexRecordKeyRef ref;
  std::unique_ptr<TVexBTreePage> tree;
};

void BuildKey(uint8_t* key, int32_t value) {
  key[0] = 0;
  WriteInt32LE(key + 1, value);
}

// Inserts every key with a record id of 40 records per page, then commits.
void Fill(IntKeyTree& t, const std::vector<int32_t>& keys) {
  uint8_t key[5], rid[6];
  for (int i = 0; i < kRows; ++i) {
    BuildKey(key, keys[size_t(i)]);
    WriteInt32LE(rid, i / 40);
    WriteUInt16LE(rid + 4, uint16_t(i % 40));
    t.tree->InsertEntry(0, key, rid);
  }
  t.pages.Commit(0);
}

void BM_BTreeInsert(benchmark::State& state) {
  const std::vector<int32_t> keys = Keys();
  for (auto _ : state) {
    IntKeyTree t;
    Fill(t, keys);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_BTreeInsert)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_BTreeLookup(benchmark::State& state) {
  const std::vector<int32_t> keys = Keys();
  IntKeyTree t;
  Fill(t, keys);
  uint8_t key[5];
  int64_t found = 0;
  for (auto _ : state) {
    for (int i = 0; i < kLookups; ++i) {
      BuildKey(key, keys[size_t(i * 7)]);
      TVexKeyPath path;
      found += t.tree->Search(0, true, path, vscEqual, key);
    }
  }
  if (found != int64_t(state.iterations()) * kLookups) state.SkipWithError("key not found");
  state.SetItemsProcessed(state.iterations() * kLookups);
}
BENCHMARK(BM_BTreeLookup)->Unit(benchmark::kMillisecond);

struct Sqlite {
  Sqlite() {
    sqlite3_open(":memory:", &db);
    sqlite3_exec(db, "CREATE TABLE t(k INTEGER, r INTEGER); CREATE INDEX ik ON t(k);", nullptr,
                 nullptr, nullptr);
  }
  ~Sqlite() { sqlite3_close(db); }
  sqlite3* db = nullptr;
};

void SqliteFill(Sqlite& s, const std::vector<int32_t>& keys) {
  sqlite3_exec(s.db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert;
  sqlite3_prepare_v2(s.db, "INSERT INTO t VALUES(?, ?)", -1, &insert, nullptr);
  for (int i = 0; i < kRows; ++i) {
    sqlite3_bind_int(insert, 1, keys[size_t(i)]);
    sqlite3_bind_int(insert, 2, i);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(s.db, "COMMIT", nullptr, nullptr, nullptr);
}

void BM_SqliteIndexedInsert(benchmark::State& state) {
  const std::vector<int32_t> keys = Keys();
  for (auto _ : state) {
    Sqlite s;
    SqliteFill(s, keys);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SqliteIndexedInsert)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SqliteIndexLookup(benchmark::State& state) {
  const std::vector<int32_t> keys = Keys();
  Sqlite s;
  SqliteFill(s, keys);
  sqlite3_stmt* select;
  sqlite3_prepare_v2(s.db, "SELECT k FROM t WHERE k = ? LIMIT 1", -1, &select, nullptr);
  int64_t found = 0;
  for (auto _ : state) {
    for (int i = 0; i < kLookups; ++i) {
      sqlite3_bind_int(select, 1, keys[size_t(i * 7)]);
      found += sqlite3_step(select) == SQLITE_ROW;
      sqlite3_reset(select);
    }
  }
  sqlite3_finalize(select);
  if (found != int64_t(state.iterations()) * kLookups) state.SkipWithError("key not found");
  state.SetItemsProcessed(state.iterations() * kLookups);
}
BENCHMARK(BM_SqliteIndexLookup)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
