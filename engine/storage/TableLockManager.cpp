// TVexDatabaseTableLockManager: compatibility matrix, retries, record locks.
#include "engine/storage/TableLockManager.h"

#include <random>

#include "engine/base/VexExcept.h"
#include "engine/storage/LockPolling.h"

namespace {

constexpr uint8_t kCompatible[7][7] = {
    {1, 1, 1, 1, 1, 1, 0}, {1, 1, 1, 1, 0, 1, 0}, {1, 1, 1, 0, 1, 1, 0}, {1, 1, 0, 0, 0, 1, 0},
    {1, 0, 1, 0, 0, 1, 0}, {1, 1, 1, 1, 1, 1, 0}, {0, 0, 0, 0, 0, 0, 0},
};
constexpr uint8_t kExclusive = 6;
constexpr uint8_t kRecordLock = 5;

}  // namespace

bool TableLockTypesCompatible(uint8_t held, uint8_t wanted) {
  return held <= 6 && wanted <= 6 && kCompatible[held][wanted] != 0;
}

TVexTableLockEntry* TVexTableLockList::Find(int32_t locksFileId, uint8_t lockType) {
  for (TVexTableLockEntry& e : Entries)
    if (e.LocksFileId == locksFileId && e.LockType == lockType) return &e;
  return nullptr;
}

void TVexTableLockList::CheckEmpty() const {
  if (!Entries.empty()) throw EVexException(20201, "Some table locks still exist");
}

TVexDatabaseTableLockManager::TVexDatabaseTableLockManager(TVexDiskPageManager* pageManager,
                                                           int32_t slots)
    : Slots(slots), PageManager(pageManager) {
  for (int32_t i = 0; i < slots; ++i) Lists.push_back(std::make_unique<TVexTableLockList>());
}

bool TVexDatabaseTableLockManager::IsLockingNeeded() const {
  return PageManager->MultiUser && !PageManager->Exclusive;
}

TVexTableLockList& TVexDatabaseTableLockManager::Locks(int32_t sessionId) {
  if (sessionId < 0 || sessionId >= Slots)
    throw EVexException(20200,
                        "Cannot set table lock. Try to repair database or to increase number of "
                        "allowed connections");
  return *Lists[size_t(sessionId)];
}

bool TVexDatabaseTableLockManager::TryOnce(int32_t sessionId, TVexTableLocksFile& file,
                                           uint8_t lockType, bool option) {
  if (!file.LockFile()) return false;  // another session has the table open exclusively
  bool keepFileLock = false;
  struct Release {
    TVexTableLocksFile& f;
    bool& keep;
    ~Release() {
      if (!keep) f.UnlockFile();
    }
  } release{file, keepFileLock};
  for (uint8_t held = 0; held < kExclusive; ++held) {
    if (TableLockTypesCompatible(held, lockType)) continue;
    if (option && lockType == 3 && held == 2) continue;
    if (file.IsTypeLockedByOthers(held, sessionId)) return false;
  }
  bool byte = false;
  if (lockType == kExclusive) {
    keepFileLock = true;
    byte = true;
  } else {
    if (!file.LockType(lockType, sessionId)) throw EVexException(20203, "Cannot set table lock");
    byte = true;
  }
  Locks(sessionId).Entries.push_back({lockType, file.StartPageNo(), 1, byte, option});
  return true;
}

bool TVexDatabaseTableLockManager::LockTable(int32_t sessionId, TVexTableLocksFile& file,
                                             uint8_t lockType, int32_t tries, int32_t delayMs,
                                             bool option) {
  if (!IsLockingNeeded()) return true;
  std::unique_lock<std::recursive_mutex> guard(CriticalSection);
  TVexTableLockList& list = Locks(sessionId);
  if (TVexTableLockEntry* own = list.Find(file.StartPageNo(), lockType)) {
    if (lockType == 2) return false;
    ++own->UseCount;
    return true;
  }
  for (const TVexTableLockEntry& e : list.Entries)
    if (e.LocksFileId == file.StartPageNo() && !TableLockTypesCompatible(e.LockType, lockType))
      return false;
  static thread_local std::mt19937 rng{std::random_device{}()};
  for (int32_t i = 0; i < tries; ++i) {
    if (TryOnce(sessionId, file, lockType, option)) return true;
    if (i + 1 < tries) {
      int32_t half = delayMs / 2;
      int32_t pause =
          half + (half > 0 ? std::uniform_int_distribution<int32_t>(0, half - 1)(rng) : 0);
      guard.unlock();
      VexSleep(pause);
      guard.lock();
    }
  }
  return false;
}

void TVexDatabaseTableLockManager::UnlockTable(int32_t sessionId, TVexTableLocksFile& file,
                                               uint8_t lockType) {
  if (!IsLockingNeeded()) return;
  std::lock_guard<std::recursive_mutex> guard(CriticalSection);
  TVexTableLockList& list = Locks(sessionId);
  TVexTableLockEntry* e = list.Find(file.StartPageNo(), lockType);
  if (!e) throw EVexException(20202, "Cannot remove table lock. Lock not found");
  if (--e->UseCount > 0) return;
  bool ok = true;
  if (e->ByteTaken)
    ok = lockType == kExclusive ? file.UnlockFile() : file.UnlockType(lockType, sessionId);
  list.Entries.erase(list.Entries.begin() + (e - list.Entries.data()));
  if (!ok) throw EVexException(20204, "Cannot unlock table");
}

bool TVexDatabaseTableLockManager::LockRecord(int32_t sessionId, TVexTableLocksFile& file,
                                              int32_t pageNo, uint16_t slot) {
  if (!IsLockingNeeded()) return true;
  std::lock_guard<std::recursive_mutex> guard(CriticalSection);
  if (!PollLock([&] { return file.LockFile(); })) return false;
  struct Release {
    TVexTableLocksFile& f;
    ~Release() { f.UnlockFile(); }
  } release{file};
  for (int32_t other = 0; other < file.SessionCapacity; ++other) {
    if (other == sessionId || !file.IsTypeLockedBy(kRecordLock, other)) continue;
    int32_t otherPage;
    uint16_t otherSlot;
    file.ReadRecordId(other, otherPage, otherSlot);
    if (otherPage == pageNo && otherSlot == slot) return false;
  }
  file.WriteRecordId(sessionId, pageNo, slot);
  if (!file.LockType(kRecordLock, sessionId)) throw EVexException(20205, "Cannot lock record");
  return true;
}

void TVexDatabaseTableLockManager::UnlockRecord(int32_t sessionId, TVexTableLocksFile& file) {
  if (!IsLockingNeeded()) return;
  std::lock_guard<std::recursive_mutex> guard(CriticalSection);
  if (!file.UnlockType(kRecordLock, sessionId)) throw EVexException(20206, "Cannot unlock record");
}
