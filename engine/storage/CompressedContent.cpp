// Unpacking compressed internal-file content: a single buffer or a chain of blocks.
#include "engine/storage/CompressedContent.h"

#include <cstring>

#include "engine/base/VexCompression.h"
#include "engine/base/VexCrc32.h"
#include "platform/LittleEndian.h"

namespace {

constexpr int32_t kBlockHeaderSize = 20;

struct TBlock {
  int32_t Offset;
  int32_t Compressed;
  int32_t Uncompressed;
  uint32_t Crc;
};

// The blocks of a well-formed chain that covers stored exactly and unpacks to contentSize
// bytes; empty when stored is not such a chain.
std::vector<TBlock> BlockChain(const std::vector<uint8_t>& stored, int32_t contentSize) {
  std::vector<TBlock> blocks;
  int64_t pos = 0, total = 0;
  const int64_t size = int64_t(stored.size());
  while (pos < size) {
    if (size - pos < kBlockHeaderSize) return {};
    const uint8_t* h = stored.data() + pos;
    int32_t c = ReadInt32LE(h), u = ReadInt32LE(h + 4);
    int64_t length = ReadInt64LE(h + 12);
    if (c <= 0 || u <= 0 || length != int64_t(c) + kBlockHeaderSize || length > size - pos)
      return {};
    blocks.push_back({int32_t(pos + kBlockHeaderSize), c, u, ReadUInt32LE(h + 8)});
    total += u;
    pos += length;
  }
  if (total != contentSize) return {};
  return blocks;
}

}  // namespace

int64_t MaxDecompressedSize(int32_t storedSize) {
  return int64_t(storedSize) * 1100 + (1 << 20);
}

bool DecompressContent(uint8_t algorithm, const std::vector<uint8_t>& stored, int32_t contentSize,
                       std::vector<uint8_t>& content) {
  content.clear();
  if (contentSize == 0) return true;
  std::vector<TBlock> blocks = BlockChain(stored, contentSize);
  if (blocks.empty())
    return DecompressBuffer(algorithm, stored.data(), int32_t(stored.size()), contentSize,
                            content) &&
           int64_t(content.size()) == contentSize;
  content.reserve(size_t(contentSize));
  std::vector<uint8_t> part;
  for (const TBlock& b : blocks) {
    if (!DecompressBuffer(algorithm, stored.data() + b.Offset, b.Compressed, b.Uncompressed,
                          part) ||
        int64_t(part.size()) != b.Uncompressed || BlockCrc32(part.data(), part.size()) != b.Crc)
      return false;
    content.insert(content.end(), part.begin(), part.end());
  }
  return true;
}
