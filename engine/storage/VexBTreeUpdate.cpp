// TVexBTreePage: insertion with page splits, deletion with merges, release of the tree. Every
// node key is kept equal to the smallest entry of its child's subtree, so that descents never
// miss an entry.
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/base/VexExcept.h"
#include "engine/storage/FileLayout.h"
#include "engine/storage/VexBTree.h"

int32_t TVexBTreePage::SeparatorSize() const {
  return KeyRef.KeySize + (KeyRef.HasRecordIds ? VexBTreePageLayout::kRecordIdSize : 0);
}

void TVexBTreePage::CopySeparator(const TVexBTreePageView& page, int32_t i, uint8_t* out) const {
  std::memcpy(out, page.Key(i), size_t(KeyRef.KeySize));
  if (const uint8_t* tie = page.TieData(i))
    std::memcpy(out + KeyRef.KeySize, tie, VexBTreePageLayout::kRecordIdSize);
}

namespace {
// Writes a separator (key and optional record identifier) into node entry i.
void WriteNodeSeparator(TVexBTreePageView& node, int32_t i, const uint8_t* separator,
                        int32_t keySize) {
  std::memcpy(node.Key(i), separator, size_t(keySize));
  if (node.HasRecordIds())
    std::memcpy(node.Entry(i) + keySize + VexBTreePageLayout::kChildSize, separator + keySize,
                VexBTreePageLayout::kRecordIdSize);
}
}  // namespace

void TVexBTreePage::FixSeparators(int32_t sessionId, const TVexKeyPath& path, int32_t level,
                                  const uint8_t* separator) {
  for (int32_t j = level - 1; j >= 0; --j) {
    TVexPageGuard page(PageManager, GetTreePage(sessionId, path[j].PageNo));
    TVexBTreePageView v = View(page.get());
    const int32_t i = path[j].ItemIndex;
    if (v.IsLeaf() || i < 0 || i >= v.ItemCount()) RaiseDamaged(path[j].PageNo);
    WriteNodeSeparator(v, i, separator, KeyRef.KeySize);
    MarkDirty(page.get());
    if (i != 0) break;
  }
}

void TVexBTreePage::SubtreeMinimum(int32_t sessionId, int32_t pageNo, uint8_t* separator) {
  for (int32_t depth = 0;; ++depth) {
    if (depth >= TVexKeyPath::kMaxLevels) RaiseDamaged(pageNo);
    TVexPageGuard page(PageManager, GetTreePage(sessionId, pageNo));
    const TVexBTreePageView v = View(page.get());
    if (v.ItemCount() == 0) return;
    if (v.IsLeaf()) {
      CopySeparator(v, 0, separator);
      return;
    }
    pageNo = v.Child(0);
  }
}

void TVexBTreePage::InsertEntry(int32_t sessionId, const uint8_t* key, const uint8_t* data) {
  CheckRoot(20119);
  const uint8_t* tie = KeyRef.HasRecordIds ? data : nullptr;
  TVexKeyPath path;
  Descend(sessionId, key, tie, Bound::Upper, true, path);
  std::memcpy(entry_.data(), key, size_t(KeyRef.KeySize));
  std::memcpy(entry_.data() + KeyRef.KeySize, data, size_t(KeyRef.DataSize));
  InsertAt(sessionId, path, path.Count - 1, path.Leaf().ItemIndex, entry_.data());
}

