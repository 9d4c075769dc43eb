// TVexDiskTablePagesCacheManager: lock counts and table versions per session.
#include "engine/storage/TablePagesCache.h"

#include "engine/base/VexExcept.h"

TVexDTPCSessionInfo& TVexDiskTablePagesCacheManager::Session(int32_t sessionId) {
  if (sessionId < -2) throw EVexException(20186, "Invalid Session ID");
  size_t index = size_t(sessionId + 2);
  if (index >= sessions_.size()) sessions_.resize(index + 1);
  return sessions_[index];
}

TVexDTPCTableInfo& TVexDiskTablePagesCacheManager::TableInfo(int32_t sessionId, int32_t tableId) {
  TVexDTPCSessionInfo& s = Session(sessionId);
  for (TVexDTPCTableInfo& t : s.Tables)
    if (t.TableId == tableId) return t;
  s.Tables.push_back(TVexDTPCTableInfo{tableId});
  return s.Tables.back();
}

void TVexDiskTablePagesCacheManager::TableLocked(int32_t sessionId, int32_t tableId,
                                                 uint8_t lockType) {
  TVexDTPCTableInfo& t = TableInfo(sessionId, tableId);
  if (lockType == 1) ++t.ReadLockCount;
  if (lockType == 4) ++t.WriteLockCount;
}

void TVexDiskTablePagesCacheManager::TableUnlocked(int32_t sessionId, int32_t tableId,
                                                   uint8_t lockType) {
  TVexDTPCTableInfo& t = TableInfo(sessionId, tableId);
  if (lockType == 1 && t.ReadLockCount > 0) --t.ReadLockCount;
  if (lockType == 4 && t.WriteLockCount > 0) --t.WriteLockCount;
  if (t.ReadLockCount == 0 && t.WriteLockCount == 0) {
    t.Valid = false;
    t.TableVersion = -1;
  }
}

void TVexDiskTablePagesCacheManager::SetTableVersion(int32_t sessionId, int32_t tableId,
                                                     int32_t tableVersion) {
  TVexDTPCTableInfo& t = TableInfo(sessionId, tableId);
  if (t.Valid) return;
  t.TableVersion = tableVersion;
  t.Valid = true;
}

bool TVexDiskTablePagesCacheManager::IsTableValid(int32_t sessionId, int32_t tableId) {
  return TableInfo(sessionId, tableId).Valid;
}

void TVexDiskTablePagesCacheManager::PushTable(int32_t sessionId, int32_t tableId) {
  Session(sessionId).TableStack.push_back(tableId);
}

void TVexDiskTablePagesCacheManager::PopTable(int32_t sessionId) {
  TVexDTPCSessionInfo& s = Session(sessionId);
  if (!s.TableStack.empty()) s.TableStack.pop_back();
}

std::optional<int32_t> TVexDiskTablePagesCacheManager::CurrentTableVersion(int32_t sessionId) {
  TVexDTPCSessionInfo& s = Session(sessionId);
  if (s.TableStack.empty()) return std::nullopt;
  const TVexDTPCTableInfo& t = TableInfo(sessionId, s.TableStack.back());
  if (t.ReadLockCount + t.WriteLockCount <= 0 || !t.Valid) return std::nullopt;
  return t.TableVersion;
}
