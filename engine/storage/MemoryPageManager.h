// TVexMemoryPageManager: the page manager of in-memory tables. Pages of 4096 bytes without a
// page header live in buffers of the manager and are used in place; an allocation bitmap
// says which page numbers are handed out.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/base/VexBitsArray.h"
#include "engine/base/VexMemory.h"
#include "engine/storage/PageManager.h"

class TVexMemoryPageManager : public TVexPageManager {
 public:
  static constexpr uint16_t kPageSize = 4096;

  explicit TVexMemoryPageManager(int64_t availableMemory = -1);

  void AllocatePage(TVexPage* page) override;
  void FreePage(int32_t pageNo) override;
  bool ReadPage(TVexPage* page) override;
  void WritePage(TVexPage* page) override;

  bool IsAllocated(int32_t pageNo) const;

  TVexBitsArray Allocated;  // bit set = page handed out
  int32_t SlotCapacity = 0;
  int32_t GrowthStep = 50;
  int32_t HighestPageNo = -1;
  std::vector<TVexMemoryBlock> PageBuffers;  // kPageSize bytes each, zero-filled when new
};