void TVexBTreePage::InsertAt(int32_t sessionId, TVexKeyPath& path, int32_t level, int32_t position,
                             const uint8_t* entry) {
  const int32_t pageNo = path[level].PageNo;
  TVexPageGuard page(PageManager, GetTreePage(sessionId, pageNo));
  TVexBTreePageView v = View(page.get());
  const int32_t n = v.ItemCount(), es = v.EntrySize();
  // A child entry goes into a node, an entry into a leaf.
  if (v.IsLeaf() != (level == path.Count - 1)) throw EVexException(20020, "Internal index error");
  if (position < 0 || position > n) RaiseDamaged(pageNo);
  if (v.BytesFor(n + 1) <= DataAreaSize()) {
    std::memmove(v.Entry(position + 1), v.Entry(position), size_t((n - position) * es));
    std::memcpy(v.Entry(position), entry, size_t(es));
    v.SetItemCount(n + 1);
    MarkDirty(page.get());
    path[level].ItemCount = n + 1;
    if (position == 0 && level > 0) {
      CopySeparator(v, 0, separator_.data());
      FixSeparators(sessionId, path, level, separator_.data());
    }
    return;
  }
  // Over full: the entries with the new one in place, split at half the count.
  const int32_t total = n + 1, half = total / 2;
  uint8_t* all = scratch_.data();
  std::memcpy(all, v.Entry(0), size_t(position * es));
  std::memcpy(all + position * es, entry, size_t(es));
  std::memcpy(all + (position + 1) * es, v.Entry(position), size_t((n - position) * es));
  if (v.IsRoot()) {
    SplitRoot(sessionId, page.get(), all, total, es);
    return;
  }
  TVexPageGuard right(PageManager, AddTreePage(sessionId));
  InitPage(right->GetData(), false, v.IsLeaf());
  TVexBTreePageView rv = View(right.get());
  std::memcpy(rv.Entry(0), all + half * es, size_t((total - half) * es));
  rv.SetItemCount(total - half);
  std::memcpy(v.Entry(0), all, size_t(half * es));
  std::memset(v.Entry(half), 0, size_t((n - half) * es));
  v.SetItemCount(half);
  const int32_t oldNext = v.NextPageNo();
  rv.SetPrevPageNo(pageNo);
  rv.SetNextPageNo(oldNext);
  v.SetNextPageNo(right->PageNo);
  if (oldNext != -1) {
    TVexPageGuard next(PageManager, GetTreePage(sessionId, oldNext));
    View(next.get()).SetPrevPageNo(right->PageNo);
    MarkDirty(next.get());
  }
  MarkDirty(page.get());
  MarkDirty(right.get());
  path[level].ItemCount = half;
  if (position == 0) {
    CopySeparator(v, 0, separator_.data());
    FixSeparators(sessionId, path, level, separator_.data());
  }
  // The parent takes (the right page's smallest key, the right page) after this page's entry.
  std::vector<uint8_t> parentEntry(
      size_t(KeyRef.KeySize + VexBTreePageLayout::kChildSize + VexBTreePageLayout::kRecordIdSize));
  std::memcpy(parentEntry.data(), rv.Key(0), size_t(KeyRef.KeySize));
  WriteInt32LE(parentEntry.data() + KeyRef.KeySize, right->PageNo);
  if (const uint8_t* tie = rv.TieData(0))
    std::memcpy(parentEntry.data() + KeyRef.KeySize + VexBTreePageLayout::kChildSize, tie,
                VexBTreePageLayout::kRecordIdSize);
  InsertAt(sessionId, path, level - 1, path[level - 1].ItemIndex + 1, parentEntry.data());
}

void TVexBTreePage::SplitRoot(int32_t sessionId, TVexPage* root, const uint8_t* entries,
                              int32_t count, int32_t entrySize) {
  TVexBTreePageView rootView = View(root);
  const bool leaf = rootView.IsLeaf();
  const int32_t half = count / 2;
  TVexPageGuard left(PageManager, AddTreePage(sessionId));
  TVexPageGuard right(PageManager, AddTreePage(sessionId));
  InitPage(left->GetData(), false, leaf);
  InitPage(right->GetData(), false, leaf);
  TVexBTreePageView lv = View(left.get()), rv = View(right.get());
  std::memcpy(lv.Entry(0), entries, size_t(half * entrySize));
  lv.SetItemCount(half);
  std::memcpy(rv.Entry(0), entries + half * entrySize, size_t((count - half) * entrySize));
  rv.SetItemCount(count - half);
  lv.SetNextPageNo(right->PageNo);
  rv.SetPrevPageNo(left->PageNo);
  // The root keeps its page number and becomes a node over the two halves: an empty key for
  // the left page, the right page's smallest key for the right one.
  const bool rootCreated = rootView.RootCreated();
  InitPage(root->GetData(), true, false);
  rootView.SetRootCreated(rootCreated);
  rootView.SetItemCount(2);
  rootView.SetChild(0, left->PageNo);
  CopySeparator(rv, 0, separator2_.data());
  WriteNodeSeparator(rootView, 1, separator2_.data(), KeyRef.KeySize);
  rootView.SetChild(1, right->PageNo);
  MarkDirty(root);
  MarkDirty(left.get());
  MarkDirty(right.get());
}

