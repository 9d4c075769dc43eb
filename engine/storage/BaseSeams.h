// The value-layer services the storage layer calls: page encryption, buffer compression and
// the memory available to the engine, gathered in one place so that the storage code depends
// on these few signatures only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace VexSeams {

// In-place encryption of a buffer with a cipher identifier and password; true on success and
// for identifiers without cipher.
bool EncryptBuffer(uint8_t cipherId, uint8_t* buffer, int32_t length, const std::string& password);
bool DecryptBuffer(uint8_t cipherId, uint8_t* buffer, int32_t length, const std::string& password);

// Compresses a buffer with an algorithm (1 zlib, 2 bzip2) at a mode (level); false on failure.
bool CompressBuffer(uint8_t algorithm, uint8_t mode, const uint8_t* input, int32_t inputSize,
                    std::vector<uint8_t>& output);
// Decompresses one compressed buffer to the expected size; false on failure.
bool DecompressBuffer(uint8_t algorithm, const uint8_t* input, int32_t inputSize,
                      int32_t expectedSize, std::vector<uint8_t>& output);

// Memory available to the engine in bytes.
int64_t AvailableMemory();

}  // namespace VexSeams
