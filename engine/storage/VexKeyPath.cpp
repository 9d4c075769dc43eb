// Key path levels.
#include "engine/storage/VexKeyPath.h"

#include "engine/base/VexExcept.h"

void TVexKeyPath::Push(int32_t pageNo, int32_t itemIndex, int32_t itemCount) {
  if (Count >= kMaxLevels) throw EVexException(20296, "Index page is damaged. PageNo=%d", {pageNo});
  Levels[size_t(Count++)] = {pageNo, itemIndex, itemCount};
}
