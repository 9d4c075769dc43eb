// TVexBTreePage::CheckTree: the structural check of a B-tree that the tests and repairs use.
#include <cstring>
#include <string>
#include <vector>

#include "engine/base/VexExcept.h"
#include "engine/storage/VexBTree.h"

namespace {
std::string PageFault(int32_t pageNo, const std::string& what) {
  return "page " + std::to_string(pageNo) + ": " + what;
}
}  // namespace

std::string TVexBTreePage::CheckTree(int32_t sessionId, bool findEveryEntry, int64_t* entryCount) {
  CheckRoot(20126);
  if (entryCount) *entryCount = 0;
  const int32_t sepSize = SeparatorSize();
  std::vector<uint8_t> previous(static_cast<size_t>(sepSize)), minimum(previous.size()),
      separator(previous.size());
  int64_t budget = int64_t(PageManager.GetTotalPageCount()) + 1;
  std::vector<int32_t> expected{RootPageNo};  // pages the level must hold, in order
  for (int32_t depth = 0; !expected.empty(); ++depth) {
    if (depth >= TVexKeyPath::kMaxLevels) return "tree deeper than a key path";
    std::vector<int32_t> children;
    bool hasPrevious = false;
    int32_t prevPageNo = -1, pageNo = expected.front();
    for (size_t k = 0; k < expected.size(); ++k) {
      if (pageNo != expected[k])
        return PageFault(expected[k], "level link leads to " + std::to_string(pageNo));
      if (--budget < 0) return "more pages in the tree than in the page manager";
      TVexPageGuard page(PageManager, GetTreePage(sessionId, pageNo));
      const TVexBTreePageView v = View(page.get());
      const int32_t n = v.ItemCount();
      if (v.PrevPageNo() != prevPageNo)
        return PageFault(pageNo, "previous link " + std::to_string(v.PrevPageNo()) +
                                     " instead of " + std::to_string(prevPageNo));
      if (v.IsRoot() != (depth == 0)) return PageFault(pageNo, "wrong root flag");
      if (v.BytesFor(n) > DataAreaSize()) return PageFault(pageNo, "over full");
      if (depth > 0 && n == 0) return PageFault(pageNo, "empty page below the root");
      if (v.IsLeaf()) {
        for (int32_t i = 0; i < n; ++i) {
          if (hasPrevious &&
              KeyRef.CompareKeys(previous.data(), v.Key(i),
                                 KeyRef.HasRecordIds ? previous.data() + KeyRef.KeySize : nullptr,
                                 v.TieData(i), sessionId, true) >= 0)
            return PageFault(pageNo, "entry " + std::to_string(i) + " out of order");
          CopySeparator(v, i, previous.data());
          hasPrevious = true;
          if (findEveryEntry) {
            TVexKeyPath path;
            Descend(sessionId, v.Key(i), v.TieData(i), Bound::Lower, true, path);
            if (!Settle(sessionId, path) || path.Leaf().PageNo != pageNo ||
                path.Leaf().ItemIndex != i)
              return PageFault(pageNo, "entry " + std::to_string(i) + " not found by descent");
          }
        }
        if (entryCount) *entryCount += n;
      } else {
        for (int32_t i = 0; i < n; ++i) {
          children.push_back(v.Child(i));
          if (i == 0 && k == 0) continue;  // the leftmost key of a level bounds nothing
          std::memset(minimum.data(), 0, minimum.size());
          SubtreeMinimum(sessionId, v.Child(i), minimum.data());
          uint8_t* sep = separator.data();
          CopySeparator(v, i, sep);
          if (KeyRef.CompareKeys(sep, minimum.data(),
                                 KeyRef.HasRecordIds ? sep + KeyRef.KeySize : nullptr,
                                 KeyRef.HasRecordIds ? minimum.data() + KeyRef.KeySize : nullptr,
                                 sessionId, true) != 0)
            return PageFault(pageNo, "key of entry " + std::to_string(i) +
                                         " differs from its child's smallest entry");
        }
      }
      prevPageNo = pageNo;
      pageNo = v.NextPageNo();
    }
    if (pageNo != -1) return PageFault(prevPageNo, "level goes on past the last child");
    expected.swap(children);
  }
  return "";
}
