// TVexDiskTablePagesCacheManager: per session, the tables it works in and, per table, the
// lock counts and the table version under which cached pages were last known valid.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

struct TVexDTPCTableInfo {
  int32_t TableId = -1;
  int32_t ReadLockCount = 0;
  int32_t WriteLockCount = 0;
  bool Valid = false;
  int32_t TableVersion = -1;
};

struct TVexDTPCSessionInfo {
  std::vector<int32_t> TableStack;
  std::vector<TVexDTPCTableInfo> Tables;
};

class TVexDiskTablePagesCacheManager {
 public:
  TVexDTPCTableInfo& TableInfo(int32_t sessionId, int32_t tableId);
  // Lock types 1 (read) and 4 (write) are counted; others are ignored.
  void TableLocked(int32_t sessionId, int32_t tableId, uint8_t lockType);
  void TableUnlocked(int32_t sessionId, int32_t tableId, uint8_t lockType);
  // Records the version read from the table's header (once per lock period).
  void SetTableVersion(int32_t sessionId, int32_t tableId, int32_t tableVersion);
  bool IsTableValid(int32_t sessionId, int32_t tableId);
  void PushTable(int32_t sessionId, int32_t tableId);
  void PopTable(int32_t sessionId);
  // The version of the table the session currently works in, when it is locked and valid.
  std::optional<int32_t> CurrentTableVersion(int32_t sessionId);

 private:
  TVexDTPCSessionInfo& Session(int32_t sessionId);
  std::vector<TVexDTPCSessionInfo> sessions_;  // indexed by session id + 2
};
