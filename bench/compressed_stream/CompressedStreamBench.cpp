// Compressed BLOB stream throughput: writing and reading a 4 MB value of text-like data with
// zlib and bzip2 at levels 1, 6 and 9 (block size by mode). Writes come in pieces of the block
// size (as stream copies make them) or of 64 KB (each piece then compresses the partly filled
// last block again); reads in 64 KB pieces.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/base/VexCompressedBLOBStream.h"
#include "engine/base/VexCompression.h"
#include "engine/base/VexMemoryStream.h"

namespace {

constexpr int32_t kValueSize = 4 << 20;
constexpr int32_t kPiece = 64 << 10;

// Words from a small vocabulary with numbers: compresses about like licence and title text.
const std::vector<uint8_t>& Value() {
  static const std::vector<uint8_t> value = [] {
    const char* words[] = {"licence", "title", "server", "seat",  "Vivirav", "Irarude",
                           "import",  "count", "valid",  "until", "edition", "user"};
    std::mt19937 rng(42);
    std::string text;
    while (text.size() < size_t(kValueSize)) {
      text += words[rng() % 12];
      text += ' ';
      if (rng() % 5 == 0) text += std::to_string(rng() % 100000) + "\r\n";
    }
    return std::vector<uint8_t>(text.begin(), text.begin() + kValueSize);
  }();
  return value;
}

TVexBLOBDescriptor Descriptor(const benchmark::State& state) {
  TVexBLOBDescriptor d;
  d.CompressionAlgorithm = uint8_t(state.range(0));
  d.CompressionMode = uint8_t(state.range(1));
  return d;
}

void Write(TVexMemoryStream& base, TVexBLOBDescriptor& d, int32_t piece) {
  TVexCompressedBLOBStream s(base, false, true, d);
  if (piece == 0) piece = s.BlockSize();
  for (int32_t pos = 0; pos < kValueSize; pos += piece)
    s.WriteChecked(Value().data() + pos, std::min(piece, kValueSize - pos), 1);
  d = s.Descriptor();
}

void BM_CompressedStreamWrite(benchmark::State& state) {
  double stored = 0;
  for (auto _ : state) {
    TVexMemoryStream base;
    TVexBLOBDescriptor d = Descriptor(state);
    Write(base, d, int32_t(state.range(2)));
    stored = double(base.GetSize());
  }
  state.SetBytesProcessed(state.iterations() * kValueSize);
  state.counters["stored%"] = 100.0 * stored / kValueSize;
  state.SetLabel(CompressionAlgorithmName(uint8_t(state.range(0))));
}

void BM_CompressedStreamRead(benchmark::State& state) {
  TVexMemoryStream base;
  TVexBLOBDescriptor d = Descriptor(state);
  Write(base, d, 0);
  std::vector<uint8_t> piece(kPiece);
  for (auto _ : state) {
    TVexCompressedBLOBStream s(base, false, false, d);
    for (int32_t pos = 0; pos < kValueSize; pos += kPiece) s.ReadChecked(piece.data(), kPiece, 1);
    benchmark::DoNotOptimize(piece.data());
  }
  state.SetBytesProcessed(state.iterations() * kValueSize);
  state.SetLabel(CompressionAlgorithmName(uint8_t(state.range(0))));
}

}  // namespace

// Arguments: algorithm, mode, write piece (0 = the block size).
BENCHMARK(BM_CompressedStreamWrite)
    ->ArgsProduct({{cmpZlib, cmpBzip}, {1, 6, 9}, {0, kPiece}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompressedStreamRead)
    ->ArgsProduct({{cmpZlib, cmpBzip}, {1, 6, 9}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
