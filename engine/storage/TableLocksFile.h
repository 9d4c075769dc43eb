// TVexTableLocksFile: the lock bytes of one table in a direct-access internal file of 12 x N
// bytes: byte t x N + s says session s holds lock type t (0..5, 5 the record lock), and six
// bytes per session hold the identifier of the record it locked. Lock type 6 (exclusive
// open) is the file's own lock byte.
#pragma once

#include <cstdint>

#include "engine/storage/DirectAccessFile.h"

class TVexTableLocksFile {
 public:
  explicit TVexTableLocksFile(TVexDiskPageManager* pageManager)
      : PageManager(pageManager), File(pageManager, VexLayout::ptTableLocks) {}

  int32_t Create(int32_t capacity);
  void Open(int32_t startPageNo);
  void Delete();
  int32_t StartPageNo() const { return File.StartPageNo; }

  bool LockFile() { return File.LockFile(); }
  bool UnlockFile() { return File.UnlockFile(); }
  bool LockType(uint8_t lockType, int32_t session);
  bool UnlockType(uint8_t lockType, int32_t session);
  // Whether a session other than session holds the lock type.
  bool IsTypeLockedByOthers(uint8_t lockType, int32_t session);
  bool IsTypeLockedBy(uint8_t lockType, int32_t session);
  void WriteRecordId(int32_t session, int32_t pageNo, uint16_t slot);
  void ReadRecordId(int32_t session, int32_t& pageNo, uint16_t& slot);

  TVexDiskPageManager* PageManager;
  TVexInternalDBDirectAccessFile File;
  int32_t SessionCapacity = 0;

 private:
  int32_t TypeByte(uint8_t lockType, int32_t session) const;
};
