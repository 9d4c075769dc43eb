// Unpacking compressed internal-file content: a single buffer or a chain of blocks.
#include "engine/storage/CompressedContent.h"

#include <cstring>

#include "engine/base/VexCompressedBLOBStream.h"
#include "engine/base/VexCompression.h"
#include "engine/base/VexMemoryStream.h"
#include "platform/Exception.h"
#include "platform/LittleEndian.h"

namespace {

constexpr int32_t kBlockHeaderSize = 20;

struct TBlock {
  int32_t Compressed;
  int32_t Uncompressed;
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
    blocks.push_back({c, u});
    total += u;
    pos += length;
  }
  if (total != contentSize) return {};
  for (size_t i = 0; i + 1 < blocks.size(); ++i)
    if (blocks[i].Uncompressed != blocks.front().Uncompressed) return {};
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
  // Every block but the last holds block-size bytes: the compressed stream reads the chain.
  try {
    TVexMemoryStream base(int32_t(stored.size()));
    if (base.Write(stored.data(), int32_t(stored.size())) != int32_t(stored.size())) return false;
    base.Seek(0, TSeekOrigin::soBeginning);
    TVexBLOBDescriptor descriptor;
    descriptor.BlockSize = blocks.front().Uncompressed;
    descriptor.BlockCount = int64_t(blocks.size());
    descriptor.UncompressedSize = contentSize;
    descriptor.StartPosition = 0;
    descriptor.CompressionAlgorithm = algorithm;
    TVexCompressedBLOBStream stream(base, false, false, descriptor);
    content.resize(size_t(contentSize));
    int32_t done = 0;
    while (done < contentSize) {
      int32_t n = stream.Read(content.data() + done, contentSize - done);
      if (n <= 0) return false;
      done += n;
    }
  } catch (const Exception&) {
    return false;
  }
  return true;
}
