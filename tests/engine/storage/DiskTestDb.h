// Builds small databases for the storage tests through the disk page manager.
#pragma once

#include <cstring>
#include <string>

#include "engine/storage/DiskPageManager.h"
#include "engine/storage/FileLayout.h"

// Creates a database with count committed pages of the given type whose data areas begin
// with "page <n>"; answers the page numbers.
inline std::vector<int32_t> MakeDiskDb(const std::string& name, int count = 1,
                                       uint16_t type = VexLayout::ptTableRecord,
                                       const TVexPassword& password = {}, uint16_t pageSize = 4096,
                                       uint16_t extentSize = 8) {
  TVexDiskPageManager pm(int64_t(64) << 20);
  pm.CreateDatabase(name, password, extentSize, pageSize);
  std::vector<int32_t> pages;
  for (int i = 0; i < count; ++i) {
    TVexPage* p = pm.AddPage(-2, type);
    std::string text = "page " + std::to_string(p->PageNo);
    std::memcpy(p->GetData(), text.c_str(), text.size() + 1);
    pages.push_back(p->PageNo);
    pm.ReleasePage(p);
  }
  pm.Commit(-2);
  pm.CloseDatabase();
  return pages;
}

// Opens a database read-write, single-user, shared; answers RepairNeeded.
inline bool OpenDiskDb(TVexDiskPageManager& pm, const std::string& name, TVexPassword password = {},
                       bool readOnly = false) {
  bool multiUser = false;
  return pm.OpenDatabase(name, password, multiUser, false, readOnly);
}

inline std::string PageText(TVexPage* p) {
  return reinterpret_cast<const char*>(p->GetData());
}
