// TVexInternalDBTransactedAccessFile: an internal file (a byte stream in a chain of pages of
// one page type) read and written through the page cache under a session, so that its changes
// commit or roll back with the session; its content may be compressed.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "engine/storage/PageManager.h"

class TVexInternalDBTransactedAccessFile {
 public:
  struct TSizeInfo {
    int32_t StoredSize = 0;
    int32_t ContentSize = 0;
    uint8_t Compression = 0;
    bool ReadFromDisk = false;
  };

  TVexInternalDBTransactedAccessFile(TVexPageManager* pageManager, uint16_t fileType)
      : PageManager(pageManager), FileType(fileType) {}

  int32_t Create(int32_t sessionId);
  void Delete(int32_t sessionId);
  void Open(int32_t startPageNo) { StartPageNo = startPageNo; }
  bool IsOpen() const { return StartPageNo != -1; }
  TSizeInfo GetSize(int32_t sessionId, bool validate);
  void SetSize(int32_t sessionId, int32_t storedSize, uint8_t compression, int32_t contentSize);
  // Reads count content bytes (decompressed) into buffer.
  void ReadFile(int32_t sessionId, uint8_t* buffer, bool validate, int32_t count);
  // Reads the whole content.
  std::vector<uint8_t> ReadAll(int32_t sessionId, bool validate);
  // Writes count bytes as the new content, compressed when compression is not 0.
  void WriteFile(int32_t sessionId, const uint8_t* buffer, uint8_t level, uint8_t compression,
                 int32_t count);

  TVexPageManager* PageManager;
  int32_t StartPageNo = -1;
  uint16_t FileType;

 private:
  void CheckOpen(const char* operation);
  // Copies stored bytes between buffer and the chain; answers the bytes moved.
  int32_t Transfer(int32_t sessionId, uint8_t* buffer, int32_t count, bool validate, bool write);
  // Removes the pages of the chain from pageNo on (pages in seen are passed over: a chain
  // that loops stops there).
  void RemoveChain(int32_t sessionId, int32_t pageNo, std::unordered_set<int32_t>& seen);
  int32_t DataSize() const { return PageManager->PageDataSize; }
};