bool TVexBTreePage::DeleteEntry(int32_t sessionId, const uint8_t* key, const uint8_t* data) {
  CheckRoot(20120);
  TVexKeyPath path;
  if (!FindEntry(sessionId, key, data, path)) return false;
  if (data && !KeyRef.HasRecordIds) {
    TVexPageGuard page(PageManager, GetTreePage(sessionId, path.Leaf().PageNo));
    const TVexBTreePageView v = View(page.get());
    if (std::memcmp(v.LeafData(path.Leaf().ItemIndex), data, size_t(KeyRef.DataSize)) != 0)
      return false;
  }
  RemoveAt(sessionId, path, path.Count - 1, path.Leaf().ItemIndex);
  return true;
}

void TVexBTreePage::RemoveAt(int32_t sessionId, TVexKeyPath& path, int32_t level,
                             int32_t position) {
  const int32_t pageNo = path[level].PageNo;
  bool collapse = false;
  {
    TVexPageGuard page(PageManager, GetTreePage(sessionId, pageNo));
    TVexBTreePageView v = View(page.get());
    const int32_t n = v.ItemCount(), es = v.EntrySize();
    if (v.IsLeaf() != (level == path.Count - 1)) throw EVexException(20024, "Internal index error");
    if (n == 0) throw EVexException(20025, "Index error: page is empty");
    if (position < 0 || position >= n) RaiseDamaged(pageNo);
    std::memmove(v.Entry(position), v.Entry(position + 1), size_t((n - position - 1) * es));
    std::memset(v.Entry(n - 1), 0, size_t(es));
    v.SetItemCount(n - 1);
    MarkDirty(page.get());
    path[level].ItemCount = n - 1;
    if (path[level].ItemIndex >= n - 1) path[level].ItemIndex = std::max(0, n - 2);
    if (position == 0 && n > 1 && level > 0) {
      CopySeparator(v, 0, separator_.data());
      FixSeparators(sessionId, path, level, separator_.data());
    }
    collapse = level == 0 && !v.IsLeaf() && n - 1 == 1;
  }
  if (level == 0) {
    if (collapse) CollapseRoot(sessionId);
    return;
  }
  MergeIfUnderFull(sessionId, path, level);
}

