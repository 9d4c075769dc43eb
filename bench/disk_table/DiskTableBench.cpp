// One run comparing disk tables with SQLite on the same rows (INTEGER, STRING(40), INTEGER):
// inserting them in one transaction, scanning them all, and looking rows up by the first
// INTEGER through an index. Prints each time and the ratio SQLite time / engine time (1.0 =
// as fast as SQLite; the goal is 0.5 or better).
// Usage: bench_disk_table [ROWS [LOOKUPS]]   (defaults 1000000 and 100000)
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/base/VexRecordLayout.h"
#include "engine/storage/DiskDatabaseCatalog.h"
#include "engine/storage/DiskTableStorage.h"
#include "engine/storage/TemporaryPageManager.h"
#include "engine/storage/VexBTree.h"
#include "engine/storage/VexRecordKeyRef.h"
#include "platform/LittleEndian.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Rows {
  std::vector<int32_t> A, C;
  std::vector<std::string> B;
  std::vector<int32_t> Probes;  // values of A to look up
};

Rows MakeRows(int32_t n, int32_t lookups) {
  Rows r;
  std::mt19937 rng(42);
  r.A.resize(size_t(n));
  for (int32_t i = 0; i < n; ++i) r.A[size_t(i)] = i;
  std::shuffle(r.A.begin(), r.A.end(), rng);
  for (int32_t i = 0; i < n; ++i) {
    r.C.push_back(i * 3);
    char text[48];
    std::snprintf(text, sizeof text, "row %08d %030d", i, r.A[size_t(i)]);
    r.B.emplace_back(text, 40);
  }
  for (int32_t i = 0; i < lookups; ++i) r.Probes.push_back(int32_t(rng() % uint32_t(n)));
  return r;
}

struct Times {
  double Insert = 0, Scan = 0, Index = 0, Lookup = 0;
  int64_t Check = 0;  // a sum over what was read, so that both sides provably read the rows
};

void Sql(sqlite3* db, const char* text) {
  char* error = nullptr;
  if (sqlite3_exec(db, text, nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "SQLite: %s\n", error ? error : "?");
    std::exit(1);
  }
}

