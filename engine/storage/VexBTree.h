// TVexBTreePage: the operations of one B-tree over the pages of a page manager: creation of the
// root, search with the six conditions, navigation with key paths, insertion with splits,
// deletion with merges and release of the whole tree. Page indexes and record indexes share it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/base/VexScanSearchCondition.h"
#include "engine/storage/PageManager.h"
#include "engine/storage/VexBTreeKeyRef.h"
#include "engine/storage/VexBTreePageFormat.h"
#include "engine/storage/VexKeyPath.h"

class TVexBTreePage {
 public:
  TVexBTreePage(TVexPageManager& pageManager, TVexBTreeKeyRef& keyRef);
  TVexBTreePage(const TVexBTreePage&) = delete;
  TVexBTreePage& operator=(const TVexBTreePage&) = delete;

  // Takes a new page and makes it the empty root leaf; answers its page number (RootPageNo).
  int32_t CreateRoot(int32_t sessionId);
  // Writes an empty page header into a data area.
  void InitPage(uint8_t* data, bool isRoot, bool isLeaf);
  // IsRoot 1, IsLeaf 1, the root-created flag 1, KeySize from the key reference.
  void InitRoot(uint8_t* data);

  bool FirstEntry(int32_t sessionId, TVexKeyPath& path);
  bool LastEntry(int32_t sessionId, TVexKeyPath& path);
  // Forward: the first entry in index order that meets the condition (a TVexScanCompareType,
  // vscNone for any entry); backward: the last.
  // The key is compared over the key reference's current column count, without ties.
  bool Search(int32_t sessionId, bool forward, TVexKeyPath& path, int32_t condition,
              const uint8_t* key);
  // The entry with this key and tie data (the data is compared only when the key reference
  // orders by it). When the descent misses, the leaf level is walked from its start, so that
  // a tree whose node keys lag behind its leaves still finds every entry.
  bool FindEntry(int32_t sessionId, const uint8_t* key, const uint8_t* data, TVexKeyPath& path);
  // Inserts after all equal keys; splits pages that become over full.
  void InsertEntry(int32_t sessionId, const uint8_t* key, const uint8_t* data);
  // Removes the entry with this key whose leaf data equals data (any data when null); merges
  // pages that become under full. False when there is no such entry.
  bool DeleteEntry(int32_t sessionId, const uint8_t* key, const uint8_t* data);
  // Overwrites the leaf data of the entry a path names.
  void WriteLeafData(int32_t sessionId, const TVexKeyPath& path, const uint8_t* data);
  // Whether a path (perhaps kept from before changes of the tree) still names the entry with
  // this leaf data.
  bool PathHolds(int32_t sessionId, const TVexKeyPath& path, const uint8_t* data);
  // Copies the key and/or the leaf data of the entry a path names (either may be null).
  void ReadEntry(int32_t sessionId, const TVexKeyPath& path, uint8_t* key, uint8_t* data);
  // Visits the entries of the leaf a path names, from the path's entry towards the leaf's start
  // (backward) or end, until visit answers true; answers that entry's item index, -1 when
  // none. The leaf is fetched once for the whole walk.
  int32_t VisitLeaf(int32_t sessionId, const TVexKeyPath& path, bool forward,
                    const std::function<bool(const uint8_t* key, const uint8_t* data)>& visit);
  // Hands the leaf data of the entry a path names to update (the page becomes dirty) when that
  // entry still has this key and its leaf the path's item count; false, nothing changed, when
  // the path does not name it any more.
  bool UpdateAtPath(int32_t sessionId, const TVexKeyPath& path, const uint8_t* key,
                    const std::function<void(uint8_t* data)>& update);
  // Descends from the root along the path's item indexes and copies the leaf data reached.
  void DataAtPath(int32_t sessionId, const TVexKeyPath& path, uint8_t* data);
  // Removes every page of the tree; with keepRoot the root stays as an empty leaf.
  void FreeTree(int32_t sessionId, bool keepRoot);

