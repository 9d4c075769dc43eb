// TVexActiveSessionsFile: one lock byte per connection slot in a direct-access internal file.
// A multi-user session holds the byte of its slot; a single-user process holds all of them.
#pragma once

#include <cstdint>

#include "engine/storage/DirectAccessFile.h"

class TVexActiveSessionsFile {
 public:
  explicit TVexActiveSessionsFile(TVexDiskPageManager* pageManager)
      : PageManager(pageManager), File(pageManager, VexLayout::ptActiveSessionList) {}

  int32_t Create(int32_t capacity);
  void Open(int32_t startPageNo);
  // Multi-user: takes the first free slot and answers its index; single-user answers 0.
  int32_t ConnectSession();
  void DisconnectSession(int32_t sessionId);
  // Locks every slot when no slot is locked by anybody; false when someone is connected.
  bool LockSingleUser();
  void UnlockSingleUser();

  TVexDiskPageManager* PageManager;
  TVexInternalDBDirectAccessFile File;
  int32_t SessionCapacity = 0;
};
