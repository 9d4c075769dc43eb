// TVexBTreeRecordPageIndex: the B-tree (pages of type 12) that lists a table's record pages by
// page number with the number of records on each. A sequential scan walks its leaf level;
// insertion splits full pages, deletion merges under-full pages with a sibling of the same
// parent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TVexPageManager;
class TVexPage;

// The B-tree page data area shared by every index (offsets inside the page data).
namespace VexBTreeLayout {
constexpr int kIsRoot = 0;
constexpr int kIsLeaf = 1;
constexpr int kPrevPageNo = 2;
constexpr int kNextPageNo = 6;
constexpr int kRootCreated = 10;
constexpr int kHasRecordIds = 11;
constexpr int kKeySize = 12;
constexpr int kItemCount = 14;
constexpr int kExtraHeaderSize = 16;
constexpr int kEntries = 18;
}  // namespace VexBTreeLayout

class TVexBTreeRecordPageIndex {
 public:
  // One level of a path from the root to a leaf entry.
  struct TLevel {
    int32_t PageNo = -1;
    int32_t ItemIndex = 0;
    int32_t ItemCount = 0;
  };
  using TPath = std::vector<TLevel>;

  TVexBTreeRecordPageIndex(TVexPageManager* pageManager, int32_t ownerObjectId)
      : PageManager(pageManager), OwnerObjectId(ownerObjectId) {}

  // A new empty root (a leaf) in the session; RootPageNo becomes its page number.
  void Create(int32_t sessionId);
  // Answers the first (last) listed page; false when the index is empty.
  bool FirstPage(int32_t sessionId, int32_t& pageNo);
  bool LastPage(int32_t sessionId, int32_t& pageNo);
  // The listed page after (before) pageNo, which must be listed (20104, 20105).
  bool NextPage(int32_t sessionId, int32_t pageNo, int32_t& next);
  bool PriorPage(int32_t sessionId, int32_t pageNo, int32_t& prior);
  // The listed page after (before) pageNo, which need not be listed itself (a page that its
  // last record just left).
  bool PageAfter(int32_t sessionId, int32_t pageNo, bool forward, int32_t& result);
  // A listed page holding fewer than recordsPerPage records, -1 when none is found among the
  // last and the first leaf's worth of entries.
  int32_t FindPageWithSpace(int32_t sessionId, int32_t recordsPerPage);
  // Adds delta to the page's count, listing the page with count delta when it is missing.
  void AddToPage(int32_t sessionId, int32_t pageNo, int32_t delta);
  // Sets the page's count; 0 removes the page from the index.
  void SetPageCount(int32_t sessionId, int32_t pageNo, int32_t count);
  // The count stored for a page, -1 when the page is not listed.
  int32_t GetPageCount(int32_t sessionId, int32_t pageNo);
  // Removes every page but the root, which becomes an empty leaf.
  void Clear(int32_t sessionId);
  // Removes every page of the tree; RootPageNo becomes -1.
  void Delete(int32_t sessionId);
  // Sum of the counts of all listed pages.
  int64_t TotalCount(int32_t sessionId);

  TVexPageManager* PageManager;
  int32_t OwnerObjectId;
  int32_t RootPageNo = -1;

 private:
  struct TEntry {
    int32_t Key;
    int32_t Value;  // leaf: record count; node: child page
  };
  // An index page read into entries, written back on request.
  struct TNodeImage {
    int32_t PageNo = -1;
    bool IsRoot = false;
    bool IsLeaf = true;
    int32_t Prev = -1;
    int32_t Next = -1;
    std::vector<TEntry> Entries;
  };
  TNodeImage ReadNode(int32_t sessionId, int32_t pageNo);
  void WriteNode(int32_t sessionId, const TNodeImage& node);
  TNodeImage NewNode(int32_t sessionId, bool isLeaf);
  int32_t Capacity(bool isLeaf) const;
  void CheckRoot(int32_t code) const;
  // Descends to the leaf that holds (or would hold) key; answers the path and whether the
  // key is there (the leaf level's ItemIndex is then its entry, else the insert position).
  bool Locate(int32_t sessionId, int32_t key, TPath& path, TNodeImage* leaf);
  bool StepFrom(int32_t sessionId, int32_t pageNo, bool forward, bool mustBeListed,
                int32_t& result);
  void Descend(int32_t sessionId, bool last, TPath& path, TNodeImage& leaf);
  bool Step(int32_t sessionId, TPath& path, TNodeImage& leaf, bool forward, int32_t linkCode);
  void InsertKey(int32_t sessionId, int32_t key, int32_t count);
  void RemoveKey(int32_t sessionId, int32_t key);
  void InsertIntoParent(int32_t sessionId, TPath& path, size_t level, TNodeImage& node);
  void SplitRoot(int32_t sessionId, TNodeImage& root);
  void RaiseFirstKey(int32_t sessionId, const TPath& path, size_t level, int32_t key);
  void MergeIfUnderFull(int32_t sessionId, TPath& path, size_t level, TNodeImage& node);
  void FreeSubtree(int32_t sessionId, int32_t pageNo, int depth, bool keepThis);
};
