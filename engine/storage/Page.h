// TVexPage: one page in memory (header and data area), with its place in the page cache and
// its multi-user validity per session; TVexPageController, the base of typed page views;
// TVexPageGuard releases a page at the end of a scope.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/base/VexMemory.h"

class TVexPageManager;
class TVexSortedPageList;

// Table version under which a session last validated a cached page.
struct TVexPageValidity {
  int32_t TableVersion = -1;
  bool Valid = false;
};

class TVexPage {
 public:
  TVexPage(TVexPageManager* pageManager, int32_t pageNo);
  TVexPage(const TVexPage&) = delete;
  TVexPage& operator=(const TVexPage&) = delete;

  uint8_t* GetHeader() { return Buffer; }
  int32_t GetHeaderSize() const;
  uint8_t* GetData() { return Buffer + GetHeaderSize(); }
  int32_t GetDataSize() const;
  int32_t GetPageSize() const;
  void InitHeader();
  void AllocBuffer();
  void FreeBuffer();
  // Uses memory owned by someone else as the buffer (PageSize bytes at least).
  void SetForeignBuffer(uint8_t* buffer);
  void ResizeBuffer(int32_t size);
  void Revalidate();

  TVexPageManager* PageManager;
  int32_t PageNo;
  uint8_t* Buffer = nullptr;
  bool OwnsBuffer = false;
  bool Dirty = false;
  int32_t UseCount = 0;
  TVexSortedPageList* List = nullptr;
  // Neighbours in the use order of the list that holds the page (kept by that list).
  TVexPage* LruOlder = nullptr;
  TVexPage* LruNewer = nullptr;
  int32_t SessionId = -1;
  bool ReadFromDisk = false;
  bool EncryptOnWrite = true;
  std::vector<TVexPageValidity> SessionValidity;  // indexed by session id + 2

 private:
  TVexMemoryBlock own_;
};

// Base of the typed views over a page (B-tree pages and the like): the page it works on.
class TVexPageController {
 public:
  explicit TVexPageController(TVexPage* page = nullptr) : Page(page) {}
  virtual ~TVexPageController() = default;
  TVexPage* Page;
};

// Releases a page obtained from a page manager when it leaves scope.
class TVexPageGuard {
 public:
  TVexPageGuard(TVexPageManager& manager, TVexPage* page) : manager_(manager), page_(page) {}
  ~TVexPageGuard();
  TVexPageGuard(const TVexPageGuard&) = delete;
  TVexPageGuard& operator=(const TVexPageGuard&) = delete;
  TVexPage* operator->() const { return page_; }
  TVexPage* get() const { return page_; }

 private:
  TVexPageManager& manager_;
  TVexPage* page_;
};
