// TVexSortedPageList: pages in ascending page-number order with binary search, owning its
// pages, with access stamps and a use-order list so that the least recently used page is found
// without a search.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/storage/Page.h"

class TVexSortedPageList {
 public:
  TVexSortedPageList() = default;
  TVexSortedPageList(const TVexSortedPageList&) = delete;
  TVexSortedPageList& operator=(const TVexSortedPageList&) = delete;
  ~TVexSortedPageList() { Clear(); }

  int32_t Count() const { return int32_t(Keys.size()); }
  TVexPage* Find(int32_t pageNo) const;
  TVexPage* At(int32_t index) const { return Items[size_t(index)].Page.get(); }
  // Inserts a page (its number must not be in the list yet) and stamps it as just used.
  void Insert(std::unique_ptr<TVexPage> page);
  // Takes the page out of the list and hands it back (20165 empty list, 20166 missing).
  std::unique_ptr<TVexPage> Delete(int32_t pageNo);
  // Takes the first count pages (the lowest page numbers) out of the list.
  std::vector<std::unique_ptr<TVexPage>> TakeFirst(int32_t count);
  // Marks the page as just used (20167 when it is not in the list).
  void Touch(int32_t pageNo);
  // The least recently used page that nobody uses, or nullptr when there is none.
  TVexPage* FindOldestUnused();
  void Clear();

  struct Item {
    std::unique_ptr<TVexPage> Page;
    int64_t AccessStamp = 0;
  };
  std::vector<int32_t> Keys;
  std::vector<Item> Items;
  int64_t AccessCounter = 0;
  int32_t LastStamp = 0;

 private:
  size_t LowerBound(int32_t pageNo) const;
  // The use order: Oldest .. Newest through the pages' LruNewer links.
  void Unlink(TVexPage* page);
  void LinkNewest(TVexPage* page);
  TVexPage* Oldest = nullptr;
  TVexPage* Newest = nullptr;
};
