// TVexDatabaseFile: the thin object that owns the database file's handle: access and share
// modes, positioned reads and writes, byte locks, and the retry and reconnect rules.
#pragma once

#include <cstdint>
#include <string>

#include "platform/OsFile.h"

class TVexDatabaseFile {
 public:
  TVexDatabaseFile() = default;
  ~TVexDatabaseFile();
  TVexDatabaseFile(const TVexDatabaseFile&) = delete;
  TVexDatabaseFile& operator=(const TVexDatabaseFile&) = delete;

  // Deletes an existing file, then creates it for reading and writing, share mode exclusive.
  void CreateFile(const std::string& fileName);
  // Opens an existing file. AccessMode 0 read, 1 read and write; ShareMode 0 exclusive,
  // 1 share reading and writing, 2 share reading only.
  void OpenFile(const std::string& fileName, uint8_t accessMode, uint8_t shareMode);
  void CloseFile();
  bool Seek(int64_t position);
  void SetPosition(int64_t position, int32_t code = 30372);
  int64_t GetPosition();
  void SetSize(int64_t size);
  int64_t GetSize();
  // Reads count bytes at position; answers false instead of raising.
  bool ReadBuffer(void* buffer, int64_t position, int32_t count);
  void ReadBufferChecked(void* buffer, int32_t code, int64_t position, int32_t count);
  void WriteBuffer(const void* buffer, int32_t code, int64_t position, int32_t count);
  void FlushFileBuffers();
  bool LockByte(int64_t count, int64_t position);
  bool UnlockByte(int64_t count, int64_t position);
  // Whether someone else holds a lock on the byte: locks it, and if that works unlocks it.
  bool IsByteLocked(int64_t position);
  bool IsRegionLocked(int64_t count, int64_t position);

  std::string FileName;
  uint8_t AccessMode = 0;
  uint8_t ShareMode = 1;
  uint32_t FlagsAndAttributes = 0x08000080;
  bool IsOpen = false;
  int32_t OpenNesting = 0;
  bool ConnectionLost = false;

 private:
  void CheckOpen(const char* operation);
  void CheckClosed(const char* operation);
  static OsFile::Access MapAccess(uint8_t accessMode);
  static OsFile::Share MapShare(uint8_t shareMode);
  // Runs op (answering an errno value) once; on failure checks the handle, reconnects when it
  // is lost, and runs op a second time when the handle is valid. Answers the last error.
  template <class Op>
  int Attempt(Op op);
  bool CheckHandle();
  bool Reconnect();
  int LockOnce(int64_t count, int64_t position, bool lock);
  [[noreturn]] void RaiseRead(int32_t code, int64_t position, int32_t count, int error);

  OsFile file_;
  int64_t position_ = 0;
};
