// Forwarding of the value-layer services used by the storage layer.
#include "engine/storage/BaseSeams.h"

#include <unistd.h>
#include <zlib.h>

namespace VexSeams {

bool EncryptBuffer(uint8_t cipherId, uint8_t*, int32_t, const std::string&) {
  return cipherId > 7;
}

bool DecryptBuffer(uint8_t cipherId, uint8_t*, int32_t, const std::string&) {
  return cipherId > 7;
}

bool CompressBuffer(uint8_t algorithm, uint8_t mode, const uint8_t* input, int32_t inputSize,
                    std::vector<uint8_t>& output) {
  if (algorithm != 1 || inputSize <= 0) return false;
  uLongf size = compressBound(uLong(inputSize));
  output.resize(size);
  if (compress2(output.data(), &size, input, uLong(inputSize), mode) != Z_OK) return false;
  output.resize(size);
  return size > 0;
}

bool DecompressBuffer(uint8_t algorithm, const uint8_t* input, int32_t inputSize,
                      int32_t expectedSize, std::vector<uint8_t>& output) {
  if (algorithm != 1 || inputSize <= 0 || expectedSize < 0) return false;
  output.resize(size_t(expectedSize));
  uLongf size = uLongf(expectedSize);
  if (uncompress(output.data(), &size, input, uLong(inputSize)) != Z_OK) return false;
  output.resize(size);
  return true;
}

int64_t AvailableMemory() {
  long pages = sysconf(_SC_AVPHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? int64_t(pages) * pageSize : 0;
}

}  // namespace VexSeams
