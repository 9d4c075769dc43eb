// TVexPageManager: cache, sessions, commit and rollback.
#include "engine/storage/PageManager.h"

#include <algorithm>
#include <climits>
#include <random>

#include "engine/base/VexExcept.h"
#include "engine/base/VexMemory.h"
#include "engine/storage/FileLayout.h"

TVexPageManager::TVexPageManager(uint16_t pageSize, uint16_t pageHeaderSize,
                                 int64_t availableMemory)
    : CacheCapacity(CacheCapacityFor(availableMemory < 0 ? VexMemoryManager().GetAvailableMemory()
                                                         : availableMemory)),
      PageSize(pageSize),
      PageHeaderSize(pageHeaderSize),
      PageDataSize(uint16_t(pageSize > pageHeaderSize ? pageSize - pageHeaderSize : 0)) {}

TVexPageManager::~TVexPageManager() {
  ReleaseAll();
}

int32_t TVexPageManager::CacheCapacityFor(int64_t availableMemory) {
  return int32_t(std::clamp<int64_t>(availableMemory / 65536, 0, 1000));
}

void TVexPageManager::SetPageGeometry(uint16_t pageSize, uint16_t pageHeaderSize) {
  PageSize = pageSize;
  PageHeaderSize = pageHeaderSize;
  PageDataSize = uint16_t(pageSize > pageHeaderSize ? pageSize - pageHeaderSize : 0);
}

void TVexPageManager::ReleaseAll() {
  SharedCache.Clear();
  Sessions.clear();
}

void TVexPageManager::CheckAndFreePages() {
  for (const auto& s : Sessions)
    if (s->DirtyPages.Count() > 0) throw EVexException(20097, "Cannot free not commited pages");
  ReleaseAll();
}

bool TVexPageManager::HasChanges(int32_t sessionId) {
  TVexPageSession* s = FindSession(sessionId);
  return s && (s->DirtyPages.Count() > 0 || !s->AddedPages.empty() || !s->FreedPages.empty());
}

int32_t TVexPageManager::GetTotalPageCount() {
  return TotalPageCount;
}
bool TVexPageManager::IsPageValid(int32_t, TVexPage*) {
  return false;
}
void TVexPageManager::SetPageValid(int32_t, TVexPage*) {}
void TVexPageManager::RevalidatePage(TVexPage*) {}
int64_t TVexPageManager::StorageCapacity() {
  return INT32_MAX;
}

void TVexPageManager::RemovePage(int32_t sessionId, int32_t pageNo) {
  AddSession(sessionId)->FreedPages.push_back(pageNo);
}

TVexPageSession* TVexPageManager::FindSession(int32_t sessionId) {
  for (const auto& s : Sessions)
    if (s->SessionId == sessionId) return s.get();
  return nullptr;
}

TVexPageSession* TVexPageManager::AddSession(int32_t sessionId) {
  if (TVexPageSession* s = FindSession(sessionId)) return s;
  auto s = std::make_unique<TVexPageSession>();
  s->SessionId = sessionId;
  Sessions.push_back(std::move(s));
  return Sessions.back().get();
}

std::unique_ptr<TVexPage> TVexPageManager::NewPage(int32_t pageNo) {
  return std::make_unique<TVexPage>(this, pageNo);
}

void TVexPageManager::CheckPageType(TVexPage* page, uint16_t expectedType) {
  if (PageHeaderSize < VexLayout::kPageHeaderSize || !page->Buffer ||
      expectedType == VexLayout::kAnyPageType)
    return;
  uint16_t found = VexLayout::PageType(page->Buffer);
  if (found != expectedType)
    throw EVexException(
        20153, "Invalid page type. Possibly data is corrupted. Expected type %d, but found %d",
        {expectedType, found});
}

TVexPage* TVexPageManager::GetPage(int32_t sessionId, int32_t pageNo, bool validate,
                                   uint16_t expectedType) {
  if (sessionId == -1) throw EVexException(20186, "Invalid Session ID");
  TVexPageSession* session = AddSession(sessionId);
  TVexPage* page = session->DirtyPages.Find(pageNo);
  if (!page) {
    page = SharedCache.Find(pageNo);
    if (!page) {
      auto fresh = NewPage(pageNo);
      fresh->SessionId = sessionId;
      page = fresh.get();
      SharedCache.Insert(std::move(fresh));
      // A page that cannot be read or is not of the wanted type does not stay in the cache.
      try {
        ReadPage(page);
        CheckPageType(page, expectedType);
      } catch (...) {
        SharedCache.Delete(pageNo);
        throw;
      }
      SetPageValid(sessionId, page);
    } else if (validate && !IsPageValid(sessionId, page)) {
      page->Revalidate();
      SetPageValid(sessionId, page);
    }
  }
  // Pages found in memory are checked too, so that a damaged chain cannot hand out a cached
  // page of another kind.
  CheckPageType(page, expectedType);
  if (page->UseCount > 0 && page->SessionId != sessionId)
    throw EVexException(20090, "Page is used by other session");
  page->SessionId = sessionId;
  ++page->UseCount;
  return page;
}

