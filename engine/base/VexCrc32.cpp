// The two CRC-32 variants of the engine.
#include "engine/base/VexCrc32.h"

#include <zlib.h>

#include <array>
#include <limits>

namespace {

// The usual CRC-32 table of the reflected polynomial 0xEDB88320.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

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
  auto p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) crc = (crc >> 8) ^ kCrcTable[(crc ^ p[i]) & 0xFF];
  return crc;
}
