// TVexBTreePage: page access, search and navigation along key paths.
#include "engine/storage/VexBTree.h"

#include <algorithm>
#include <cstring>

#include "engine/base/VexExcept.h"
#include "engine/storage/FileLayout.h"

TVexBTreePage::TVexBTreePage(TVexPageManager& pageManager, TVexBTreeKeyRef& keyRef)
    : PageManager(pageManager), KeyRef(keyRef) {
  const size_t maxEntry = size_t(keyRef.KeySize + keyRef.DataSize + VexBTreePageLayout::kChildSize +
                                 VexBTreePageLayout::kRecordIdSize);
  scratch_.resize(size_t(pageManager.PageDataSize) + 2 * maxEntry);
  entry_.resize(maxEntry);
  separator_.resize(maxEntry);
  separator2_.resize(maxEntry);
}

void TVexBTreePage::RaiseDamaged(int32_t pageNo) const {
  throw EVexException(20296, "Index page is damaged. PageNo=%d", {pageNo});
}

void TVexBTreePage::CheckRoot(int32_t code) const {
  if (RootPageNo < 0) throw EVexException(code, "Invalid page number");
}

TVexPage* TVexBTreePage::GetTreePage(int32_t sessionId, int32_t pageNo) {
  if (pageNo < 0) throw EVexException(20070, "Index error: invalid page number");
  TVexPage* page = PageManager.GetPage(sessionId, pageNo, true, VexLayout::ptTableIndex);
  // A page whose header does not describe this tree would send reads past its data area.
  TVexBTreePageView v(page->GetData(), KeyRef.DataSize);
  if (v.KeySize() != KeyRef.KeySize || v.HasRecordIds() != KeyRef.HasRecordIds ||
      v.BytesFor(v.ItemCount()) > DataAreaSize()) {
    PageManager.ReleasePage(page);
    RaiseDamaged(pageNo);
  }
  return page;
}

TVexPage* TVexBTreePage::AddTreePage(int32_t sessionId) {
  TVexPage* page = PageManager.AddPage(sessionId, VexLayout::ptTableIndex);
  if (PageManager.PageHeaderSize >= VexLayout::kPageHeaderSize)
    VexLayout::SetPageOwnerObjectId(page->GetHeader(), OwnerObjectId);
  return page;
}

TVexBTreePageView TVexBTreePage::View(TVexPage* page) {
  return TVexBTreePageView(page->GetData(), KeyRef.DataSize);
}

void TVexBTreePage::InitPage(uint8_t* data, bool isRoot, bool isLeaf) {
  std::memset(data, 0, size_t(DataAreaSize()));
  TVexBTreePageView v(data, KeyRef.DataSize);
  v.SetIsRoot(isRoot);
  v.SetIsLeaf(isLeaf);
  v.SetPrevPageNo(-1);
  v.SetNextPageNo(-1);
  v.SetHasRecordIds(KeyRef.HasRecordIds);
  v.SetKeySize(KeyRef.KeySize);
}

void TVexBTreePage::InitRoot(uint8_t* data) {
  InitPage(data, true, true);
  TVexBTreePageView(data, KeyRef.DataSize).SetRootCreated(true);
}

int32_t TVexBTreePage::CreateRoot(int32_t sessionId) {
  TVexPageGuard page(PageManager, AddTreePage(sessionId));
  InitRoot(page->GetData());
  MarkDirty(page.get());
  RootPageNo = page->PageNo;
  return RootPageNo;
}

int32_t TVexBTreePage::LeafCapacity() const {
  return (DataAreaSize() - VexBTreePageLayout::kHeaderSize) / (KeyRef.KeySize + KeyRef.DataSize);
}

int32_t TVexBTreePage::NodeCapacity() const {
  return (DataAreaSize() - VexBTreePageLayout::kHeaderSize) /
         (KeyRef.KeySize + VexBTreePageLayout::kChildSize +
          (KeyRef.HasRecordIds ? VexBTreePageLayout::kRecordIdSize : 0));
}

