// TVexDatabaseFreeSpaceManager: the free-space map of a database file: PFS pages (one bit per
// page) and EAM pages (two bits per extent) at computed page numbers, page allocation with
// growth of the file, and freeing with shrinking. Map pages read once stay in memory while
// this process is the only writer; otherwise they are re-read by every operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

class TVexDiskPageManager;

class TVexDatabaseFreeSpaceManager {
 public:
  TVexDatabaseFreeSpaceManager(TVexDiskPageManager* pageManager, uint16_t extentSize,
                               int32_t totalPageCount, int32_t lastAllocatedPageNo);

  int32_t AllocatePage();
  void FreePage(int32_t pageNo);
  bool IsMapPage(int32_t pageNo) const;
  void Reload();
  void Save();

  int64_t PFSPageNo(int64_t k) const { return k * PagesPerPFS; }
  int64_t EAMPageNo(int64_t k) const;
  // Whether page n is marked in use in its PFS page (false beyond the file).
  bool IsPageUsed(int32_t pageNo);
  // The 2-bit state of the extent (0 never described, 1 has free pages, 3 full).
  int ExtentState(int64_t extent);

  TVexDiskPageManager* PageManager;
  int32_t ExtentSize;
  int32_t PagesPerPFS;    // P
  int32_t ExtentsPerEAM;  // 4 x data size
  int64_t PagesPerEAM;    // E
  int32_t LastAllocatedPageNo;
  int32_t TotalPageCount;
  bool Reserved = false;
  // Map pages held in memory at most; beyond it the held pages are dropped.
  static constexpr std::size_t kMaxCachedMapPages = 1024;
  std::size_t CachedMapPageCount() const { return MapPages.size(); }

 private:
  // A map page read into memory, written back on request.
  struct MapPage {
    int64_t PageNo = -1;
    std::vector<uint8_t> Buffer;
  };
  // Keeps the held map pages consistent with the file for the length of one operation: they
  // are dropped when it fails (memory may then differ from the file) and, when other
  // processes may change the map, when it ends.
  class Operation;
  // Whether held map pages stay valid between operations (no other process writes the map).
  bool KeepsMapPages() const;
  MapPage& ReadMapPage(int64_t pageNo, uint16_t type, int32_t code);
  void WriteMapPage(MapPage& page);
  void NewMapPage(int64_t pageNo, uint16_t type);
  int32_t Grow();
  int32_t FindFreePage();
  void SetPageUsed(int32_t pageNo, bool used, int32_t rangeCode);
  void RefreshExtent(int64_t extent);
  int32_t HighestUsedPage();
  uint8_t* Data(MapPage& page);

  std::unordered_map<int64_t, MapPage> MapPages;
};
