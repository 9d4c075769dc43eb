// TVexInternalDBDirectAccessFile: an internal file whose bytes are read and written straight
// in the database file (no cache, no transaction, never encrypted) and serve as lock bytes.
// Byte 0 of its start page is the file lock byte and is therefore never read.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/storage/DiskPageManager.h"

class TVexInternalDBDirectAccessFile {
 public:
  TVexInternalDBDirectAccessFile(TVexDiskPageManager* pageManager, uint16_t fileType)
      : PageManager(pageManager), FileType(fileType) {}

  // Adds the pages in the system session -2 (written in clear at its commit).
  int32_t Create(int32_t size);
  void Delete();
  void Open(int32_t startPageNo);
  bool IsOpen() const { return StartPageNo != -1; }
  int32_t GetSize();
  void DirectReadBuffer(void* buffer, int32_t count, int32_t position);
  void DirectWriteBuffer(const void* buffer, int32_t count, int32_t position);
  bool LockFile();
  bool UnlockFile();
  bool LockByte(int32_t position);
  bool UnlockByte(int32_t position);
  bool IsByteLocked(int32_t position);
  bool IsRegionLocked(int32_t position, int32_t count);

  TVexDiskPageManager* PageManager;
  int32_t StartPageNo = -1;
  uint16_t FileType;
  int32_t Size = 0;
  std::vector<int32_t> ChainPages;

 private:
  void CheckOpen(const char* operation);
  // Page number and offset in page of content byte position.
  std::pair<int32_t, int32_t> Locate(int32_t position);
  template <class Fn>
  void ForEachPart(int32_t count, int32_t position, Fn fn);
};
