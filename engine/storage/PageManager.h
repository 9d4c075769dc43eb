// TVexPageManager: the shared cache of clean pages, per-session lists of dirty, added and
// freed pages, and the commit and rollback of a session's changes. Engines derive from it to
// supply page allocation and page I/O.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/base/VexBasePageManager.h"
#include "engine/storage/Page.h"
#include "engine/storage/SortedPageList.h"

// Changes staged by one session.
struct TVexPageSession {
  int32_t SessionId = -1;
  TVexSortedPageList DirtyPages;
  std::vector<int32_t> AddedPages;
  std::vector<int32_t> FreedPages;
};

class TVexPageManager : public TVexBasePageManager {
 public:
  // availableMemory < 0 asks the engine's memory manager.
  TVexPageManager(uint16_t pageSize, uint16_t pageHeaderSize, int64_t availableMemory = -1);
  ~TVexPageManager() override;
  TVexPageManager(const TVexPageManager&) = delete;
  TVexPageManager& operator=(const TVexPageManager&) = delete;

  // Pages kept in the shared cache for the given free memory.
  static int32_t CacheCapacityFor(int64_t availableMemory);

  // Virtual operations in slot order (the stream slots 3 and 4 belong to the in-memory engine).
  virtual int32_t GetTotalPageCount();
  virtual bool IsPageValid(int32_t sessionId, TVexPage* page);
  virtual void SetPageValid(int32_t sessionId, TVexPage* page);
  virtual void AllocatePage(TVexPage* page) = 0;
  virtual void FreePage(int32_t pageNo) = 0;
  virtual bool ReadPage(TVexPage* page) = 0;
  virtual void WritePage(TVexPage* page) = 0;
  virtual void RemovePage(int32_t sessionId, int32_t pageNo);
  virtual TVexPage* GetPage(int32_t sessionId, int32_t pageNo, bool validate,
                            uint16_t expectedType);
  void Commit(int32_t sessionId) override;
  // Re-reads a cached page that another process may have changed (nothing in the base).
  virtual void RevalidatePage(TVexPage* page);
  // Data bytes that the pages of this manager can hold at most; bounds the sizes read from
  // stored structures before anything is allocated for them.
  virtual int64_t StorageCapacity();

  TVexPage* AddPage(int32_t sessionId, uint16_t pageType);
  void ReleasePage(TVexPage* page);
  void Rollback(int32_t sessionId) override;
  TVexPageSession* FindSession(int32_t sessionId);
  TVexPageSession* AddSession(int32_t sessionId);
  // Raises 20097 when a session still holds uncommitted pages; then frees the cache.
  void CheckAndFreePages();
  bool HasChanges(int32_t sessionId);

  std::recursive_mutex CriticalSection;  // for callers; the manager never enters it
  int32_t CacheCapacity;
  TVexSortedPageList SharedCache;
  std::vector<std::unique_ptr<TVexPageSession>> Sessions;
  uint16_t PageSize;
  uint16_t PageHeaderSize;
  uint16_t PageDataSize;
  int32_t TotalPageCount = 0;
  bool MultiUser = false;

 protected:
  // Recomputes the geometry (after the real page size is known).
  void SetPageGeometry(uint16_t pageSize, uint16_t pageHeaderSize);
  std::unique_ptr<TVexPage> NewPage(int32_t pageNo);
  void ReleaseAll();
  void CheckPageType(TVexPage* page, uint16_t expectedType);

 private:
  void EvictOne();
};