Times RunSqlite(const std::string& file, const Rows& rows) {
  Times t;
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  Sql(db, "PRAGMA synchronous=OFF");
  Sql(db, "PRAGMA cache_size=-65536");  // 64 MiB, in line with the engine's page cache
  Sql(db, "CREATE TABLE t(a INTEGER, b VARCHAR(40), c INTEGER)");
  sqlite3_stmt* st = nullptr;
  auto start = Clock::now();
  Sql(db, "BEGIN");
  sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?,?,?)", -1, &st, nullptr);
  for (size_t i = 0; i < rows.A.size(); ++i) {
    sqlite3_bind_int(st, 1, rows.A[i]);
    sqlite3_bind_text(st, 2, rows.B[i].data(), int(rows.B[i].size()), SQLITE_STATIC);
    sqlite3_bind_int(st, 3, rows.C[i]);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  Sql(db, "COMMIT");
  t.Insert = Seconds(start);

  start = Clock::now();
  sqlite3_prepare_v2(db, "SELECT a, b, c FROM t", -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW)
    t.Check += sqlite3_column_int(st, 0) + sqlite3_column_int(st, 2) + sqlite3_column_bytes(st, 1);
  sqlite3_finalize(st);
  t.Scan = Seconds(start);

  start = Clock::now();
  Sql(db, "CREATE INDEX ta ON t(a)");
  t.Index = Seconds(start);

  start = Clock::now();
  sqlite3_prepare_v2(db, "SELECT b, c FROM t WHERE a = ?", -1, &st, nullptr);
  for (int32_t probe : rows.Probes) {
    sqlite3_bind_int(st, 1, probe);
    while (sqlite3_step(st) == SQLITE_ROW)
      t.Check += sqlite3_column_int(st, 1) + sqlite3_column_bytes(st, 0);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  t.Lookup = Seconds(start);
  sqlite3_close(db);
  return t;
}

Times RunEngine(const std::string& file, const Rows& rows) {
  Times t;
  TVexDiskDatabaseCatalog::CreateDatabase(file, {});
  TVexDiskDatabaseCatalog db;
  TVexPassword password;
  bool multiUser = false, readOnly = false;
  db.Open(file, password, multiUser, false, readOnly);
  const int32_t session = db.ConnectSession(false);
  TVexFieldDefs fields;
  const std::pair<const char*, TVexDataType> defs[] = {
      {"a", vdtInteger}, {"b", vdtString}, {"c", vdtInteger}};
  for (auto [name, type] : defs) {
    TVexFieldDef& f = fields.AddFieldDef();
    f.Name = name;
    f.SetDataType(type, type == vdtString ? 40 : 0);
  }
  TVexDiskTableStorage table(&db, "t");
  table.Create(fields, {}, {});
  table.Open(session, false);
  TVexDiskRecordManager& rm = *table.RecordManager;
  const TVexRecordLayout& layout = table.Metadata.FieldDefs.Layout();
  const TVexFieldSlot &fa = layout.Fields[0], &fb = layout.Fields[1], &fc = layout.Fields[2];
  std::vector<uint8_t> row(size_t(layout.RecordBufferSize));

  auto start = Clock::now();
  for (size_t i = 0; i < rows.A.size(); ++i) {
    std::memset(row.data(), 0, row.size());
    WriteInt32LE(row.data() + fa.BufferOffset, rows.A[i]);
    std::memcpy(row.data() + fb.BufferOffset, rows.B[i].data(), rows.B[i].size());
    WriteInt32LE(row.data() + fc.BufferOffset, rows.C[i]);
    TVexDiskRecordId id;
    if (!rm.AddRecord(session, row.data(), id)) {
      std::fprintf(stderr, "insert failed at row %zu\n", i);
      std::exit(1);
    }
  }
  table.SaveHeader(session);
  db.PageManager->Commit(session);
  t.Insert = Seconds(start);

  // Visits every row in scan order with its identifier.
  auto scan = [&](auto visit) {
    TVexNavigationRequest nav;
    nav.Mode = 1;
    nav.Bof = true;
    nav.RecordBuffer = row.data();
    for (;;) {
      rm.NavigateRecord(session, nav);
      if (nav.Result != vnrFound) return;
      visit(nav.RecordID);
    }
  };
  start = Clock::now();
  scan([&](const TVexRecordIDBytes&) {
    t.Check += ReadInt32LE(row.data() + fa.BufferOffset) +
               ReadInt32LE(row.data() + fc.BufferOffset) +
               int64_t(std::strlen(reinterpret_cast<const char*>(row.data() + fb.BufferOffset)));
  });
  t.Scan = Seconds(start);

  // The index of a disk table lives in the process's temporary page manager and is built
  // from the records in scan order.
  start = Clock::now();
  TVexTemporaryPageManager indexPages(true);
  TVexRecordKeyRef keyRef;
  keyRef.AddColumn(fa.StorageType, fa.BufferSize, fa.BufferOffset, fa.StoredOffset, 0, 0, false,
                   false);
  TVexBTreePage index(indexPages, keyRef);
  index.CreateRoot(session);
  std::vector<uint8_t> key(size_t(keyRef.KeySize));
  scan([&](const TVexRecordIDBytes& id) {
    keyRef.BuildKey(row.data(), key.data());
    index.InsertEntry(session, key.data(), id.data());
  });
  indexPages.Commit(session);
  t.Index = Seconds(start);

  start = Clock::now();
  std::vector<uint8_t> probeRow(row.size(), 0);
  for (int32_t probe : rows.Probes) {
    WriteInt32LE(probeRow.data() + fa.BufferOffset, probe);
    keyRef.BuildKey(probeRow.data(), key.data());
    TVexKeyPath path;
    bool found = index.Search(session, true, path, vscEqual, key.data());
    while (found) {
      TVexNavigationRequest get;
      get.Mode = 0;
      index.ReadEntry(session, path, nullptr, get.RecordID.data());
      get.RecordBuffer = row.data();
      rm.NavigateRecord(session, get);
      if (get.Result != vnrFound || ReadInt32LE(row.data() + fa.BufferOffset) != probe) break;
      t.Check += ReadInt32LE(row.data() + fc.BufferOffset) +
                 int64_t(std::strlen(reinterpret_cast<const char*>(row.data() + fb.BufferOffset)));
      found = index.Next(session, path);
    }
  }
  t.Lookup = Seconds(start);
  table.Close();
  db.DisconnectSession(session);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const int32_t n = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const int32_t lookups = argc > 2 ? std::atoi(argv[2]) : 100000;
  char tmpl[] = "/tmp/vex_bench_XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  Rows rows = MakeRows(n, lookups);
  Times vex = RunEngine(dir + "/bench.vex", rows);
  Times lite = RunSqlite(dir + "/bench.sqlite", rows);
  std::filesystem::remove_all(dir);
  std::printf("%d rows of (INTEGER, STRING(40), INTEGER), %d point lookups\n", n, lookups);
  std::printf("%-28s %12s %12s %10s\n", "", "engine s", "SQLite s", "ratio");
  auto line = [](const char* what, double engine, double sqlite) {
    std::printf("%-28s %12.3f %12.3f %10.2f\n", what, engine, sqlite, sqlite / engine);
  };
  line("insert (one transaction)", vex.Insert, lite.Insert);
  line("full sequential scan", vex.Scan, lite.Scan);
  line("index creation", vex.Index, lite.Index);
  line("point lookups by index", vex.Lookup, lite.Lookup);
  std::printf("checksums: engine %lld, SQLite %lld%s\n", (long long)vex.Check,
              (long long)lite.Check, vex.Check == lite.Check ? "" : "  (DIFFERENT)");
  return vex.Check == lite.Check ? 0 : 1;
}
