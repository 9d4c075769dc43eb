// TVexBTreePageIndex: a B-tree of page numbers with a 16-bit count per page, stored in the
// database file (the record page index and the BLOB page index of a table).
#pragma once

#include <cstdint>

#include "engine/storage/PageManager.h"
#include "engine/storage/VexBTree.h"
#include "engine/storage/VexBTreeKeyRef.h"

class TVexBTreePageIndex {
 public:
  // ownerObjectId goes into the page header of every page the index takes (the table's id).
  explicit TVexBTreePageIndex(TVexPageManager& pageManager, int32_t rootPageNo = -1,
                              int32_t ownerObjectId = -1);
  virtual ~TVexBTreePageIndex() = default;

  int32_t RootPageNo() const { return Tree.RootPageNo; }
  void SetRootPageNo(int32_t pageNo) { Tree.RootPageNo = pageNo; }
  // A new empty index (its root page is taken in the session); answers the root page.
  int32_t Create(int32_t sessionId);

  // Traversal in ascending page order; count receives the page's count. A missing root raises
  // 20115 .. 20118; a page that is not in the index 20104 (20105).
  bool FirstPage(int32_t sessionId, int32_t& pageNo, uint16_t* count = nullptr);
  bool LastPage(int32_t sessionId, int32_t& pageNo, uint16_t* count = nullptr);
  bool NextPage(int32_t sessionId, int32_t pageNo, int32_t& next, uint16_t* count = nullptr);
  bool PriorPage(int32_t sessionId, int32_t pageNo, int32_t& prior, uint16_t* count = nullptr);
  // The listed page after (before) pageNo, which need not be listed itself.
  bool PageAfter(int32_t sessionId, int32_t pageNo, bool forward, int32_t& result,
                 uint16_t* count = nullptr);
  // The count of a page; false when the page is not in the index.
  bool Find(int32_t sessionId, int32_t pageNo, uint16_t& count);
  // The count of a page, -1 when it is not in the index.
  int32_t GetPageCount(int32_t sessionId, int32_t pageNo);
  // Adds delta to the page's count; a missing page is inserted with the delta.
  void AddToPage(int32_t sessionId, int32_t pageNo, int32_t delta);
  // Sets the page's count; a count of 0 removes the page.
  void SetPageCount(int32_t sessionId, int32_t pageNo, uint16_t count);
  // A page whose count is below limit: the last leaf's worth of entries from the end backwards,
  // then the first leaf's worth from the start; -1 when none.
  int32_t FindPageWithSpace(int32_t sessionId, int32_t limit);
  // Sum of the counts.
  int64_t TotalCount(int32_t sessionId);
  // Removes every page but the root (an empty index stays).
  void Clear(int32_t sessionId);
  // Removes every page; the root becomes -1.
  void Delete(int32_t sessionId);

  TVexPageKeyRef KeyRef;
  TVexBTreePage Tree;

 private:
  // Where FindPageWithSpace last found a page, so that the AddToPage that usually follows for
  // that page updates its count without a second search (checked against the leaf first).
  struct SpaceHint {
    int32_t SessionId = -1;
    int32_t PageNo = -1;
    TVexKeyPath Path;
  };
  SpaceHint Hint;

  bool Edge(int32_t sessionId, bool first, int32_t& pageNo, uint16_t* count, int32_t code);
  // The listed neighbour of a page that must be listed, or of any page number.
  bool Step(int32_t sessionId, int32_t pageNo, bool forward, bool listed, int32_t& result,
            uint16_t* count);
  void Read(int32_t sessionId, const TVexKeyPath& path, int32_t& pageNo, uint16_t* count);
};
