// Unpacking the stored content of a compressed internal file. This engine writes one
// compressed buffer; files from other writers may hold a chain of compressed blocks with
// 20-byte block headers instead, which is recognised by its headers and read through the
// compressed stream.
#pragma once

#include <cstdint>
#include <vector>

// The largest content size that a stored size can plausibly unpack to.
int64_t MaxDecompressedSize(int32_t storedSize);

// Unpacks stored into contentSize bytes; false when the data is damaged.
bool DecompressContent(uint8_t algorithm, const std::vector<uint8_t>& stored, int32_t contentSize,
                       std::vector<uint8_t>& content);
