// Block compression of the engine: algorithm codes and names, the default block size of a
// compression mode, and the compress/decompress buffer routines (zlib, bzip2).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Compression algorithm codes, stored as a byte in field definitions and BLOB descriptors.
constexpr uint8_t cmpNone = 0;
constexpr uint8_t cmpZlib = 1;
constexpr uint8_t cmpBzip = 2;
constexpr uint8_t cmpPPM = 3;

// The code of an algorithm name ("NONE", "ZLIB", "BZIP", "PPM"), in any letter case; 0 for
// any other text.
uint8_t CompressionAlgorithmByName(std::string_view name);
// The name of an algorithm code; "NONE" for an unknown code.
std::string CompressionAlgorithmName(uint8_t algorithm);

// Block size of a new compressed stream whose descriptor gives block size 0: mode 0, 102400;
// modes 1..3, 524288; 4..6, 1048576; 7..9 (and above), 1572864.
int32_t DefaultBlockSizeByMode(uint8_t mode);

// Compresses inSize bytes with the algorithm at the level (zlib) or block size (bzip2) given
// by mode. True with the compressed bytes in output; false on any failure: algorithm 0 or 3
// (PPM is not supported), input size 0, a library error, or a result of 0 bytes.
bool CompressBuffer(uint8_t algorithm, uint8_t mode, const void* input, int32_t inSize,
                    std::vector<uint8_t>& output);

// Decompresses inSize bytes that should give outSize bytes. True with the bytes in output;
// false on any failure: algorithm 0 or 3, input size 0, damaged or truncated data, or data
// that decompresses to more than outSize bytes (decompression stops there, so damaged data
// never allocates more than the caller expects).
bool DecompressBuffer(uint8_t algorithm, const void* input, int32_t inSize, int32_t outSize,
                      std::vector<uint8_t>& output);
