// Page encryption throughput per cipher identifier (pages per second for the data area of a
// 4096-byte page), the per-call key derivation, and a page cipher keyed once per password.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/base/VexDecUtil.h"
#include "engine/base/VexPageCipher.h"

namespace {

constexpr int32_t kPageSize = 4096;
constexpr int32_t kDataArea = kPageSize - 40;  // the enciphered part of a page
const std::string kPassword = "correct horse battery staple";

std::vector<uint8_t> Page() {
  std::vector<uint8_t> page(kDataArea);
  for (size_t i = 0; i < page.size(); ++i) page[i] = uint8_t(i * 7 + 3);
  return page;
}

void SetLabel(benchmark::State& state) {
  state.SetLabel(FindCipherIdentifier(uint8_t(state.range(0)))->Name);
}

// EncryptBuffer + DecryptBuffer of one page: two key derivations and two passes.
void BM_EncryptDecryptPage(benchmark::State& state) {
  const uint8_t id = uint8_t(state.range(0));
  auto page = Page();
  for (auto _ : state) {
    EncryptBuffer(id, page.data(), kDataArea, kPassword);
    DecryptBuffer(id, page.data(), kDataArea, kPassword);
    benchmark::DoNotOptimize(page.data());
  }
  state.SetItemsProcessed(state.iterations());
  SetLabel(state);
}

// The part of each call that derives the key: password hash, key schedule, digest encryption.
void BM_KeyDerivation(benchmark::State& state) {
  const TVexCipherIdentifier& id = *FindCipherIdentifier(uint8_t(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(CreatePageCipher(id, kPassword));
  state.SetItemsProcessed(state.iterations());
  SetLabel(state);
}

// Encrypt + decrypt of one page with the key derived once (same bytes as EncryptBuffer).
void BM_EncryptDecryptPageKeyedOnce(benchmark::State& state) {
  TVexPageCipher cipher(uint8_t(state.range(0)), kPassword);
  auto page = Page();
  for (auto _ : state) {
    cipher.Encrypt(page.data(), kDataArea);
    cipher.Decrypt(page.data(), kDataArea);
    benchmark::DoNotOptimize(page.data());
  }
  state.SetItemsProcessed(state.iterations());
  SetLabel(state);
}

}  // namespace

BENCHMARK(BM_EncryptDecryptPage)->DenseRange(0, 7);
BENCHMARK(BM_KeyDerivation)->DenseRange(0, 7);
BENCHMARK(BM_EncryptDecryptPageKeyedOnce)->DenseRange(0, 7);

BENCHMARK_MAIN();
