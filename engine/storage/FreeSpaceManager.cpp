// TVexDatabaseFreeSpaceManager: PFS and EAM arithmetic, allocation, freeing, growth, shrink.
#include "engine/storage/FreeSpaceManager.h"

#include <algorithm>
#include <climits>
#include <exception>

#include "engine/base/VexExcept.h"
#include "engine/storage/DiskPageManager.h"
#include "engine/storage/FileLayout.h"

using namespace VexLayout;

class TVexDatabaseFreeSpaceManager::Operation {
 public:
  explicit Operation(TVexDatabaseFreeSpaceManager& manager)
      : manager_(manager), exceptions_(std::uncaught_exceptions()) {
    if (!manager_.KeepsMapPages() || manager_.MapPages.size() > kMaxCachedMapPages)
      manager_.MapPages.clear();
  }
  ~Operation() {
    if (std::uncaught_exceptions() > exceptions_ || !manager_.KeepsMapPages())
      manager_.MapPages.clear();
  }
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

 private:
  TVexDatabaseFreeSpaceManager& manager_;
  int exceptions_;
};

TVexDatabaseFreeSpaceManager::TVexDatabaseFreeSpaceManager(TVexDiskPageManager* pageManager,
                                                           uint16_t extentSize,
                                                           int32_t totalPageCount,
                                                           int32_t lastAllocatedPageNo)
    : PageManager(pageManager),
      ExtentSize(extentSize),
      PagesPerPFS(8 * pageManager->PageDataSize),
      ExtentsPerEAM(4 * pageManager->PageDataSize),
      PagesPerEAM(int64_t(4) * pageManager->PageDataSize * extentSize),
      LastAllocatedPageNo(lastAllocatedPageNo),
      TotalPageCount(totalPageCount) {
  if (PagesPerPFS <= 0 || PagesPerEAM <= 0) throw EVexException(20237, "Invalid database format");
}

int64_t TVexDatabaseFreeSpaceManager::EAMPageNo(int64_t k) const {
  int64_t n = k * PagesPerEAM;
  return n % PagesPerPFS == 0 ? n + 1 : n;
}

bool TVexDatabaseFreeSpaceManager::IsMapPage(int32_t pageNo) const {
  int64_t n = pageNo;
  if (n < 0) return false;
  return n % PagesPerPFS == 0 || n % PagesPerEAM == 0 ||
         (n >= 1 && (n - 1) % PagesPerPFS == 0 && (n - 1) % PagesPerEAM == 0);
}

bool TVexDatabaseFreeSpaceManager::KeepsMapPages() const {
  return !PageManager->MultiUser;
}

void TVexDatabaseFreeSpaceManager::Reload() {
  PageManager->ReadHeader();
  LastAllocatedPageNo = PageManager->MainHeader.LastAllocatedPageNo;
  // A file whose size changed behind this manager's back may hold other map pages.
  if (PageManager->MainHeader.TotalPageCount != TotalPageCount) MapPages.clear();
  TotalPageCount = PageManager->MainHeader.TotalPageCount;
  if (TotalPageCount < 0 || LastAllocatedPageNo < -1 ||
      (TotalPageCount > 0 && LastAllocatedPageNo >= TotalPageCount))
    throw EVexException(20237, "Invalid database format");
}

void TVexDatabaseFreeSpaceManager::Save() {
  TVexMainHeader& h = PageManager->MainHeader;
  if (h.LastAllocatedPageNo == LastAllocatedPageNo && h.TotalPageCount == TotalPageCount) return;
  h.LastAllocatedPageNo = LastAllocatedPageNo;
  h.TotalPageCount = TotalPageCount;
  PageManager->WriteHeader(false);
}

uint8_t* TVexDatabaseFreeSpaceManager::Data(MapPage& page) {
  return page.Buffer.data() + kPageHeaderSize;
}

TVexDatabaseFreeSpaceManager::MapPage& TVexDatabaseFreeSpaceManager::ReadMapPage(int64_t pageNo,
                                                                                 uint16_t type,
                                                                                 int32_t code) {
  if (auto held = MapPages.find(pageNo); held != MapPages.end()) {
    CheckPageType(PageType(held->second.Buffer.data()), type, code);
    return held->second;
  }
  MapPage page;
  page.Buffer.assign(PageManager->PageSize, 0);
  if (pageNo >= TotalPageCount ||
      !PageManager->DatabaseFile.ReadBuffer(
          page.Buffer.data(), PageManager->GetPageOffset(int32_t(pageNo)), PageManager->PageSize))
    std::fill(page.Buffer.begin(), page.Buffer.end(), 0);
  // Only a page of the wanted type is held (a zero-filled one never is: no map type is 0).
  CheckPageType(PageType(page.Buffer.data()), type, code);
  page.PageNo = pageNo;
  return MapPages.insert_or_assign(pageNo, std::move(page)).first->second;
}

