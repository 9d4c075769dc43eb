// TVexActiveSessionsFile: session slots and the single-user lock.
#include "engine/storage/ActiveSessionsFile.h"

#include <algorithm>

#include "engine/base/VexExcept.h"
#include "engine/storage/LockPolling.h"

namespace {

// Holds the sessions file's own lock byte while slots change. Waiting for it is bounded; when
// it cannot be had the work goes on without it, as the slot bytes themselves arbitrate.
class TFileLock {
 public:
  TFileLock(TVexInternalDBDirectAccessFile& file, int32_t unlockCode)
      : file_(file), code_(unlockCode), held_(PollLock([&] { return file.LockFile(); })) {}
  // Releases the lock; raises the code when that fails.
  void Release() {
    if (!held_) return;
    held_ = false;
    if (!file_.UnlockFile()) throw EVexException(code_, "Cannot unlock sessions file");
  }
  ~TFileLock() {
    if (held_) file_.UnlockFile();
  }
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

 private:
  TVexInternalDBDirectAccessFile& file_;
  int32_t code_;
  bool held_;
};

}  // namespace

int32_t TVexActiveSessionsFile::Create(int32_t capacity) {
  SessionCapacity = std::max(capacity, 1);
  return File.Create(SessionCapacity);
}

void TVexActiveSessionsFile::Open(int32_t startPageNo) {
  File.Open(startPageNo);
  SessionCapacity = File.Size;
}

int32_t TVexActiveSessionsFile::ConnectSession() {
  if (!PageManager->MultiUser) return 0;
  TFileLock lock(File, 20093);
  int32_t slot = -1;
  for (int32_t i = 0; i < SessionCapacity && slot < 0; ++i)
    if (File.LockByte(i)) slot = i;
  if (slot < 0)
    throw EVexException(20094,
                        "Cannot connect session. Maximum connections quantity exceeded or "
                        "database is open in single-user mode");
  try {
    lock.Release();
  } catch (...) {
    File.UnlockByte(slot);
    throw;
  }
  return slot;
}

void TVexActiveSessionsFile::DisconnectSession(int32_t sessionId) {
  TFileLock lock(File, 20096);
  if (sessionId < 0 || sessionId >= SessionCapacity || !File.UnlockByte(sessionId))
    throw EVexException(20095, "Cannot disconnect session");
  lock.Release();
}

bool TVexActiveSessionsFile::LockSingleUser() {
  TFileLock lock(File, 20240);
  bool free = !File.IsRegionLocked(0, SessionCapacity);
  int32_t locked = 0;
  if (free) {
    while (locked < SessionCapacity && File.LockByte(locked)) ++locked;
    if (locked < SessionCapacity) {  // someone came in meanwhile: give back what we took
      while (locked > 0) File.UnlockByte(--locked);
      free = false;
    }
  }
  lock.Release();
  return free;
}

void TVexActiveSessionsFile::UnlockSingleUser() {
  TFileLock lock(File, 20241);
  for (int32_t i = 0; i < SessionCapacity; ++i) File.UnlockByte(i);
  lock.Release();
}
