// Page reads per second through the page cache (hits, and misses that read the file) and the
// time of commits of 1, 100 and 10000 dirty pages, on a database in the temporary directory.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "engine/storage/DiskPageManager.h"

namespace {

using namespace VexLayout;

// A database with a number of record pages, made once per size.
class TBenchDb {
 public:
  explicit TBenchDb(int pages) {
    char tmpl[] = "/tmp/vex_bench_XXXXXX";
    dir_ = mkdtemp(tmpl);
    Name = dir_ + "/bench.vex";
    TVexDiskPageManager pm(int64_t(1) << 30);
    pm.CreateDatabase(Name, {}, 8, 4096);
    for (int i = 0; i < pages; ++i) {
      TVexPage* p = pm.AddPage(0, ptTableRecord);
      std::memset(p->GetData(), i & 0xFF, 64);
      Pages.push_back(p->PageNo);
      pm.ReleasePage(p);
      if (i % 1000 == 999) pm.Commit(0);
    }
    pm.Commit(0);
    pm.CloseDatabase();
  }
  ~TBenchDb() { std::filesystem::remove_all(dir_); }
  std::unique_ptr<TVexDiskPageManager> Open(int64_t memory) {
    auto pm = std::make_unique<TVexDiskPageManager>(memory);
    TVexPassword password;
    bool multiUser = false, readOnly = false;
    pm->OpenDatabase(Name, password, multiUser, false, readOnly);
    return pm;
  }
  std::string Name;
  std::vector<int32_t> Pages;

 private:
  std::string dir_;
};

TBenchDb& Db(int pages) {
  static std::map<int, std::unique_ptr<TBenchDb>> dbs;
  auto& db = dbs[pages];
  if (!db) db = std::make_unique<TBenchDb>(pages);
  return *db;
}

void BM_PageReadCacheHit(benchmark::State& state) {
  TBenchDb& db = Db(500);
  auto pm = db.Open(int64_t(1000) * 65536);  // capacity 1000: every page stays cached
  for (int32_t n : db.Pages) pm->ReleasePage(pm->GetPage(0, n, false, ptTableRecord));
  size_t i = 0;
  for (auto _ : state) {
    TVexPage* p = pm->GetPage(0, db.Pages[i], false, ptTableRecord);
    benchmark::DoNotOptimize(p->GetData()[0]);
    pm->ReleasePage(p);
    i = (i * 7 + 13) % db.Pages.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PageReadCacheHit);

void BM_PageReadCacheMiss(benchmark::State& state) {
  TBenchDb& db = Db(2000);
  auto pm = db.Open(int64_t(100) * 65536);  // capacity 100: a cycle over 2000 pages misses
  size_t i = 0;
  for (auto _ : state) {
    TVexPage* p = pm->GetPage(0, db.Pages[i], false, ptTableRecord);
    benchmark::DoNotOptimize(p->GetData()[0]);
    pm->ReleasePage(p);
    i = (i + 1) % db.Pages.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PageReadCacheMiss);

// One commit of state.range(0) dirty pages (the pages are changed outside the timing).
void BM_CommitDirtyPages(benchmark::State& state) {
  const int count = int(state.range(0));
  TBenchDb& db = Db(10000);
  auto pm = db.Open(int64_t(1000) * 65536);
  uint8_t value = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++value;
    for (int i = 0; i < count; ++i) {
      TVexPage* p = pm->GetPage(0, db.Pages[size_t(i)], false, ptTableRecord);
      p->GetData()[0] = value;
      p->Dirty = true;
      pm->ReleasePage(p);
    }
    state.ResumeTiming();
    pm->Commit(0);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_CommitDirtyPages)->Arg(1)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
