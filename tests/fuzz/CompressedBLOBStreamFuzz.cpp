// Fuzzes the compressed BLOB stream loader: a descriptor and a base stream of any bytes are
// opened, read through and changed at the end; damaged blocks and headers must give an engine
// error, never a crash, a hang or a read past a buffer.
#include <algorithm>
#include <string>

#include "engine/base/VexCompressedBLOBStream.h"
#include "engine/base/VexCompression.h"
#include "engine/base/VexMemoryStream.h"
#include "tests/fuzz/FuzzDriver.h"

namespace {

// Input: flags (bit 0 tolerant, bit 1 bzip2 instead of zlib, bit 2 change the value), block
// size (2 bytes), block count (2 bytes), then the base stream's bytes.
constexpr size_t kPrefix = 5;

TVexBLOBDescriptor DescriptorOf(const uint8_t* data) {
  TVexBLOBDescriptor d;
  d.CompressionAlgorithm = (data[0] & 2) ? cmpBzip : cmpZlib;
  d.CompressionMode = 1;
  d.BlockSize = std::max(1, data[1] | (data[2] << 8));
  d.BlockCount = data[3] | (data[4] << 8);
  return d;
}

}  // namespace

std::vector<std::vector<uint8_t>> VexFuzzSeeds() {
  std::vector<std::vector<uint8_t>> seeds;
  for (uint8_t flags : {0, 2, 4, 7}) {
    for (int32_t size : {0, 50, 333}) {
      TVexBLOBDescriptor d;
      d.CompressionAlgorithm = (flags & 2) ? cmpBzip : cmpZlib;
      d.CompressionMode = 1;
      d.BlockSize = 100;
      TVexMemoryStream base;
      TVexCompressedBLOBStream s(base, false, true, d);
      std::string value;
      for (int32_t i = 0; i < size; ++i) value += char('a' + i % 7 + i / 60);
      if (size > 0) s.WriteChecked(value.data(), size, 1);
      std::vector<uint8_t> seed = {flags, 100, 0, uint8_t(s.BlockCount()), 0};
      seed.insert(seed.end(), base.Memory(), base.Memory() + base.GetSize());
      seeds.push_back(std::move(seed));
    }
  }
  return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kPrefix) return 0;
  const TVexBLOBDescriptor d = DescriptorOf(data);
  try {
    TVexMemoryStream base;
    base.WriteChecked(data + kPrefix, int32_t(size - kPrefix), 1);
    TVexCompressedBLOBStream s(base, (data[0] & 1) != 0, false, d);
    std::vector<uint8_t> buffer(257);
    int32_t chunk = 1;
    while (s.Read(buffer.data(), chunk) > 0) chunk = chunk % 257 + 1;
    if (data[0] & 4) {
      s.SetSize(s.GetSize() / 2);
      s.SetPosition(s.GetSize() + 3);
      s.WriteChecked("tail", 4, 1);
      s.SetPosition(0);
      while (s.Read(buffer.data(), 257) > 0) {
      }
    }
  } catch (const Exception&) {
    // Damaged input is reported as an engine error.
  }
  return 0;
}
