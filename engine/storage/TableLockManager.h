// TVexDatabaseTableLockManager: the table and record locks of a multi-user database. Keeps,
// per session slot, the locks taken (TVexTableLockList) and takes the lock bytes of the
// tables' locks files by the compatibility matrix of the lock types, retrying with a pause.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/storage/TableLocksFile.h"

// Lock types 0..6; compatibility of a held type (row) with a wanted one (column).
bool TableLockTypesCompatible(uint8_t held, uint8_t wanted);

struct TVexTableLockEntry {
  uint8_t LockType = 0;
  int32_t LocksFileId = -1;  // start page of the table's locks file
  int32_t UseCount = 0;
  bool ByteTaken = false;
  bool Option = false;
};

class TVexTableLockList {
 public:
  TVexTableLockEntry* Find(int32_t locksFileId, uint8_t lockType);
  // Raises 20201 when locks are still recorded.
  void CheckEmpty() const;
  std::vector<TVexTableLockEntry> Entries;
};

class TVexDatabaseTableLockManager {
 public:
  TVexDatabaseTableLockManager(TVexDiskPageManager* pageManager, int32_t slots);

  // Takes lock type on the table for the session, trying up to tries times with pauses of
  // (delayMs div 2) + random(delayMs div 2); true at once in single-user or exclusive mode.
  // option: a type 3 request that ignores other sessions' type 2 locks.
  bool LockTable(int32_t sessionId, TVexTableLocksFile& file, uint8_t lockType, int32_t tries,
                 int32_t delayMs, bool option = false);
  void UnlockTable(int32_t sessionId, TVexTableLocksFile& file, uint8_t lockType);
  // Record lock of the session: false when another session holds the same record.
  bool LockRecord(int32_t sessionId, TVexTableLocksFile& file, int32_t pageNo, uint16_t slot);
  void UnlockRecord(int32_t sessionId, TVexTableLocksFile& file);
  bool IsLockingNeeded() const;
  TVexTableLockList& Locks(int32_t sessionId);

  std::vector<std::unique_ptr<TVexTableLockList>> Lists;
  int32_t Slots;
  std::recursive_mutex CriticalSection;
  TVexDiskPageManager* PageManager;

 private:
  bool TryOnce(int32_t sessionId, TVexTableLocksFile& file, uint8_t lockType, bool option);
};