void TVexDatabaseFreeSpaceManager::WriteMapPage(MapPage& page) {
  uint8_t* b = page.Buffer.data();
  SetPageChangeCounter(b, NextChangeCounter(PageChangeCounter(b)));
  PageManager->DatabaseFile.WriteBuffer(b, 10469, PageManager->GetPageOffset(int32_t(page.PageNo)),
                                        PageManager->PageSize);
}

void TVexDatabaseFreeSpaceManager::NewMapPage(int64_t pageNo, uint16_t type) {
  MapPages.erase(pageNo);
  MapPage page;
  page.PageNo = pageNo;
  page.Buffer.assign(PageManager->PageSize, 0);
  InitPageHeader(page.Buffer.data());
  SetPageType(page.Buffer.data(), type);
  Data(page)[0] = 1;  // PFS: the page itself in use; EAM: its first extent described
  WriteMapPage(page);
  MapPages.insert_or_assign(pageNo, std::move(page));
}

bool TVexDatabaseFreeSpaceManager::IsPageUsed(int32_t pageNo) {
  if (pageNo < 0 || pageNo >= TotalPageCount) return false;
  Operation operation(*this);
  int64_t local = pageNo % PagesPerPFS;
  MapPage& pfs = ReadMapPage(pageNo - local, ptPFS, 30423);
  return (Data(pfs)[local / 8] >> (local % 8)) & 1;
}

int TVexDatabaseFreeSpaceManager::ExtentState(int64_t extent) {
  Operation operation(*this);
  MapPage& eam = ReadMapPage(EAMPageNo(extent / ExtentsPerEAM), ptEAM, 30424);
  int64_t local = extent % ExtentsPerEAM;
  return (Data(eam)[local / 4] >> (2 * (local % 4))) & 3;
}

int32_t TVexDatabaseFreeSpaceManager::FindFreePage() {
  if (LastAllocatedPageNo == -1) return -1;
  int64_t eamCount = 0;
  while (EAMPageNo(eamCount) < TotalPageCount) ++eamCount;
  if (eamCount == 0) return -1;
  std::vector<int64_t> order{eamCount - 1};
  for (int64_t k = 0; k + 1 < eamCount; ++k) order.push_back(k);
  for (int64_t k : order) {
    MapPage& eam = ReadMapPage(EAMPageNo(k), ptEAM, 30424);
    for (int64_t local = 0; local < ExtentsPerEAM; ++local) {
      int64_t extent = k * ExtentsPerEAM + local;
      int64_t first = extent * ExtentSize;
      if (first >= TotalPageCount) break;
      if (((Data(eam)[local / 4] >> (2 * (local % 4))) & 3) == 3) continue;
      int64_t end = std::min<int64_t>(first + ExtentSize, TotalPageCount);
      for (int64_t n = first; n < end; ++n) {
        if (IsMapPage(int32_t(n))) continue;
        int64_t bit = n % PagesPerPFS;
        MapPage& pfs = ReadMapPage(n - bit, ptPFS, 30423);
        if (!((Data(pfs)[bit / 8] >> (bit % 8)) & 1)) return int32_t(n);
      }
    }
  }
  return -1;
}

int32_t TVexDatabaseFreeSpaceManager::Grow() {
  int64_t oldTotal = TotalPageCount;
  int64_t grow = oldTotal == 0 ? 6 : std::max<int64_t>(oldTotal / 10, ExtentSize);
  int64_t newTotal = oldTotal + grow;
  while (IsMapPage(int32_t(std::min<int64_t>(newTotal - 1, INT32_MAX)))) ++newTotal;
  if (newTotal >= INT32_MAX)
    throw EVexException(30430, "Page: %d cannot be addressed. TotalPageCount=%d",
                        {newTotal - 1, TotalPageCount});
  PageManager->DatabaseFile.SetSize(PageManager->FirstPageOffset +
                                    newTotal * PageManager->PageSize);
  TotalPageCount = int32_t(newTotal);
  int32_t firstFree = -1;
  for (int64_t n = oldTotal; n < newTotal; ++n) {
    bool pfs = n % PagesPerPFS == 0;
    bool eam = (n % PagesPerEAM == 0 && !pfs) ||
               (n >= 1 && (n - 1) % PagesPerEAM == 0 && (n - 1) % PagesPerPFS == 0);
    if (pfs) NewMapPage(n, ptPFS);
    if (eam) NewMapPage(n, ptEAM);
    if (!pfs && !eam && !IsMapPage(int32_t(n)) && firstFree < 0) firstFree = int32_t(n);
  }
  return firstFree;
}

