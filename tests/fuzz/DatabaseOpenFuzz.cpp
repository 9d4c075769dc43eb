// Fuzzes the open path of a database file and the loading of its internal files: any bytes
// as a database file open and load, or raise an engine error; never a crash, hang or leak.
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "engine/storage/DiskDatabaseCatalog.h"
#include "engine/storage/LockPolling.h"
#include "engine/storage/TransactedFile.h"
#include "platform/Exception.h"
#include "tests/fuzz/FuzzDriver.h"

namespace {

// A temporary file that is removed again.
struct TTempFile {
  std::string Name;
  TTempFile() {
    char tmpl[] = "/tmp/vex_fuzz_XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd >= 0) close(fd);
    Name = tmpl;
  }
  ~TTempFile() { unlink(Name.c_str()); }
};

void Quick() {
  VexLockPolling().Tries = 1;
  VexLockPolling().ReconnectTries = 1;
  VexLockPolling().ReconnectPauseMs = 0;
}

std::vector<uint8_t> FileBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

std::vector<std::vector<uint8_t>> VexFuzzSeeds() {
  Quick();
  std::vector<std::vector<uint8_t>> seeds;
  for (uint16_t pageSize : {64, 128}) {
    TTempFile file;
    TVexDiskDatabaseCatalog::CreateDatabase(file.Name, {}, TVexCreateOptions{pageSize, 2, 3});
    TVexDiskDatabaseCatalog db;
    TVexPassword password;
    bool multiUser = false, readOnly = false;
    db.Open(file.Name, password, multiUser, false, readOnly);
    TVexInternalDBTransactedAccessFile meta(db.PageManager.get(), VexLayout::ptTableMetaData);
    int32_t metaStart = meta.Create(-2);
    std::string text(300, 'm');
    meta.WriteFile(-2, reinterpret_cast<const uint8_t*>(text.data()), 1, 1, int32_t(text.size()));
    db.TableList->AddTable(1, "tLicense", metaStart, -1, -1);
    db.TableList->AddTable(2, "tLicenseTitles", metaStart, -1, -1);
    db.TableList->Save(-2);
    db.PageManager->Commit(-2);
    db.Close();
    seeds.push_back(FileBytes(file.Name));
  }
  return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Quick();
  TTempFile file;
  {
    std::ofstream out(file.Name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  try {
    TVexDiskDatabaseCatalog db;
    TVexPassword password;
    bool multiUser = false, readOnly = true;
    db.Open(file.Name, password, multiUser, false, readOnly);
    db.ConnectSession(false);
    db.TableList->GetTableNames();
    for (const TVexTableListEntry& t : db.TableList->Tables) {
      try {
        TVexInternalDBTransactedAccessFile meta(db.PageManager.get(), VexLayout::ptTableMetaData);
        meta.Open(t.MetadataFileStart);
        meta.ReadAll(0, true);
      } catch (const Exception&) {
        // a damaged table file is an expected outcome
      }
    }
    int32_t pages = std::min(db.PageManager->MainHeader.TotalPageCount, 64);
    for (int32_t n = 2; n < pages; ++n) {
      try {
        TVexPageGuard page(*db.PageManager,
                           db.PageManager->GetPage(0, n, false, VexLayout::kAnyPageType));
      } catch (const Exception&) {
        // map pages and unreadable pages are refused
      }
    }
  } catch (const Exception&) {
    // damaged files are refused with an engine error
  }
  return 0;
}
