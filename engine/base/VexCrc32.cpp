// The two CRC-32 variants of the engine.
#include "engine/base/VexCrc32.h"

#include <zlib.h>

#include <limits>

uint32_t ZlibCrc32(const void* data, size_t size, uint32_t crc) {
  auto p = static_cast<const Bytef*>(data);
  uLong sum = crc;
  while (size > 0) {
    const uInt chunk =
        uInt(size < std::numeric_limits<uInt>::max() ? size : std::numeric_limits<uInt>::max());
    sum = crc32(sum, p, chunk);
    p += chunk;
    size -= chunk;
  }
  return uint32_t(sum);
}

uint32_t BlockCrc32(const void* data, size_t size, uint32_t crc) {
  // zlib's crc32 runs the same table update between an inversion before and one after, so
  // inverting around it gives the update without inversions (and zlib's fast code).
  return ~ZlibCrc32(data, size, ~crc);
}
