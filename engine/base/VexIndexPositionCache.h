// Where in an index the cursor's current record was last found, so that the next step in
// index order need not search for it again.
#pragma once

#include <cstdint>

#include "engine/base/VexNavigation.h"
#include "engine/base/VexOwned.h"

class TVexKeyPath;

class TVexIndexPositionCache {
 public:
  // Whether the cache describes this record in this index.
  bool Describes(int32_t indexID, const TVexRecordIDBytes& recordID) const {
    return Path && IndexID == indexID && RecordID == recordID;
  }
  void Clear() {
    Path.reset();
    IndexID = -1;
  }

  TVexOwned<TVexKeyPath> Path;  // the index's own key path
  int32_t IndexID = -1;
  TVexRecordIDBytes RecordID{};
};