void TVexBTreePage::MergeIfUnderFull(int32_t sessionId, TVexKeyPath& path, int32_t level) {
  const int32_t pageNo = path[level].PageNo;
  int32_t prevNo, nextNo;
  {
    TVexPageGuard page(PageManager, GetTreePage(sessionId, pageNo));
    TVexBTreePageView v = View(page.get());
    const int32_t n = v.ItemCount(), es = v.EntrySize();
    if (v.IsRoot() || 2 * n * es >= DataAreaSize() - v.EntriesOffset()) return;
    prevNo = v.PrevPageNo();
    nextNo = v.NextPageNo();
    if (prevNo == pageNo || nextNo == pageNo) RaiseDamaged(pageNo);
    if (prevNo != -1) {
      TVexPageGuard prev(PageManager, GetTreePage(sessionId, prevNo));
      TVexBTreePageView pv = View(prev.get());
      const int32_t pn = pv.ItemCount();
      if (pv.IsLeaf() == v.IsLeaf() && pv.BytesFor(pn + n) <= DataAreaSize()) {
        // The first entry becomes an inner one of the previous page: its key must be exact.
        if (!v.IsLeaf() && n > 0) {
          SubtreeMinimum(sessionId, v.Child(0), separator2_.data());
          WriteNodeSeparator(v, 0, separator2_.data(), KeyRef.KeySize);
        }
        std::memcpy(pv.Entry(pn), v.Entry(0), size_t(n * es));
        pv.SetItemCount(pn + n);
        pv.SetNextPageNo(nextNo);
        MarkDirty(prev.get());
        if (nextNo != -1) {
          TVexPageGuard next(PageManager, GetTreePage(sessionId, nextNo));
          View(next.get()).SetPrevPageNo(prevNo);
          MarkDirty(next.get());
        }
        prevNo = -2;  // merged
      }
    }
    if (prevNo != -2 && nextNo != -1) {
      TVexPageGuard next(PageManager, GetTreePage(sessionId, nextNo));
      TVexBTreePageView nv = View(next.get());
      const int32_t nn = nv.ItemCount();
      if (nv.IsLeaf() != v.IsLeaf() || nv.BytesFor(nn + n) > DataAreaSize()) return;
      if (n > 0) {
        std::memmove(nv.Entry(n), nv.Entry(0), size_t(nn * es));
        std::memcpy(nv.Entry(0), v.Entry(0), size_t(n * es));
        nv.SetItemCount(nn + n);
        // The next page's smallest entry changed: its ancestors take the new key.
        if (v.IsLeaf())
          CopySeparator(nv, 0, separator2_.data());
        else
          SubtreeMinimum(sessionId, nv.Child(0), separator2_.data());
        if (!v.IsLeaf()) WriteNodeSeparator(nv, 0, separator2_.data(), KeyRef.KeySize);
        TVexKeyPath siblingPath = path;
        bool consistent = false;
        if (StepLevel(sessionId, siblingPath, level, true, &consistent) && consistent)
          FixSeparators(sessionId, siblingPath, level, separator2_.data());
      }
      nv.SetPrevPageNo(prevNo);
      MarkDirty(next.get());
      if (prevNo != -1) {
        TVexPageGuard prev(PageManager, GetTreePage(sessionId, prevNo));
        View(prev.get()).SetNextPageNo(nextNo);
        MarkDirty(prev.get());
      }
    } else if (prevNo != -2) {
      return;
    }
  }
  PageManager.RemovePage(sessionId, pageNo);
  RemoveAt(sessionId, path, level - 1, path[level - 1].ItemIndex);
}

void TVexBTreePage::CollapseRoot(int32_t sessionId) {
  // A root node with one child takes the child's content; the root keeps its page number.
  for (int32_t depth = 0;; ++depth) {
    TVexPageGuard root(PageManager, GetTreePage(sessionId, RootPageNo));
    TVexBTreePageView rv = View(root.get());
    if (rv.IsLeaf() || rv.ItemCount() != 1) return;
    const int32_t childNo = rv.Child(0);
    if (childNo == RootPageNo || depth >= TVexKeyPath::kMaxLevels) RaiseDamaged(RootPageNo);
    {
      TVexPageGuard child(PageManager, GetTreePage(sessionId, childNo));
      const bool rootCreated = rv.RootCreated();
      std::memcpy(root->GetData(), child->GetData(), size_t(DataAreaSize()));
      rv.SetIsRoot(true);
      rv.SetRootCreated(rootCreated);
      rv.SetPrevPageNo(-1);
      rv.SetNextPageNo(-1);
      MarkDirty(root.get());
    }
    PageManager.RemovePage(sessionId, childNo);
  }
}

void TVexBTreePage::FreeTree(int32_t sessionId, bool keepRoot) {
  CheckRoot(20125);
  int64_t budget = int64_t(PageManager.GetTotalPageCount()) + 1;
  for (int32_t levelStart = RootPageNo; levelStart != -1;) {
    int32_t below = -1;
    for (int32_t pageNo = levelStart; pageNo != -1;) {
      if (--budget < 0) RaiseDamaged(pageNo);
      int32_t next;
      {
        TVexPageGuard page(PageManager, GetTreePage(sessionId, pageNo));
        const TVexBTreePageView v = View(page.get());
        if (pageNo == levelStart && !v.IsLeaf() && v.ItemCount() > 0) below = v.Child(0);
        next = v.NextPageNo();
      }
      if (pageNo != RootPageNo || !keepRoot) PageManager.RemovePage(sessionId, pageNo);
      pageNo = next;
    }
    levelStart = below;
  }
  if (!keepRoot) {
    RootPageNo = -1;
    return;
  }
  TVexPageGuard root(PageManager, GetTreePage(sessionId, RootPageNo));
  const bool rootCreated = View(root.get()).RootCreated();
  InitPage(root->GetData(), true, true);
  View(root.get()).SetRootCreated(rootCreated);
  MarkDirty(root.get());
}
