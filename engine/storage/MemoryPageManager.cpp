// TVexMemoryPageManager: allocation bitmap and in-place page buffers.
#include "engine/storage/MemoryPageManager.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/base/VexExcept.h"

TVexMemoryPageManager::TVexMemoryPageManager(int64_t availableMemory)
    : TVexPageManager(kPageSize, 0, availableMemory) {
  // Page objects only point into the manager's buffers: keeping all of them costs no page
  // memory and spares the cache from dropping and re-creating them.
  CacheCapacity = INT32_MAX;
}

bool TVexMemoryPageManager::IsAllocated(int32_t pageNo) const {
  return pageNo >= 0 && pageNo < Allocated.BitCount() && Allocated.GetBit(pageNo);
}

void TVexMemoryPageManager::AllocatePage(TVexPage* page) {
  int32_t pageNo = Allocated.FindFirst(false);
  if (pageNo < 0) {
    pageNo = SlotCapacity == 0 ? 0 : HighestPageNo + 1;
    if (pageNo >= SlotCapacity) {
      SlotCapacity += GrowthStep;
      Allocated.SetSize(SlotCapacity);
    }
  }
  if (Allocated.GetBit(pageNo)) throw EVexException(20037, "Not released page is allocated");
  ++TotalPageCount;
  Allocated.SetBit(pageNo, true);
  if (size_t(pageNo) >= PageBuffers.size())
    PageBuffers.resize(std::max(size_t(pageNo) + 1, PageBuffers.size() + size_t(GrowthStep)));
  if (!PageBuffers[size_t(pageNo)]) PageBuffers[size_t(pageNo)] = TVexMemoryBlock(kPageSize, true);
  HighestPageNo = std::max(HighestPageNo, pageNo);
  page->PageNo = pageNo;
  page->SetForeignBuffer(PageBuffers[size_t(pageNo)].Data());
}

void TVexMemoryPageManager::FreePage(int32_t pageNo) {
  if (!IsAllocated(pageNo)) return;
  --TotalPageCount;
  Allocated.SetBit(pageNo, false);
}

bool TVexMemoryPageManager::ReadPage(TVexPage* page) {
  if (!IsAllocated(page->PageNo)) throw EVexException(10392, "Not released page is allocated");
  page->SetForeignBuffer(PageBuffers[size_t(page->PageNo)].Data());
  return true;
}

void TVexMemoryPageManager::WritePage(TVexPage* page) {
  if (!IsAllocated(page->PageNo)) throw EVexException(10393, "Not released page is allocated");
  uint8_t* stored = PageBuffers[size_t(page->PageNo)].Data();
  if (page->OwnsBuffer && page->Buffer != stored)
    std::memcpy(stored, page->Buffer, size_t(kPageSize));
}
