// TVexTableLocksFile: lock-type bytes and record identifier slots.
#include "engine/storage/TableLocksFile.h"

#include <algorithm>

#include "engine/base/VexExcept.h"
#include "platform/LittleEndian.h"

int32_t TVexTableLocksFile::Create(int32_t capacity) {
  SessionCapacity = std::max(capacity, 1);
  return File.Create(12 * SessionCapacity);
}

void TVexTableLocksFile::Open(int32_t startPageNo) {
  File.Open(startPageNo);
  SessionCapacity = File.Size / 12;
}

void TVexTableLocksFile::Delete() {
  File.Delete();
  SessionCapacity = 0;
}

int32_t TVexTableLocksFile::TypeByte(uint8_t lockType, int32_t session) const {
  if (lockType > 5 || session < 0 || session >= SessionCapacity)
    throw EVexException(20200,
                        "Cannot set table lock. Try to repair database or to increase number of "
                        "allowed connections");
  return lockType * SessionCapacity + session;
}

bool TVexTableLocksFile::LockType(uint8_t lockType, int32_t session) {
  return File.LockByte(TypeByte(lockType, session));
}

bool TVexTableLocksFile::UnlockType(uint8_t lockType, int32_t session) {
  return File.UnlockByte(TypeByte(lockType, session));
}

bool TVexTableLocksFile::IsTypeLockedByOthers(uint8_t lockType, int32_t session) {
  int32_t first = TypeByte(lockType, session) - session;
  return File.IsRegionLocked(first, session) ||
         File.IsRegionLocked(first + session + 1, SessionCapacity - session - 1);
}

bool TVexTableLocksFile::IsTypeLockedBy(uint8_t lockType, int32_t session) {
  return File.IsByteLocked(TypeByte(lockType, session));
}

void TVexTableLocksFile::WriteRecordId(int32_t session, int32_t pageNo, uint16_t slot) {
  uint8_t bytes[6];
  WriteInt32LE(bytes, pageNo);
  WriteUInt16LE(bytes + 4, slot);
  TypeByte(0, session);
  File.DirectWriteBuffer(bytes, 6, 6 * SessionCapacity + 6 * session);
}

void TVexTableLocksFile::ReadRecordId(int32_t session, int32_t& pageNo, uint16_t& slot) {
  uint8_t bytes[6];
  TypeByte(0, session);
  File.DirectReadBuffer(bytes, 6, 6 * SessionCapacity + 6 * session);
  pageNo = ReadInt32LE(bytes);
  slot = ReadUInt16LE(bytes + 4);
}