TVexPage* TVexPageManager::AddPage(int32_t sessionId, uint16_t pageType) {
  TVexPageSession* session = AddSession(sessionId);
  auto page = NewPage(-1);
  AllocatePage(page.get());
  if (page->PageNo == -1) throw EVexException(20064, "Invalid page number");
  ++page->UseCount;
  page->Dirty = true;
  page->ReadFromDisk = false;
  if (PageHeaderSize >= VexLayout::kPageHeaderSize && page->Buffer) {
    static thread_local std::mt19937 rng{std::random_device{}()};
    VexLayout::SetPageType(page->Buffer, pageType);
    VexLayout::SetPageChangeCounter(page->Buffer, int32_t(std::uniform_int_distribution<int32_t>(
                                                      0, VexLayout::kChangeCounterSeedMax)(rng)));
  }
  page->SessionId = sessionId;
  if (TVexPage* stale = SharedCache.Find(page->PageNo)) {
    if (stale->UseCount > 0) {  // cannot happen with a sound map; give the number back
      FreePage(page->PageNo);
      throw EVexException(20090, "Page is used by other session");
    }
    SharedCache.Delete(page->PageNo);
  }
  int32_t pageNo = page->PageNo;
  TVexPage* result = page.get();
  session->DirtyPages.Insert(std::move(page));
  session->AddedPages.push_back(pageNo);
  return result;
}

void TVexPageManager::EvictOne() {
  // Pages in use are passed over, so that one long-held page does not let the cache grow.
  if (TVexPage* oldest = SharedCache.FindOldestUnused()) SharedCache.Delete(oldest->PageNo);
}

void TVexPageManager::ReleasePage(TVexPage* page) {
  if (!page || page->UseCount <= 0) return;
  if (--page->UseCount > 0) return;
  page->ReadFromDisk = false;
  if (page->List == &SharedCache) {
    if (page->Dirty) {
      std::unique_ptr<TVexPage> owned = SharedCache.Delete(page->PageNo);
      AddSession(page->SessionId)->DirtyPages.Insert(std::move(owned));
      return;
    }
    SharedCache.Touch(page->PageNo);
    if (SharedCache.Count() > CacheCapacity) EvictOne();
  }
}

void TVexPageManager::Commit(int32_t sessionId) {
  for (int32_t i = 0; i < SharedCache.Count(); ++i) {
    TVexPage* p = SharedCache.At(i);
    if (p->SessionId == sessionId && p->UseCount > 0)
      throw EVexException(20152, "Some session pages are not released");
  }
  TVexPageSession* session = FindSession(sessionId);
  if (!session) return;
  while (!session->FreedPages.empty()) {
    int32_t pageNo = session->FreedPages.front();
    FreePage(pageNo);
    session->FreedPages.erase(session->FreedPages.begin());
    if (session->DirtyPages.Find(pageNo)) session->DirtyPages.Delete(pageNo);
    if (TVexPage* cached = SharedCache.Find(pageNo); cached && cached->UseCount == 0)
      SharedCache.Delete(pageNo);
  }
  session->AddedPages.clear();
  // Pages are written in ascending order; the ones written so far leave the dirty list also
  // when a later one fails.
  TVexSortedPageList& dirty = session->DirtyPages;
  int32_t written = 0;
  auto settle = [&] {
    for (std::unique_ptr<TVexPage>& owned : dirty.TakeFirst(written)) {
      // A copy that another session read meanwhile is stale now.
      if (TVexPage* stale = SharedCache.Find(owned->PageNo)) {
        if (stale->UseCount > 0) continue;  // keep the other session's copy; drop ours
        SharedCache.Delete(owned->PageNo);
      }
      if (SharedCache.Count() < CacheCapacity) SharedCache.Insert(std::move(owned));
    }
  };
  try {
    for (; written < dirty.Count(); ++written) {
      TVexPage* page = dirty.At(written);
      if (!page->Dirty) throw EVexException(20085, "Invalid dirty page");
      if (page->UseCount > 0) throw EVexException(20086, "Cannot write used page");
      WritePage(page);
      page->Dirty = false;
    }
  } catch (...) {
    settle();
    throw;
  }
  settle();
}

void TVexPageManager::Rollback(int32_t sessionId) {
  TVexPageSession* session = FindSession(sessionId);
  if (!session) return;
  TVexSortedPageList& dirty = session->DirtyPages;
  int32_t dropped = 0;
  try {
    for (; dropped < dirty.Count(); ++dropped) {
      TVexPage* page = dirty.At(dropped);
      if (!page->Dirty) throw EVexException(20087, "Invalid index page");
      if (page->UseCount > 0) throw EVexException(20088, "Cannot remove used page");
    }
  } catch (...) {
    dirty.TakeFirst(dropped);
    throw;
  }
  dirty.Clear();
  std::vector<int32_t> added;
  added.swap(session->AddedPages);
  session->FreedPages.clear();
  for (int32_t pageNo : added) FreePage(pageNo);
}
