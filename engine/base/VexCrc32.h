// The two CRC-32 variants of the engine: the standard zlib CRC-32 (page and password checks)
// and the compressed-block CRC (reflected table CRC started from 0, no final inversion).
#pragma once

#include <cstddef>
#include <cstdint>

// Standard CRC-32 as zlib's crc32 computes it, started from 0 (initial value 0 for a new sum).
uint32_t ZlibCrc32(const void* data, size_t size, uint32_t crc = 0);

// CRC of the uncompressed bytes of a compressed block: for each byte b,
// crc := (crc shr 8) xor table[(crc xor b) and 0xFF] with the reflected polynomial
// 0xEDB88320, started from crc (0 for a new sum) and not inverted. "abc" gives 0xCA6598D0.
uint32_t BlockCrc32(const void* data, size_t size, uint32_t crc = 0);
