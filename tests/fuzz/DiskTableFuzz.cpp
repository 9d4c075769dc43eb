// Fuzzes reading a disk table from a damaged database file: opening it with verification (and
// the repair of its record page index), scanning its rows both ways and going to record
// numbers. Any bytes either read or raise an engine error; never a crash, hang or leak.
#include <algorithm>
#include <string>

#include "engine/storage/DiskDatabaseCatalog.h"
#include "engine/storage/DiskTableStorage.h"
#include "engine/storage/LockPolling.h"
#include "platform/Exception.h"
#include "platform/LittleEndian.h"
#include "tests/fuzz/FuzzDriver.h"
#include "tests/fuzz/FuzzTempFile.h"

namespace {

// Moves through the table in both directions, at most limit steps each.
void Scan(TVexDiskRecordManager& rm, std::vector<uint8_t>& row, uint8_t mode, int limit) {
  TVexNavigationRequest r;
  r.Mode = mode;
  (mode == 1 ? r.Bof : r.Eof) = true;
  r.RecordBuffer = row.data();
  for (int i = 0; i < limit; ++i) {
    rm.NavigateRecord(0, r);
    if (r.Result != vnrFound) return;
  }
}

}  // namespace

std::vector<std::vector<uint8_t>> VexFuzzSeeds() {
  Quick();
  TTempFile file;
  TVexDiskDatabaseCatalog::CreateDatabase(file.Name, {}, TVexCreateOptions{256, 2, 2});
  {
    TVexDiskDatabaseCatalog db;
    TVexPassword password;
    bool multiUser = false, readOnly = false;
    db.Open(file.Name, password, multiUser, false, readOnly);
    TVexFieldDefs fields;
    TVexFieldDef& a = fields.AddFieldDef();
    a.Name = "a";
    a.SetDataType(vdtInteger, 0);
    TVexFieldDef& b = fields.AddFieldDef();
    b.Name = "b";
    b.SetDataType(vdtString, 20);
    TVexDiskTableStorage t(&db, "t");
    t.Create(fields, {}, {});
    t.Open(-2, false);
    std::vector<uint8_t> row(size_t(t.Metadata.FieldDefs.RecordBufferSize()), 0);
    for (int32_t v = 0; v < 60; ++v) {
      WriteInt32LE(row.data() + 1, v);
      TVexDiskRecordId id;
      t.RecordManager->AddRecord(-2, row.data(), id);
    }
    t.SaveHeader(-2);
    db.PageManager->Commit(-2);
  }
  return {FileBytes(file.Name)};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Quick();
  TTempFile file;
  WriteFileBytes(file.Name, data, size);
  try {
    TVexDiskDatabaseCatalog db;
    TVexPassword password;
    bool multiUser = false, readOnly = false;
    db.Open(file.Name, password, multiUser, false, readOnly);
    db.ConnectSession(false);
    TVexDiskTableStorage t(&db, "t");
    t.Open(0, true);
    std::vector<uint8_t> row(size_t(t.Metadata.FieldDefs.RecordBufferSize()), 0);
    // A damaged header may claim far more pages than the file holds: bound the steps.
    const int limit = int(std::min<int64_t>(
        int64_t(std::max(0, db.PageManager->GetTotalPageCount())) * 64 + 64, 1 << 20));
    Scan(*t.RecordManager, row, 1, limit);
    Scan(*t.RecordManager, row, 2, limit);
    int64_t count = std::min<int64_t>(t.RecordManager->RecordCount, 8);
    for (int64_t n = 1; n <= count; ++n) {
      TVexDiskRecordId id = t.RecordManager->GoToRecordNumber(0, n);
      t.RecordManager->GetRecordNumber(0, id);
    }
    db.PageManager->Rollback(0);
  } catch (const Exception&) {
    // damaged files are refused with an engine error
  }
  return 0;
}
