// TVexBTreePageIndex: page-number keys with counts over the general B-tree.
#include "engine/storage/VexBTreePageIndex.h"

#include "engine/base/VexExcept.h"
#include "platform/LittleEndian.h"

TVexBTreePageIndex::TVexBTreePageIndex(TVexPageManager& pageManager, int32_t rootPageNo,
                                       int32_t ownerObjectId)
    : Tree(pageManager, KeyRef) {
  Tree.RootPageNo = rootPageNo;
  Tree.OwnerObjectId = ownerObjectId;
}

int32_t TVexBTreePageIndex::Create(int32_t sessionId) {
  return Tree.CreateRoot(sessionId);
}

void TVexBTreePageIndex::Read(int32_t sessionId, const TVexKeyPath& path, int32_t& pageNo,
                              uint16_t* count) {
  uint8_t key[4], data[2];
  Tree.ReadEntry(sessionId, path, key, data);
  pageNo = ReadInt32LE(key);
  if (count) *count = ReadUInt16LE(data);
}

bool TVexBTreePageIndex::Edge(int32_t sessionId, bool first, int32_t& pageNo, uint16_t* count,
                              int32_t code) {
  if (Tree.RootPageNo < 0) throw EVexException(code, "Index error: invalid page number");
  TVexKeyPath path;
  if (!(first ? Tree.FirstEntry(sessionId, path) : Tree.LastEntry(sessionId, path))) return false;
  Read(sessionId, path, pageNo, count);
  return true;
}

bool TVexBTreePageIndex::FirstPage(int32_t sessionId, int32_t& pageNo, uint16_t* count) {
  return Edge(sessionId, true, pageNo, count, 20115);
}

bool TVexBTreePageIndex::LastPage(int32_t sessionId, int32_t& pageNo, uint16_t* count) {
  return Edge(sessionId, false, pageNo, count, 20116);
}

bool TVexBTreePageIndex::Step(int32_t sessionId, int32_t pageNo, bool forward, bool listed,
                              int32_t& result, uint16_t* count) {
  if (Tree.RootPageNo < 0)
    throw EVexException(forward ? 20117 : 20118, "Index error: invalid page number");
  uint8_t key[4];
  WriteInt32LE(key, pageNo);
  TVexKeyPath path;
  if (listed) {
    if (!Tree.FindEntry(sessionId, key, nullptr, path))
      throw EVexException(forward ? 20104 : 20105, "Invalid page number");
    if (!(forward ? Tree.Next(sessionId, path) : Tree.Prior(sessionId, path))) return false;
  } else if (!Tree.Search(sessionId, forward, path, forward ? vscGreater : vscLess, key)) {
    return false;
  }
  Read(sessionId, path, result, count);
  return true;
}

bool TVexBTreePageIndex::NextPage(int32_t sessionId, int32_t pageNo, int32_t& next,
                                  uint16_t* count) {
  return Step(sessionId, pageNo, true, true, next, count);
}

bool TVexBTreePageIndex::PriorPage(int32_t sessionId, int32_t pageNo, int32_t& prior,
                                   uint16_t* count) {
  return Step(sessionId, pageNo, false, true, prior, count);
}

bool TVexBTreePageIndex::PageAfter(int32_t sessionId, int32_t pageNo, bool forward, int32_t& result,
                                   uint16_t* count) {
  return Step(sessionId, pageNo, forward, false, result, count);
}

int32_t TVexBTreePageIndex::GetPageCount(int32_t sessionId, int32_t pageNo) {
  uint16_t count;
  return Find(sessionId, pageNo, count) ? count : -1;
}

bool TVexBTreePageIndex::Find(int32_t sessionId, int32_t pageNo, uint16_t& count) {
  uint8_t key[4];
  WriteInt32LE(key, pageNo);
  TVexKeyPath path;
  if (!Tree.FindEntry(sessionId, key, nullptr, path)) return false;
  int32_t found;
  Read(sessionId, path, found, &count);
  return true;
}

void TVexBTreePageIndex::AddToPage(int32_t sessionId, int32_t pageNo, int32_t delta) {
  uint8_t key[4], data[2];
  WriteInt32LE(key, pageNo);
  const SpaceHint hint = Hint;
  Hint = {};
  auto add = [delta](uint8_t* d) { WriteUInt16LE(d, uint16_t(ReadUInt16LE(d) + delta)); };
  if (hint.SessionId == sessionId && hint.PageNo == pageNo) {
    // A hint outdated by a rollback may name a page that is no leaf of this tree any more;
    // the search below then finds the entry (or reports the damage) as without a hint.
    try {
      if (Tree.UpdateAtPath(sessionId, hint.Path, key, add)) return;
    } catch (const EVexException&) {
    }
  }
  TVexKeyPath path;
  if (Tree.FindEntry(sessionId, key, nullptr, path)) {
    Tree.ReadEntry(sessionId, path, nullptr, data);
    WriteUInt16LE(data, uint16_t(ReadUInt16LE(data) + delta));
    Tree.WriteLeafData(sessionId, path, data);
    return;
  }
  WriteUInt16LE(data, uint16_t(delta));
  Tree.InsertEntry(sessionId, key, data);
}

void TVexBTreePageIndex::SetPageCount(int32_t sessionId, int32_t pageNo, uint16_t count) {
  Hint = {};
  uint8_t key[4], data[2];
  WriteInt32LE(key, pageNo);
  if (count == 0) {
    Tree.DeleteEntry(sessionId, key, nullptr);
    return;
  }
  WriteUInt16LE(data, count);
  TVexKeyPath path;
  if (Tree.FindEntry(sessionId, key, nullptr, path))
    Tree.WriteLeafData(sessionId, path, data);
  else
    Tree.InsertEntry(sessionId, key, data);
}

int32_t TVexBTreePageIndex::FindPageWithSpace(int32_t sessionId, int32_t limit) {
  Hint = {};
  for (const bool fromEnd : {true, false}) {
    TVexKeyPath path;
    if (!(fromEnd ? Tree.LastEntry(sessionId, path) : Tree.FirstEntry(sessionId, path))) return -1;
    int32_t found = -1;
    const int32_t at =
        Tree.VisitLeaf(sessionId, path, !fromEnd, [&](const uint8_t* key, const uint8_t* data) {
          if (ReadUInt16LE(data) >= limit) return false;
          found = ReadInt32LE(key);
          return true;
        });
    if (at >= 0) {
      path.Leaf().ItemIndex = at;
      Hint = {sessionId, found, path};
      return found;
    }
  }
  return -1;
}

int64_t TVexBTreePageIndex::TotalCount(int32_t sessionId) {
  int64_t total = 0;
  TVexKeyPath path;
  if (!Tree.FirstEntry(sessionId, path)) return 0;
  // Level links that run in a circle would never end the walk.
  int64_t budget = (int64_t(Tree.PageManager.GetTotalPageCount()) + 1) * Tree.LeafCapacity();
  do {
    if (--budget < 0)
      throw EVexException(20296, "Index page is damaged. PageNo=%d", {path.Leaf().PageNo});
    int32_t pageNo;
    uint16_t count;
    Read(sessionId, path, pageNo, &count);
    total += count;
  } while (Tree.Next(sessionId, path));
  return total;
}

void TVexBTreePageIndex::Clear(int32_t sessionId) {
  Hint = {};
  Tree.FreeTree(sessionId, true);
}

void TVexBTreePageIndex::Delete(int32_t sessionId) {
  Hint = {};
  Tree.FreeTree(sessionId, false);
}
