// TVexTemporaryPageManager: pages delegated to the inner memory page manager.
#include "engine/storage/TemporaryPageManager.h"

#include <climits>

#include "engine/base/VexExcept.h"

TVexTemporaryPageManager::TVexTemporaryPageManager(bool memoryOnly, int64_t availableMemory)
    : TVexPageManager(TVexMemoryPageManager::kPageSize, 0, availableMemory),
      Inner(std::make_unique<TVexMemoryPageManager>(availableMemory)),
      MemoryOnly(memoryOnly) {
  // Every page is in memory: page objects only point into the inner manager's buffers.
  CacheCapacity = INT32_MAX;
}

void TVexTemporaryPageManager::AllocatePage(TVexPage* page) {
  Inner->AllocatePage(page);
  ++TotalPageCount;
}

void TVexTemporaryPageManager::FreePage(int32_t pageNo) {
  if (!Inner->IsAllocated(pageNo)) return;
  Inner->FreePage(pageNo);
  --TotalPageCount;
}

bool TVexTemporaryPageManager::ReadPage(TVexPage* page) {
  if (!Inner->IsAllocated(page->PageNo))
    throw EVexException(10396, "Not released page is allocated");
  return Inner->ReadPage(page);
}

void TVexTemporaryPageManager::WritePage(TVexPage* page) {
  if (!Inner->IsAllocated(page->PageNo))
    throw EVexException(10397, "Not released page is allocated");
  Inner->WritePage(page);
}