void TVexDatabaseFreeSpaceManager::SetPageUsed(int32_t pageNo, bool used, int32_t rangeCode) {
  if (pageNo < 0 || pageNo >= TotalPageCount)
    throw EVexException(rangeCode, "Page: %d cannot be addressed. TotalPageCount=%d",
                        {pageNo, TotalPageCount});
  int64_t bit = pageNo % PagesPerPFS;
  MapPage& pfs = ReadMapPage(pageNo - bit, ptPFS, used ? 30423 : 30428);
  uint8_t& byte = Data(pfs)[bit / 8];
  uint8_t mask = uint8_t(1u << (bit % 8));
  if (used && (byte & mask)) throw EVexException(30425, "Page: %d already used", {pageNo});
  if (!used && !(byte & mask)) throw EVexException(30427, "Page: %d already free", {pageNo});
  byte = uint8_t(used ? byte | mask : byte & ~mask);
  WriteMapPage(pfs);
  RefreshExtent(pageNo / ExtentSize);
}

void TVexDatabaseFreeSpaceManager::RefreshExtent(int64_t extent) {
  bool full = true;
  for (int64_t n = extent * ExtentSize; full && n < (extent + 1) * ExtentSize; ++n) {
    if (n >= TotalPageCount) {
      full = false;
    } else if (!IsMapPage(int32_t(n))) {
      int64_t bit = n % PagesPerPFS;
      MapPage& pfs = ReadMapPage(n - bit, ptPFS, 30428);
      full = (Data(pfs)[bit / 8] >> (bit % 8)) & 1;
    }
  }
  MapPage& eam = ReadMapPage(EAMPageNo(extent / ExtentsPerEAM), ptEAM, 30432);
  int64_t local = extent % ExtentsPerEAM;
  uint8_t& byte = Data(eam)[local / 4];
  int shift = int(2 * (local % 4));
  uint8_t value = uint8_t((byte & ~(3u << shift)) | ((full ? 3u : 1u) << shift));
  if (value == byte) return;
  byte = value;
  WriteMapPage(eam);
}

int32_t TVexDatabaseFreeSpaceManager::HighestUsedPage() {
  if (TotalPageCount <= 0) return -1;
  for (int64_t n = TotalPageCount - 1; n >= 0; --n) {
    int64_t bit = n % PagesPerPFS;
    MapPage& pfs = ReadMapPage(n - bit, ptPFS, 30428);
    uint8_t byte = Data(pfs)[bit / 8];
    if (byte == 0 && bit % 8 == 7) {
      n -= 7;  // skip a whole empty byte
      continue;
    }
    if (((byte >> (bit % 8)) & 1) && !IsMapPage(int32_t(n))) return int32_t(n);
  }
  return -1;
}

int32_t TVexDatabaseFreeSpaceManager::AllocatePage() {
  TVexDatabaseLock lock(*PageManager, true, 20231);
  Operation operation(*this);
  Reload();
  int32_t pageNo = FindFreePage();
  if (pageNo < 0) pageNo = Grow();
  SetPageUsed(pageNo, true, 30430);
  LastAllocatedPageNo = std::max(LastAllocatedPageNo, pageNo);
  Save();
  return pageNo;
}

void TVexDatabaseFreeSpaceManager::FreePage(int32_t pageNo) {
  TVexDatabaseLock lock(*PageManager, true, 20232);
  Operation operation(*this);
  Reload();
  SetPageUsed(pageNo, false, 30431);
  if (pageNo >= LastAllocatedPageNo) LastAllocatedPageNo = HighestUsedPage();
  int64_t step = std::max<int64_t>(TotalPageCount / 10, ExtentSize);
  int64_t tail = int64_t(TotalPageCount) - 1 - LastAllocatedPageNo;
  if (step > 0 && tail >= step) {
    TotalPageCount = int32_t(TotalPageCount - tail / step * step);
    std::erase_if(MapPages, [&](const auto& held) { return held.first >= TotalPageCount; });
    PageManager->DatabaseFile.SetSize(PageManager->FirstPageOffset +
                                      int64_t(TotalPageCount) * PageManager->PageSize);
  }
  Save();
}
