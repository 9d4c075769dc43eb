// TVexSortedPageList: binary search on page numbers, access stamps.
#include "engine/storage/SortedPageList.h"

#include <algorithm>

#include "engine/base/VexExcept.h"

size_t TVexSortedPageList::LowerBound(int32_t pageNo) const {
  return size_t(std::lower_bound(Keys.begin(), Keys.end(), pageNo) - Keys.begin());
}

void TVexSortedPageList::Unlink(TVexPage* page) {
  (page->LruOlder ? page->LruOlder->LruNewer : Oldest) = page->LruNewer;
  (page->LruNewer ? page->LruNewer->LruOlder : Newest) = page->LruOlder;
  page->LruOlder = page->LruNewer = nullptr;
}

void TVexSortedPageList::LinkNewest(TVexPage* page) {
  page->LruOlder = Newest;
  page->LruNewer = nullptr;
  (Newest ? Newest->LruNewer : Oldest) = page;
  Newest = page;
}

TVexPage* TVexSortedPageList::Find(int32_t pageNo) const {
  size_t i = LowerBound(pageNo);
  return i < Keys.size() && Keys[i] == pageNo ? Items[i].Page.get() : nullptr;
}

void TVexSortedPageList::Insert(std::unique_ptr<TVexPage> page) {
  size_t i = LowerBound(page->PageNo);
  page->List = this;
  LinkNewest(page.get());
  Keys.insert(Keys.begin() + long(i), page->PageNo);
  Items.insert(Items.begin() + long(i), Item{std::move(page), ++AccessCounter});
}

std::unique_ptr<TVexPage> TVexSortedPageList::Delete(int32_t pageNo) {
  if (Keys.empty()) throw EVexException(20165, "TSortedPageList.Delete - no elements in array!");
  size_t i = LowerBound(pageNo);
  if (i >= Keys.size() || Keys[i] != pageNo)
    throw EVexException(20166,
                        "TSortedPageList.Delete - element not found, key = %d, itemCount = %d",
                        {pageNo, Count()});
  std::unique_ptr<TVexPage> page = std::move(Items[i].Page);
  Unlink(page.get());
  Keys.erase(Keys.begin() + long(i));
  Items.erase(Items.begin() + long(i));
  page->List = nullptr;
  if (Keys.empty()) {
    Keys.shrink_to_fit();
    Items.shrink_to_fit();
  }
  return page;
}

std::vector<std::unique_ptr<TVexPage>> TVexSortedPageList::TakeFirst(int32_t count) {
  std::vector<std::unique_ptr<TVexPage>> taken;
  size_t n = std::min(size_t(std::max(count, 0)), Keys.size());
  for (size_t i = 0; i < n; ++i) {
    Items[i].Page->List = nullptr;
    Unlink(Items[i].Page.get());
    taken.push_back(std::move(Items[i].Page));
  }
  Keys.erase(Keys.begin(), Keys.begin() + long(n));
  Items.erase(Items.begin(), Items.begin() + long(n));
  return taken;
}

void TVexSortedPageList::Touch(int32_t pageNo) {
  size_t i = LowerBound(pageNo);
  if (i >= Keys.size() || Keys[i] != pageNo) throw EVexException(20167, "Page not found");
  Items[i].AccessStamp = ++AccessCounter;
  Unlink(Items[i].Page.get());
  LinkNewest(Items[i].Page.get());
}

TVexPage* TVexSortedPageList::FindOldestUnused() {
  // Pages in use are few; they are passed over from the oldest end.
  TVexPage* page = Oldest;
  while (page && page->UseCount != 0) page = page->LruNewer;
  if (!page) return nullptr;
  LastStamp = int32_t(Items[LowerBound(page->PageNo)].AccessStamp);
  return page;
}

void TVexSortedPageList::Clear() {
  Oldest = Newest = nullptr;
  Keys.clear();
  Items.clear();
  Keys.shrink_to_fit();
  Items.shrink_to_fit();
}