  // One step in index order; false at the end (beginning). A path without levels raises
  // 20068 (20069); a missing level link 20070 (20071).
  bool Next(int32_t sessionId, TVexKeyPath& path);
  bool Prior(int32_t sessionId, TVexKeyPath& path);
  // Order of two paths of the same tree: -1, 0, 1.
  static int ComparePaths(const TVexKeyPath& a, const TVexKeyPath& b);
  // Position of a path as a fraction of the index: index(0)/count(0) + index(1)/(count(0) *
  // count(1)) + ...
  static double PathFraction(const TVexKeyPath& path);
  // Number of entries (walks the leaf level).
  int64_t CountEntries(int32_t sessionId);
  // 0-based position of the entry a path names (walks the leaf level before it).
  int64_t PathPosition(int32_t sessionId, const TVexKeyPath& path);
  // Path of the entry at a 0-based position; false when there are not that many entries.
  bool PathAtPosition(int32_t sessionId, int64_t position, TVexKeyPath& path);
  // Number of entries that fit a page: (data size - header) div entry size, leaf and node.
  int32_t LeafCapacity() const;
  // Verifies the whole tree: every level a consistent doubly linked list whose pages are the
  // children of the level above in order, no page over full, the leaf level in strictly
  // ascending order, every node key equal to the smallest entry of its child's subtree and,
  // with findEveryEntry, every entry reached by a plain descent. Answers the first fault found
  // ("" when none) and the number of entries.
  std::string CheckTree(int32_t sessionId, bool findEveryEntry, int64_t* entryCount = nullptr);
  int32_t NodeCapacity() const;

  TVexPageManager& PageManager;
  TVexBTreeKeyRef& KeyRef;
  int32_t RootPageNo = -1;
  // Written into the page header of every page the tree takes, when pages have one.
  int32_t OwnerObjectId = -1;

 private:
  class Pin;
  enum class Bound { Lower, Upper };

  TVexPage* GetTreePage(int32_t sessionId, int32_t pageNo);
  TVexPage* AddTreePage(int32_t sessionId);
  // The leaf page a path names, checked to hold the path's entry (the caller releases it).
  TVexPage* PathLeaf(int32_t sessionId, const TVexKeyPath& path);
  TVexBTreePageView View(TVexPage* page);
  void MarkDirty(TVexPage* page) { page->Dirty = true; }
  void CheckRoot(int32_t code) const;
  int32_t DataAreaSize() const { return PageManager.PageDataSize; }

  // Compares a target with entry i of a page: the key over the current column count, then
  // (with tieData) the tie data.
  int CompareEntry(int32_t sessionId, const uint8_t* key, const uint8_t* tieData,
                   const TVexBTreePageView& page, int32_t i, bool resolveTies);
  // Descends to the leaf position of the first entry not below (Lower) or above (Upper) the
  // target; the leaf item index may equal its count. Walks on along the leaf level while the
  // next leaf still holds smaller entries.
  void Descend(int32_t sessionId, const uint8_t* key, const uint8_t* tieData, Bound bound,
               bool resolveTies, TVexKeyPath& path);
  int32_t BoundInPage(int32_t sessionId, const uint8_t* key, const uint8_t* tieData,
                      const TVexBTreePageView& page, int32_t from, Bound bound, bool resolveTies);
  // Makes a path that may stand past a leaf's end name an entry; false when none follows.
  bool Settle(int32_t sessionId, TVexKeyPath& path);
  // Moves one level of a path to the next (prior) page of that level, stepping the ancestors
  // as index order requires; false without a sibling. ancestorsFollowed tells whether the
  // ancestors could be stepped (a consistent tree).
  bool StepLevel(int32_t sessionId, TVexKeyPath& path, int32_t level, bool forward,
                 bool* ancestorsFollowed);
  // Steps to the next (prior) leaf that holds entries.
  bool StepOverEmpty(int32_t sessionId, TVexKeyPath& path, bool forward);
  bool EdgeEntry(int32_t sessionId, TVexKeyPath& path, bool first);
  bool WalkLeavesFor(int32_t sessionId, const uint8_t* key, const uint8_t* data, TVexKeyPath& path);

  // Separator of entry i: its key followed by its tie data when the tree has record ids.
  void CopySeparator(const TVexBTreePageView& page, int32_t i, uint8_t* out) const;
  int32_t SeparatorSize() const;
  // Writes a new smallest key into the ancestors of the page at `level` of a path.
  void FixSeparators(int32_t sessionId, const TVexKeyPath& path, int32_t level,
                     const uint8_t* separator);
  void SubtreeMinimum(int32_t sessionId, int32_t pageNo, uint8_t* separator);
  void InsertAt(int32_t sessionId, TVexKeyPath& path, int32_t level, int32_t position,
                const uint8_t* entry);
  void SplitRoot(int32_t sessionId, TVexPage* root, const uint8_t* entries, int32_t count,
                 int32_t entrySize);
  void RemoveAt(int32_t sessionId, TVexKeyPath& path, int32_t level, int32_t position);
  void MergeIfUnderFull(int32_t sessionId, TVexKeyPath& path, int32_t level);
  void CollapseRoot(int32_t sessionId);
  void RaiseDamaged(int32_t pageNo) const;

  std::vector<uint8_t> scratch_;     // entries of a page being split (one over the page)
  std::vector<uint8_t> entry_;       // an entry being inserted
  std::vector<uint8_t> separator_;   // a separator being propagated
  std::vector<uint8_t> separator2_;  // a second one (node merges, splits)
};
