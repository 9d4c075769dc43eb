// The 10-byte header at the start of an internal file's first page, and the placement of
// content bytes along the file's chain of pages.
#pragma once

#include <cstdint>

#include "platform/LittleEndian.h"

namespace VexInternalFile {

constexpr int32_t kFileHeaderSize = 10;

struct THeader {
  uint8_t FileHeaderSize = kFileHeaderSize;
  int32_t StoredSize = 0;
  int32_t ContentSize = 0;
  uint8_t Compression = 0;

  void Load(const uint8_t* data) {
    FileHeaderSize = data[0];
    StoredSize = ReadInt32LE(data + 1);
    ContentSize = ReadInt32LE(data + 5);
    Compression = data[9];
  }
  void Store(uint8_t* data) const {
    data[0] = FileHeaderSize;
    WriteInt32LE(data + 1, StoredSize);
    WriteInt32LE(data + 5, ContentSize);
    data[9] = Compression;
  }
};

// Pages of a chain that holds storedSize content bytes with dataSize bytes per page.
inline int64_t PagesFor(int64_t storedSize, int32_t dataSize) {
  return (storedSize + kFileHeaderSize + dataSize - 1) / dataSize;
}

}  // namespace VexInternalFile