int TVexBTreePage::CompareEntry(int32_t sessionId, const uint8_t* key, const uint8_t* tieData,
                                const TVexBTreePageView& page, int32_t i, bool resolveTies) {
  // The entry's identifier also lets the key reference read its record to resolve a tie.
  return KeyRef.CompareKeys(key, page.Key(i), tieData, page.TieData(i), sessionId, resolveTies);
}

int32_t TVexBTreePage::BoundInPage(int32_t sessionId, const uint8_t* key, const uint8_t* tieData,
                                   const TVexBTreePageView& page, int32_t from, Bound bound,
                                   bool resolveTies) {
  int32_t lo = from, hi = page.ItemCount();
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    const int c = CompareEntry(sessionId, key, tieData, page, mid, resolveTies);
    if (bound == Bound::Lower ? c > 0 : c >= 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

void TVexBTreePage::Descend(int32_t sessionId, const uint8_t* key, const uint8_t* tieData,
                            Bound bound, bool resolveTies, TVexKeyPath& path) {
  path.Clear();
  int32_t pageNo = RootPageNo;
  for (;;) {
    TVexPageGuard page(PageManager, GetTreePage(sessionId, pageNo));
    const TVexBTreePageView v = View(page.get());
    const int32_t n = v.ItemCount();
    if (v.IsLeaf()) {
      path.Push(pageNo, BoundInPage(sessionId, key, tieData, v, 0, bound, resolveTies), n);
      break;
    }
    if (n == 0) RaiseDamaged(pageNo);
    // Entry 0's key is no bound: the child is the last one whose key lies before the target.
    const int32_t i = BoundInPage(sessionId, key, tieData, v, 1, bound, resolveTies) - 1;
    path.Push(pageNo, i, n);
    pageNo = v.Child(i);
  }
  // A node key above its child's smallest entry sends the descent too far left; the leaf
  // level is in order, so walking on finds the place.
  int64_t budget = -1;  // leaves left before a circle in the links is assumed
  while (path.Leaf().ItemIndex >= path.Leaf().ItemCount) {
    if (budget < 0) budget = int64_t(PageManager.GetTotalPageCount()) + 1;
    if (--budget < 0) RaiseDamaged(path.Leaf().PageNo);
    int32_t nextNo;
    {
      TVexPageGuard leaf(PageManager, GetTreePage(sessionId, path.Leaf().PageNo));
      nextNo = View(leaf.get()).NextPageNo();
    }
    if (nextNo == -1) break;
    {
      TVexPageGuard next(PageManager, GetTreePage(sessionId, nextNo));
      const TVexBTreePageView nv = View(next.get());
      if (nv.ItemCount() > 0) {
        const int c = CompareEntry(sessionId, key, tieData, nv, 0, resolveTies);
        if (bound == Bound::Lower ? c <= 0 : c < 0) break;
      }
    }
    if (!StepLevel(sessionId, path, path.Count - 1, true, nullptr)) break;
    TVexPageGuard leaf(PageManager, GetTreePage(sessionId, path.Leaf().PageNo));
    path.Leaf().ItemIndex =
        BoundInPage(sessionId, key, tieData, View(leaf.get()), 0, bound, resolveTies);
  }
}

bool TVexBTreePage::StepLevel(int32_t sessionId, TVexKeyPath& path, int32_t level, bool forward,
                              bool* ancestorsFollowed) {
  int32_t link;
  {
    TVexPageGuard page(PageManager, GetTreePage(sessionId, path[level].PageNo));
    const TVexBTreePageView v = View(page.get());
    link = forward ? v.NextPageNo() : v.PrevPageNo();
  }
  if (link == -1) return false;
  int32_t k = level - 1;
  while (k >= 0 && (forward ? path[k].ItemIndex >= path[k].ItemCount - 1 : path[k].ItemIndex <= 0))
    --k;
  if (ancestorsFollowed) *ancestorsFollowed = k >= 0;
  if (k >= 0) {
    path[k].ItemIndex += forward ? 1 : -1;
    for (int32_t j = k + 1; j < level; ++j) {
      TVexPageGuard page(PageManager, GetTreePage(sessionId, path[j].PageNo));
      const TVexBTreePageView v = View(page.get());
      const int32_t sibling = forward ? v.NextPageNo() : v.PrevPageNo();
      if (sibling == -1)
        throw EVexException(forward ? 20070 : 20071, "Index error: invalid page number");
      TVexPageGuard next(PageManager, GetTreePage(sessionId, sibling));
      const int32_t n = View(next.get()).ItemCount();
      path[j] = {sibling, forward ? 0 : n - 1, n};
    }
  }
  TVexPageGuard page(PageManager, GetTreePage(sessionId, link));
  const int32_t n = View(page.get()).ItemCount();
  path[level] = {link, forward ? 0 : n - 1, n};
  return true;
}

bool TVexBTreePage::Next(int32_t sessionId, TVexKeyPath& path) {
  if (path.Count == 0) throw EVexException(20068, "Index error: invalid position");
  TVexKeyPathLevel& leaf = path.Leaf();
  if (leaf.ItemIndex + 1 < leaf.ItemCount) {
    ++leaf.ItemIndex;
    return true;
  }
  return StepOverEmpty(sessionId, path, true);
}

bool TVexBTreePage::Prior(int32_t sessionId, TVexKeyPath& path) {
  if (path.Count == 0) throw EVexException(20069, "Index error: invalid position");
  TVexKeyPathLevel& leaf = path.Leaf();
  if (leaf.ItemIndex > 0 && leaf.ItemCount > 0) {
    leaf.ItemIndex = std::min(leaf.ItemIndex, leaf.ItemCount) - 1;
    return true;
  }
  return StepOverEmpty(sessionId, path, false);
}

bool TVexBTreePage::StepOverEmpty(int32_t sessionId, TVexKeyPath& path, bool forward) {
  TVexKeyPath moved = path;
  int64_t budget = -1;  // empty leaves left before a circle in the links is assumed
  do {
    if (!StepLevel(sessionId, moved, moved.Count - 1, forward, nullptr)) return false;
    if (moved.Leaf().ItemCount == 0) {
      if (budget < 0) budget = int64_t(PageManager.GetTotalPageCount()) + 1;
      if (--budget < 0) RaiseDamaged(moved.Leaf().PageNo);
    }
  } while (moved.Leaf().ItemCount == 0);
  path = moved;
  return true;
}

bool TVexBTreePage::Settle(int32_t sessionId, TVexKeyPath& path) {
  if (path.IsValid()) return true;
  if (path.Count == 0) return false;
  TVexKeyPath moved = path;
  moved.Leaf().ItemIndex = std::max(0, moved.Leaf().ItemCount - 1);
  if (!Next(sessionId, moved)) return false;
  path = moved;
  return true;
}

bool TVexBTreePage::EdgeEntry(int32_t sessionId, TVexKeyPath& path, bool first) {
  path.Clear();
  int32_t pageNo = RootPageNo;
  for (;;) {
    TVexPageGuard page(PageManager, GetTreePage(sessionId, pageNo));
    const TVexBTreePageView v = View(page.get());
    const int32_t n = v.ItemCount();
    const int32_t i = first ? 0 : n - 1;
    if (v.IsLeaf()) {
      path.Push(pageNo, first ? 0 : std::max(0, i), n);
      break;
    }
    if (n == 0) RaiseDamaged(pageNo);
    path.Push(pageNo, i, n);
    pageNo = v.Child(i);
  }
  if (path.IsValid()) return true;
  return first ? Next(sessionId, path) : Prior(sessionId, path);
}

bool TVexBTreePage::FirstEntry(int32_t sessionId, TVexKeyPath& path) {
  CheckRoot(20121);
  return EdgeEntry(sessionId, path, true);
}

bool TVexBTreePage::LastEntry(int32_t sessionId, TVexKeyPath& path) {
  CheckRoot(20122);
  return EdgeEntry(sessionId, path, false);
}

bool TVexBTreePage::Search(int32_t sessionId, bool forward, TVexKeyPath& path, int32_t condition,
                           const uint8_t* key) {
  CheckRoot(20123);
  auto compareAt = [&](const TVexKeyPath& p) {
    TVexPageGuard page(PageManager, GetTreePage(sessionId, p.Leaf().PageNo));
    const TVexBTreePageView v = View(page.get());
    if (p.Leaf().ItemIndex >= v.ItemCount()) RaiseDamaged(p.Leaf().PageNo);
    // Sign of entry minus key.
    const int32_t i = p.Leaf().ItemIndex;
    return -KeyRef.CompareKeys(key, v.Key(i), nullptr, v.TieData(i), sessionId, true);
  };
  switch (condition) {
    case vscNone:
      return EdgeEntry(sessionId, path, forward);
    case vscEqual:
      if (forward) {
        Descend(sessionId, key, nullptr, Bound::Lower, true, path);
        if (!Settle(sessionId, path)) return false;
      } else {
        Descend(sessionId, key, nullptr, Bound::Upper, true, path);
        if (!Prior(sessionId, path)) return false;
      }
      return compareAt(path) == 0;
    case vscLess:
    case vscLessOrEqual:
      if (forward) {
        if (!EdgeEntry(sessionId, path, true)) return false;
        const int c = compareAt(path);
        return condition == vscLess ? c < 0 : c <= 0;
      }
      Descend(sessionId, key, nullptr, condition == vscLess ? Bound::Lower : Bound::Upper, true,
              path);
      return Prior(sessionId, path);
    case vscGreater:
    case vscGreaterOrEqual:
      if (!forward) {
        if (!EdgeEntry(sessionId, path, false)) return false;
        const int c = compareAt(path);
        return condition == vscGreater ? c > 0 : c >= 0;
      }
      Descend(sessionId, key, nullptr, condition == vscGreater ? Bound::Upper : Bound::Lower, true,
              path);
      return Settle(sessionId, path);
    default:
      throw EVexException(20078, "Index error: invalid params");
  }
}

bool TVexBTreePage::FindEntry(int32_t sessionId, const uint8_t* key, const uint8_t* data,
                              TVexKeyPath& path) {
  CheckRoot(20124);
  const uint8_t* tie = KeyRef.HasRecordIds ? data : nullptr;
  Descend(sessionId, key, tie, Bound::Lower, true, path);
  if (Settle(sessionId, path)) {
    TVexPageGuard page(PageManager, GetTreePage(sessionId, path.Leaf().PageNo));
    const TVexBTreePageView v = View(page.get());
    const int32_t i = path.Leaf().ItemIndex;
    if (CompareEntry(sessionId, key, tie, v, i, true) == 0) return true;
    // Between two entries of one leaf the key is surely absent: the leaf level is in order.
    if (i > 0) return false;
  }
  return WalkLeavesFor(sessionId, key, data, path);
}

bool TVexBTreePage::WalkLeavesFor(int32_t sessionId, const uint8_t* key, const uint8_t* data,
                                  TVexKeyPath& path) {
  // The descent stopped before a leaf's first entry (or past the last one). A node key below
  // its child's smallest entry, as another writer may leave it, can send a descent too far
  // right: walk the leaf level back until an entry below the key shows it is absent.
  const uint8_t* tie = KeyRef.HasRecordIds ? data : nullptr;
  if (path.Count == 0) return false;
  TVexKeyPath walk = path;
  if (!walk.IsValid() && walk.Leaf().ItemCount > 0) walk.Leaf().ItemIndex = walk.Leaf().ItemCount;
  int64_t budget = -1;  // leaves left before a cycle in the links is assumed
  int32_t leafNo = walk.Leaf().PageNo;
  while (Prior(sessionId, walk)) {
    if (walk.Leaf().PageNo != leafNo) {
      leafNo = walk.Leaf().PageNo;
      if (budget < 0) budget = int64_t(PageManager.GetTotalPageCount()) + 1;
      if (--budget < 0) RaiseDamaged(leafNo);
    }
    TVexPageGuard page(PageManager, GetTreePage(sessionId, leafNo));
    const int c = CompareEntry(sessionId, key, tie, View(page.get()), walk.Leaf().ItemIndex, true);
    if (c > 0) return false;
    if (c == 0) {
      path = walk;
      return true;
    }
  }
  return false;
}

TVexPage* TVexBTreePage::PathLeaf(int32_t sessionId, const TVexKeyPath& path) {
  CheckRoot(20127);
  if (path.Count == 0) throw EVexException(20068, "Index error: invalid position");
  TVexPage* page = GetTreePage(sessionId, path.Leaf().PageNo);
  const TVexBTreePageView v = View(page);
  const int32_t i = path.Leaf().ItemIndex;
  if (!v.IsLeaf() || i < 0 || i >= v.ItemCount()) {
    PageManager.ReleasePage(page);
    throw EVexException(20068, "Index error: invalid position");
  }
  return page;
}

bool TVexBTreePage::PathHolds(int32_t sessionId, const TVexKeyPath& path, const uint8_t* data) {
  if (RootPageNo < 0 || path.Count == 0 || path.Leaf().PageNo < 0) return false;
  TVexPageGuard page(PageManager, GetTreePage(sessionId, path.Leaf().PageNo));
  const TVexBTreePageView v = View(page.get());
  const int32_t i = path.Leaf().ItemIndex;
  return v.IsLeaf() && i >= 0 && i < v.ItemCount() && v.ItemCount() == path.Leaf().ItemCount &&
         std::memcmp(v.LeafData(i), data, size_t(KeyRef.DataSize)) == 0;
}

void TVexBTreePage::ReadEntry(int32_t sessionId, const TVexKeyPath& path, uint8_t* key,
                              uint8_t* data) {
  TVexPageGuard page(PageManager, PathLeaf(sessionId, path));
  const TVexBTreePageView v = View(page.get());
  const int32_t i = path.Leaf().ItemIndex;
  if (key) std::memcpy(key, v.Key(i), size_t(KeyRef.KeySize));
  if (data) std::memcpy(data, v.LeafData(i), size_t(KeyRef.DataSize));
}

int32_t TVexBTreePage::VisitLeaf(
    int32_t sessionId, const TVexKeyPath& path, bool forward,
    const std::function<bool(const uint8_t* key, const uint8_t* data)>& visit) {
  TVexPageGuard page(PageManager, PathLeaf(sessionId, path));
  const TVexBTreePageView v = View(page.get());
  const int32_t n = v.ItemCount();
  for (int32_t i = path.Leaf().ItemIndex; i >= 0 && i < n; i += forward ? 1 : -1)
    if (visit(v.Key(i), v.LeafData(i))) return i;
  return -1;
}

bool TVexBTreePage::UpdateAtPath(int32_t sessionId, const TVexKeyPath& path, const uint8_t* key,
                                 const std::function<void(uint8_t* data)>& update) {
  if (RootPageNo < 0 || path.Count == 0 || path.Leaf().PageNo < 0) return false;
  TVexPageGuard page(PageManager, GetTreePage(sessionId, path.Leaf().PageNo));
  const TVexBTreePageView v = View(page.get());
  const int32_t i = path.Leaf().ItemIndex;
  if (!v.IsLeaf() || i < 0 || i >= v.ItemCount() || v.ItemCount() != path.Leaf().ItemCount ||
      std::memcmp(v.Key(i), key, size_t(KeyRef.KeySize)) != 0)
    return false;
  update(v.LeafData(i));
  MarkDirty(page.get());
  return true;
}

void TVexBTreePage::WriteLeafData(int32_t sessionId, const TVexKeyPath& path, const uint8_t* data) {
  TVexPageGuard page(PageManager, PathLeaf(sessionId, path));
  std::memcpy(View(page.get()).LeafData(path.Leaf().ItemIndex), data, size_t(KeyRef.DataSize));
  MarkDirty(page.get());
}

void TVexBTreePage::DataAtPath(int32_t sessionId, const TVexKeyPath& path, uint8_t* data) {
  CheckRoot(20127);
  int32_t pageNo = RootPageNo;
  for (int32_t level = 0; level < path.Count; ++level) {
    TVexPageGuard page(PageManager, GetTreePage(sessionId, pageNo));
    const TVexBTreePageView v = View(page.get());
    const int32_t i = path[level].ItemIndex;
    if (i < 0 || i >= v.ItemCount()) throw EVexException(20068, "Index error: invalid position");
    if (v.IsLeaf()) {
      std::memcpy(data, v.LeafData(i), size_t(KeyRef.DataSize));
      return;
    }
    pageNo = v.Child(i);
  }
  throw EVexException(20068, "Index error: invalid position");
}

int TVexBTreePage::ComparePaths(const TVexKeyPath& a, const TVexKeyPath& b) {
  const int32_t n = std::min(a.Count, b.Count);
  for (int32_t i = 0; i < n; ++i) {
    if (a[i].ItemIndex != b[i].ItemIndex) return a[i].ItemIndex < b[i].ItemIndex ? -1 : 1;
  }
  return a.Count == b.Count ? 0 : a.Count < b.Count ? -1 : 1;
}

double TVexBTreePage::PathFraction(const TVexKeyPath& path) {
  double result = 0, scale = 1;
  for (int32_t i = 0; i < path.Count; ++i) {
    if (path[i].ItemCount <= 0) break;
    scale *= path[i].ItemCount;
    result += path[i].ItemIndex / scale;
  }
  return result;
}

int64_t TVexBTreePage::CountEntries(int32_t sessionId) {
  CheckRoot(20126);
  TVexKeyPath path;
  EdgeEntry(sessionId, path, true);
  int64_t total = 0, budget = int64_t(PageManager.GetTotalPageCount()) + 1;
  for (int32_t pageNo = path.Leaf().PageNo; pageNo != -1;) {
    if (--budget < 0) RaiseDamaged(pageNo);
    TVexPageGuard page(PageManager, GetTreePage(sessionId, pageNo));
    const TVexBTreePageView v = View(page.get());
    total += v.ItemCount();
    pageNo = v.NextPageNo();
  }
  return total;
}

int64_t TVexBTreePage::PathPosition(int32_t sessionId, const TVexKeyPath& path) {
  CheckRoot(20126);
  if (path.Count == 0) throw EVexException(20068, "Index error: invalid position");
  TVexKeyPath first;
  EdgeEntry(sessionId, first, true);
  int64_t before = 0, budget = int64_t(PageManager.GetTotalPageCount()) + 1;
  for (int32_t pageNo = first.Leaf().PageNo; pageNo != path.Leaf().PageNo;) {
    if (pageNo == -1 || --budget < 0) RaiseDamaged(path.Leaf().PageNo);
    TVexPageGuard page(PageManager, GetTreePage(sessionId, pageNo));
    const TVexBTreePageView v = View(page.get());
    before += v.ItemCount();
    pageNo = v.NextPageNo();
  }
  return before + path.Leaf().ItemIndex;
}

bool TVexBTreePage::PathAtPosition(int32_t sessionId, int64_t position, TVexKeyPath& path) {
  CheckRoot(20126);
  if (position < 0 || !EdgeEntry(sessionId, path, true)) return false;
  while (position >= path.Leaf().ItemCount) {
    position -= path.Leaf().ItemCount;
    path.Leaf().ItemIndex = path.Leaf().ItemCount - 1;
    if (!StepOverEmpty(sessionId, path, true)) return false;
  }
  path.Leaf().ItemIndex = int32_t(position);
  return true;
}
