// The record page index: descent by page number, stepping along the level links, in-place
// count updates, and the structure changes (split on insert, merge on delete) that keep every
// node key equal to the smallest key below it.
#include "engine/storage/RecordPageIndex.h"

#include <algorithm>

#include "engine/base/VexExcept.h"
#include "engine/storage/FileLayout.h"
#include "engine/storage/Page.h"
#include "engine/storage/PageManager.h"
#include "platform/LittleEndian.h"

using namespace VexBTreeLayout;

namespace {

constexpr int kKeyBytes = 4;
constexpr int kLeafDataBytes = 2;
constexpr int kNodeDataBytes = 4;
constexpr size_t kMaxDepth = 32;

// A checked view of the entries of one index page, read in place.
struct TRawNode {
  const uint8_t* Data = nullptr;
  bool IsLeaf = true;
  int32_t Count = 0;
  int32_t EntrySize = 0;
  int32_t First = kEntries;

  TRawNode(TVexPage* page) : Data(page->GetData()) {
    IsLeaf = Data[kIsLeaf] != 0;
    Count = ReadUInt16LE(Data + kItemCount);
    EntrySize = kKeyBytes + (IsLeaf ? kLeafDataBytes : kNodeDataBytes);
    First = kEntries + ReadUInt16LE(Data + kExtraHeaderSize);
    // A page of another index or a damaged page would send reads past the page.
    if (ReadUInt16LE(Data + kKeySize) != kKeyBytes || Data[kHasRecordIds] != 0 ||
        int64_t(First) + int64_t(Count) * EntrySize > page->GetDataSize())
      throw EVexException(20099, "Index error: invalid position");
  }
  int32_t Key(int32_t i) const { return ReadInt32LE(Data + First + i * EntrySize); }
  int32_t Value(int32_t i) const {
    const uint8_t* p = Data + First + i * EntrySize + kKeyBytes;
    return IsLeaf ? int32_t(ReadUInt16LE(p)) : ReadInt32LE(p);
  }
  // Last entry from entry 1 on whose key is <= key, else entry 0.
  int32_t ChildIndexFor(int32_t key) const {
    int32_t lo = 1, hi = Count;  // first entry in [1, Count) with Key > key
    while (lo < hi) {
      int32_t mid = (lo + hi) / 2;
      if (Key(mid) <= key)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo - 1;
  }
  int32_t LowerBound(int32_t key) const {
    int32_t lo = 0, hi = Count;
    while (lo < hi) {
      int32_t mid = (lo + hi) / 2;
      if (Key(mid) < key)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  }
};

}  // namespace

int32_t TVexBTreeRecordPageIndex::Capacity(bool isLeaf) const {
  return (PageManager->PageDataSize - kEntries) /
         (kKeyBytes + (isLeaf ? kLeafDataBytes : kNodeDataBytes));
}

void TVexBTreeRecordPageIndex::CheckRoot(int32_t code) const {
  if (RootPageNo == -1) throw EVexException(code, "Index error: invalid page number");
}

TVexBTreeRecordPageIndex::TNodeImage TVexBTreeRecordPageIndex::ReadNode(int32_t sessionId,
                                                                        int32_t pageNo) {
  TVexPageGuard page(*PageManager,
                     PageManager->GetPage(sessionId, pageNo, true, VexLayout::ptTableIndex));
  TRawNode raw(page.get());
  TNodeImage node;
  node.PageNo = pageNo;
  node.IsRoot = raw.Data[kIsRoot] != 0;
  node.IsLeaf = raw.IsLeaf;
  node.Prev = ReadInt32LE(raw.Data + kPrevPageNo);
  node.Next = ReadInt32LE(raw.Data + kNextPageNo);
  node.Entries.resize(size_t(raw.Count));
  for (int32_t i = 0; i < raw.Count; ++i) node.Entries[size_t(i)] = {raw.Key(i), raw.Value(i)};
  return node;
}

void TVexBTreeRecordPageIndex::WriteNode(int32_t sessionId, const TNodeImage& node) {
  TVexPageGuard page(*PageManager,
                     PageManager->GetPage(sessionId, node.PageNo, true, VexLayout::ptTableIndex));
  uint8_t* d = page->GetData();
  int32_t entrySize = kKeyBytes + (node.IsLeaf ? kLeafDataBytes : kNodeDataBytes);
  int32_t first = kEntries + ReadUInt16LE(d + kExtraHeaderSize);
  if (int64_t(first) + int64_t(node.Entries.size()) * entrySize > page->GetDataSize())
    throw EVexException(20099, "Index error: invalid position");
  d[kIsRoot] = node.IsRoot ? 1 : 0;
  d[kIsLeaf] = node.IsLeaf ? 1 : 0;
  WriteInt32LE(d + kPrevPageNo, node.Prev);
  WriteInt32LE(d + kNextPageNo, node.Next);
  d[kHasRecordIds] = 0;
  WriteUInt16LE(d + kKeySize, kKeyBytes);
  WriteUInt16LE(d + kItemCount, uint16_t(node.Entries.size()));
  uint8_t* p = d + first;
  for (const TEntry& e : node.Entries) {
    WriteInt32LE(p, e.Key);
    if (node.IsLeaf)
      WriteUInt16LE(p + kKeyBytes, uint16_t(e.Value));
    else
      WriteInt32LE(p + kKeyBytes, e.Value);
    p += entrySize;
  }
  page->Dirty = true;
}

TVexBTreeRecordPageIndex::TNodeImage TVexBTreeRecordPageIndex::NewNode(int32_t sessionId,
                                                                       bool isLeaf) {
  TVexPageGuard page(*PageManager, PageManager->AddPage(sessionId, VexLayout::ptTableIndex));
  VexLayout::SetPageOwnerObjectId(page->GetHeader(), OwnerObjectId);
  uint8_t* d = page->GetData();
  std::fill(d, d + kEntries, uint8_t(0));
  WriteUInt16LE(d + kKeySize, kKeyBytes);
  TNodeImage node;
  node.PageNo = page->PageNo;
  node.IsLeaf = isLeaf;
  return node;
}

void TVexBTreeRecordPageIndex::Create(int32_t sessionId) {
  TNodeImage root = NewNode(sessionId, true);
  root.IsRoot = true;
  WriteNode(sessionId, root);
  {
    TVexPageGuard page(
        *PageManager, PageManager->GetPage(sessionId, root.PageNo, false, VexLayout::ptTableIndex));
    page->GetData()[kRootCreated] = 1;
  }
  RootPageNo = root.PageNo;
}

bool TVexBTreeRecordPageIndex::Locate(int32_t sessionId, int32_t key, TPath& path,
                                      TNodeImage* leaf) {
  path.clear();
  int32_t pageNo = RootPageNo;
  for (;;) {
    if (path.size() >= kMaxDepth) throw EVexException(20099, "Index error: invalid position");
    TVexPageGuard page(*PageManager,
                       PageManager->GetPage(sessionId, pageNo, true, VexLayout::ptTableIndex));
    TRawNode raw(page.get());
    if (!raw.IsLeaf) {
      if (raw.Count == 0) throw EVexException(20099, "Index error: invalid position");
      int32_t i = raw.ChildIndexFor(key);
      path.push_back({pageNo, i, raw.Count});
      pageNo = raw.Value(i);
      continue;
    }
    int32_t i = raw.LowerBound(key);
    path.push_back({pageNo, i, raw.Count});
    bool found = i < raw.Count && raw.Key(i) == key;
    if (leaf) *leaf = ReadNode(sessionId, pageNo);
    return found;
  }
}

void TVexBTreeRecordPageIndex::Descend(int32_t sessionId, bool last, TPath& path,
                                       TNodeImage& leaf) {
  path.clear();
  int32_t pageNo = RootPageNo;
  for (;;) {
    if (path.size() >= kMaxDepth) throw EVexException(20099, "Index error: invalid position");
    TNodeImage node = ReadNode(sessionId, pageNo);
    int32_t count = int32_t(node.Entries.size());
    int32_t i = last ? count - 1 : 0;
    path.push_back({pageNo, i, count});
    if (node.IsLeaf) {
      leaf = std::move(node);
      return;
    }
    if (count == 0) throw EVexException(20099, "Index error: invalid position");
    pageNo = node.Entries[size_t(i)].Value;
  }
}

bool TVexBTreeRecordPageIndex::Step(int32_t sessionId, TPath& path, TNodeImage& leaf, bool forward,
                                    int32_t linkCode) {
  // Steps level `level`; lower levels follow their own sibling links.
  auto stepLevel = [&](auto& self, size_t level) -> bool {
    TLevel& l = path[level];
    if (forward ? l.ItemIndex + 1 < l.ItemCount : l.ItemIndex > 0) {
      l.ItemIndex += forward ? 1 : -1;
      return true;
    }
    if (level == 0) return false;
    if (!self(self, level - 1)) return false;
    TNodeImage node = ReadNode(sessionId, l.PageNo);
    int32_t sibling = forward ? node.Next : node.Prev;
    if (sibling == -1) throw EVexException(linkCode, "Index error: invalid page number");
    TNodeImage next = ReadNode(sessionId, sibling);
    l.PageNo = sibling;
    l.ItemCount = int32_t(next.Entries.size());
    l.ItemIndex = forward ? 0 : l.ItemCount - 1;
    if (level + 1 == path.size()) leaf = std::move(next);
    return true;
  };
  // Empty leaves (left where no merge was possible) are passed over.
  do {
    if (!stepLevel(stepLevel, path.size() - 1)) return false;
  } while (path.back().ItemIndex < 0 || path.back().ItemIndex >= path.back().ItemCount);
  return true;
}

bool TVexBTreeRecordPageIndex::FirstPage(int32_t sessionId, int32_t& pageNo) {
  CheckRoot(20115);
  TPath path;
  TNodeImage leaf;
  Descend(sessionId, false, path, leaf);
  if (leaf.Entries.empty() && !Step(sessionId, path, leaf, true, 20100)) return false;
  pageNo = leaf.Entries[size_t(path.back().ItemIndex)].Key;
  return true;
}

bool TVexBTreeRecordPageIndex::LastPage(int32_t sessionId, int32_t& pageNo) {
  CheckRoot(20116);
  TPath path;
  TNodeImage leaf;
  Descend(sessionId, true, path, leaf);
  if (leaf.Entries.empty() && !Step(sessionId, path, leaf, false, 20102)) return false;
  pageNo = leaf.Entries[size_t(path.back().ItemIndex)].Key;
  return true;
}

bool TVexBTreeRecordPageIndex::StepFrom(int32_t sessionId, int32_t pageNo, bool forward,
                                        bool mustBeListed, int32_t& result) {
  TPath path;
  TNodeImage leaf;
  bool listed = Locate(sessionId, pageNo, path, &leaf);
  if (!listed && mustBeListed) throw EVexException(forward ? 20104 : 20105, "Invalid page number");
  if (path.empty()) throw EVexException(forward ? 20099 : 20101, "Index error: invalid position");
  TLevel& at = path.back();
  if (!listed) {
    // The entry at the insert position already lies after pageNo.
    if (forward && at.ItemIndex < at.ItemCount) {
      result = leaf.Entries[size_t(at.ItemIndex)].Key;
      return true;
    }
    if (forward) at.ItemIndex = at.ItemCount - 1;
  }
  if (!Step(sessionId, path, leaf, forward, forward ? 20100 : 20102)) return false;
  result = leaf.Entries[size_t(path.back().ItemIndex)].Key;
  return true;
}

bool TVexBTreeRecordPageIndex::NextPage(int32_t sessionId, int32_t pageNo, int32_t& next) {
  CheckRoot(20117);
  return StepFrom(sessionId, pageNo, true, true, next);
}

bool TVexBTreeRecordPageIndex::PriorPage(int32_t sessionId, int32_t pageNo, int32_t& prior) {
  CheckRoot(20118);
  return StepFrom(sessionId, pageNo, false, true, prior);
}

bool TVexBTreeRecordPageIndex::PageAfter(int32_t sessionId, int32_t pageNo, bool forward,
                                         int32_t& result) {
  CheckRoot(forward ? 20117 : 20118);
  return StepFrom(sessionId, pageNo, forward, false, result);
}

int32_t TVexBTreeRecordPageIndex::FindPageWithSpace(int32_t sessionId, int32_t recordsPerPage) {
  CheckRoot(20115);
  // As many entries as the last leaf holds, backwards from the last entry, are that leaf's
  // entries; likewise forwards from the first. They are read in place: this runs per insert.
  for (bool forward : {false, true}) {
    int32_t pageNo = RootPageNo;
    for (size_t depth = 0;; ++depth) {
      if (depth >= kMaxDepth) throw EVexException(20108, "Index error: invalid position");
      TVexPageGuard page(*PageManager,
                         PageManager->GetPage(sessionId, pageNo, true, VexLayout::ptTableIndex));
      TRawNode raw(page.get());
      if (!raw.IsLeaf) {
        if (raw.Count == 0) throw EVexException(20108, "Index error: invalid position");
        pageNo = raw.Value(forward ? 0 : raw.Count - 1);
        continue;
      }
      for (int32_t k = 0; k < raw.Count; ++k) {
        int32_t i = forward ? k : raw.Count - 1 - k;
        if (raw.Value(i) < recordsPerPage) return raw.Key(i);
      }
      break;
    }
  }
  return -1;
}

int32_t TVexBTreeRecordPageIndex::GetPageCount(int32_t sessionId, int32_t pageNo) {
  CheckRoot(20117);
  TPath path;
  TNodeImage leaf;
  if (!Locate(sessionId, pageNo, path, &leaf)) return -1;
  return leaf.Entries[size_t(path.back().ItemIndex)].Value;
}

void TVexBTreeRecordPageIndex::AddToPage(int32_t sessionId, int32_t pageNo, int32_t delta) {
  CheckRoot(20117);
  TPath path;
  if (!Locate(sessionId, pageNo, path, nullptr)) {
    InsertKey(sessionId, pageNo, delta);
    return;
  }
  // The common case: the count changes in place.
  TVexPageGuard page(*PageManager, PageManager->GetPage(sessionId, path.back().PageNo, true,
                                                        VexLayout::ptTableIndex));
  TRawNode raw(page.get());
  uint8_t* p = page->GetData() + raw.First + path.back().ItemIndex * raw.EntrySize + kKeyBytes;
  WriteUInt16LE(p, uint16_t(ReadUInt16LE(p) + delta));
  page->Dirty = true;
}

void TVexBTreeRecordPageIndex::SetPageCount(int32_t sessionId, int32_t pageNo, int32_t count) {
  CheckRoot(20117);
  if (count == 0) {
    RemoveKey(sessionId, pageNo);
    return;
  }
  int32_t now = GetPageCount(sessionId, pageNo);
  AddToPage(sessionId, pageNo, now < 0 ? count : count - now);
}

void TVexBTreeRecordPageIndex::InsertKey(int32_t sessionId, int32_t key, int32_t count) {
  TPath path;
  TNodeImage leaf;
  Locate(sessionId, key, path, &leaf);
  size_t level = path.size() - 1;
  int32_t at = path[level].ItemIndex;
  leaf.Entries.insert(leaf.Entries.begin() + at, TEntry{key, count});
  if (at == 0 && !leaf.IsRoot) RaiseFirstKey(sessionId, path, level, key);
  if (int32_t(leaf.Entries.size()) <= Capacity(true)) {
    WriteNode(sessionId, leaf);
    return;
  }
  if (leaf.IsRoot)
    SplitRoot(sessionId, leaf);
  else
    InsertIntoParent(sessionId, path, level, leaf);
}

// Splits an over-full non-root page: its upper half moves to a new right sibling, which the
// parent then lists (splitting in turn when it overflows).
void TVexBTreeRecordPageIndex::InsertIntoParent(int32_t sessionId, TPath& path, size_t level,
                                                TNodeImage& node) {
  TNodeImage right = NewNode(sessionId, node.IsLeaf);
  size_t mid = node.Entries.size() / 2;
  right.Entries.assign(node.Entries.begin() + long(mid), node.Entries.end());
  node.Entries.resize(mid);
  right.Prev = node.PageNo;
  right.Next = node.Next;
  if (node.Next != -1) {
    TNodeImage after = ReadNode(sessionId, node.Next);
    after.Prev = right.PageNo;
    WriteNode(sessionId, after);
  }
  node.Next = right.PageNo;
  WriteNode(sessionId, node);
  WriteNode(sessionId, right);

  TNodeImage parent = ReadNode(sessionId, path[level - 1].PageNo);
  parent.Entries.insert(parent.Entries.begin() + path[level - 1].ItemIndex + 1,
                        TEntry{right.Entries.front().Key, right.PageNo});
  if (int32_t(parent.Entries.size()) <= Capacity(false))
    WriteNode(sessionId, parent);
  else if (parent.IsRoot)
    SplitRoot(sessionId, parent);
  else
    InsertIntoParent(sessionId, path, level - 1, parent);
}

// The root keeps its page number: its entries move to two new children and it becomes a node
// listing them.
void TVexBTreeRecordPageIndex::SplitRoot(int32_t sessionId, TNodeImage& root) {
  TNodeImage left = NewNode(sessionId, root.IsLeaf);
  TNodeImage right = NewNode(sessionId, root.IsLeaf);
  size_t mid = root.Entries.size() / 2;
  left.Entries.assign(root.Entries.begin(), root.Entries.begin() + long(mid));
  right.Entries.assign(root.Entries.begin() + long(mid), root.Entries.end());
  left.Next = right.PageNo;
  right.Prev = left.PageNo;
  WriteNode(sessionId, left);
  WriteNode(sessionId, right);
  root.IsLeaf = false;
  root.Prev = root.Next = -1;
  root.Entries = {TEntry{0, left.PageNo}, TEntry{right.Entries.front().Key, right.PageNo}};
  WriteNode(sessionId, root);
}

// After the smallest key below path[level] changed to key, the node entries that name it as
// their subtree's smallest key follow (the root's entry 0 is never a bound and stays).
void TVexBTreeRecordPageIndex::RaiseFirstKey(int32_t sessionId, const TPath& path, size_t level,
                                             int32_t key) {
  while (level > 0) {
    size_t parentLevel = level - 1;
    int32_t index = path[parentLevel].ItemIndex;
    if (index == 0 && parentLevel == 0) return;
    TNodeImage parent = ReadNode(sessionId, path[parentLevel].PageNo);
    parent.Entries[size_t(index)].Key = key;
    WriteNode(sessionId, parent);
    if (index != 0) return;
    level = parentLevel;
  }
}

void TVexBTreeRecordPageIndex::RemoveKey(int32_t sessionId, int32_t key) {
  TPath path;
  TNodeImage leaf;
  if (!Locate(sessionId, key, path, &leaf)) return;
  size_t level = path.size() - 1;
  int32_t at = path[level].ItemIndex;
  leaf.Entries.erase(leaf.Entries.begin() + at);
  if (leaf.IsRoot) {
    WriteNode(sessionId, leaf);
    return;
  }
  if (at == 0 && !leaf.Entries.empty())
    RaiseFirstKey(sessionId, path, level, leaf.Entries.front().Key);
  WriteNode(sessionId, leaf);
  MergeIfUnderFull(sessionId, path, level, leaf);
}

// An under-full page moves its entries into its previous or next sibling under the same
// parent and leaves the tree; the parent may then be under full in turn.
void TVexBTreeRecordPageIndex::MergeIfUnderFull(int32_t sessionId, TPath& path, size_t level,
                                                TNodeImage& node) {
  if (node.IsRoot || level == 0) return;
  int32_t entrySize = kKeyBytes + (node.IsLeaf ? kLeafDataBytes : kNodeDataBytes);
  if (int64_t(node.Entries.size()) * entrySize * 2 >= PageManager->PageDataSize - kEntries) return;
  size_t parentLevel = level - 1;
  TNodeImage parent = ReadNode(sessionId, path[parentLevel].PageNo);
  size_t index = size_t(path[parentLevel].ItemIndex);
  size_t capacity = size_t(Capacity(node.IsLeaf));
  // A node's entry 0 key is not kept as a bound; once it is no longer entry 0 it must carry
  // the smallest key of its child again, which is the key the parent holds for the node.
  if (!node.IsLeaf && !node.Entries.empty()) node.Entries.front().Key = parent.Entries[index].Key;

  if (index > 0) {
    TNodeImage prev = ReadNode(sessionId, parent.Entries[index - 1].Value);
    if (prev.Entries.size() + node.Entries.size() <= capacity && prev.Next == node.PageNo) {
      prev.Entries.insert(prev.Entries.end(), node.Entries.begin(), node.Entries.end());
      prev.Next = node.Next;
      if (node.Next != -1) {
        TNodeImage after = ReadNode(sessionId, node.Next);
        after.Prev = prev.PageNo;
        WriteNode(sessionId, after);
      }
      WriteNode(sessionId, prev);
      PageManager->RemovePage(sessionId, node.PageNo);
      parent.Entries.erase(parent.Entries.begin() + long(index));
      WriteNode(sessionId, parent);
      MergeIfUnderFull(sessionId, path, parentLevel, parent);
      return;
    }
  }
  if (index + 1 < parent.Entries.size()) {
    TNodeImage next = ReadNode(sessionId, parent.Entries[index + 1].Value);
    if (next.Entries.size() + node.Entries.size() <= capacity && next.Prev == node.PageNo) {
      if (!next.IsLeaf && !next.Entries.empty())
        next.Entries.front().Key = parent.Entries[index + 1].Key;
      next.Entries.insert(next.Entries.begin(), node.Entries.begin(), node.Entries.end());
      next.Prev = node.Prev;
      if (node.Prev != -1) {
        TNodeImage before = ReadNode(sessionId, node.Prev);
        before.Next = next.PageNo;
        WriteNode(sessionId, before);
      }
      WriteNode(sessionId, next);
      PageManager->RemovePage(sessionId, node.PageNo);
      // The node's entry (with its key, the smallest of the merged page) now names the next.
      parent.Entries[index].Value = next.PageNo;
      parent.Entries.erase(parent.Entries.begin() + long(index) + 1);
      WriteNode(sessionId, parent);
      MergeIfUnderFull(sessionId, path, parentLevel, parent);
    }
  }
}

void TVexBTreeRecordPageIndex::FreeSubtree(int32_t sessionId, int32_t pageNo, int depth,
                                           bool keepThis) {
  if (depth >= int(kMaxDepth)) throw EVexException(20099, "Index error: invalid position");
  TNodeImage node = ReadNode(sessionId, pageNo);
  if (!node.IsLeaf)
    for (const TEntry& e : node.Entries) FreeSubtree(sessionId, e.Value, depth + 1, false);
  if (!keepThis) PageManager->RemovePage(sessionId, pageNo);
}

void TVexBTreeRecordPageIndex::Clear(int32_t sessionId) {
  CheckRoot(20115);
  FreeSubtree(sessionId, RootPageNo, 0, true);
  TNodeImage root;
  root.PageNo = RootPageNo;
  root.IsRoot = true;
  WriteNode(sessionId, root);
}

void TVexBTreeRecordPageIndex::Delete(int32_t sessionId) {
  if (RootPageNo == -1) return;
  FreeSubtree(sessionId, RootPageNo, 0, false);
  RootPageNo = -1;
}

int64_t TVexBTreeRecordPageIndex::TotalCount(int32_t sessionId) {
  CheckRoot(20115);
  TPath path;
  TNodeImage leaf;
  Descend(sessionId, false, path, leaf);
  int64_t total = 0;
  int32_t limit = PageManager->GetTotalPageCount();
  for (int32_t leaves = 0;; ++leaves) {
    if (leaves > limit) throw EVexException(20100, "Index error: invalid page number");
    for (const TEntry& e : leaf.Entries) total += e.Value;
    if (leaf.Next == -1) return total;
    leaf = ReadNode(sessionId, leaf.Next);
  }
}
