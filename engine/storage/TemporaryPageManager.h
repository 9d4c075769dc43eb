// TVexTemporaryPageManager: the page manager of temporary structures (the per-process pages
// of a table's record indexes, temporary tables). Pages of 4096 bytes without a page header;
// for now every page is kept in memory by an inner memory page manager.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/storage/MemoryPageManager.h"

class TVexTemporaryPageManager : public TVexPageManager {
 public:
  explicit TVexTemporaryPageManager(bool memoryOnly = true, int64_t availableMemory = -1);

  void AllocatePage(TVexPage* page) override;
  void FreePage(int32_t pageNo) override;
  bool ReadPage(TVexPage* page) override;
  void WritePage(TVexPage* page) override;

  std::unique_ptr<TVexMemoryPageManager> Inner;
  bool MemoryOnly;
};
