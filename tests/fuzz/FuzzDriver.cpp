// A bounded randomized driver for the fuzz harnesses when libFuzzer is not used: it mutates
// the harness's seeds (bit flips, byte changes, truncation, insertion, splicing) and feeds
// each input to the harness for a fixed time. Usage: fuzz_X [--seconds N] [--seed S]
#include "tests/fuzz/FuzzDriver.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

__attribute__((weak)) std::vector<std::vector<uint8_t>> VexFuzzSeeds() {
  return {};
}

int main(int argc, char** argv) {
  double seconds = 5;
  if (const char* env = std::getenv("VEX_FUZZ_SECONDS")) seconds = std::atof(env);
  uint64_t seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atof(argv[i + 1]);
    if (std::strcmp(argv[i], "--seed") == 0) seed = std::strtoull(argv[i + 1], nullptr, 10);
  }
  std::printf("fuzz seed %llu, %.0f seconds\n", static_cast<unsigned long long>(seed), seconds);
  std::fflush(stdout);
  std::mt19937_64 rng(seed);
  std::vector<std::vector<uint8_t>> seeds = VexFuzzSeeds();
  if (seeds.empty()) seeds.push_back({});
  for (const auto& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());

  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  uint64_t runs = 0;
  std::vector<uint8_t> input;
  while (std::chrono::steady_clock::now() < end) {
    for (int batch = 0; batch < 64; ++batch) {
      input = seeds[rng() % seeds.size()];
      int edits = 1 + int(rng() % 8);
      for (int e = 0; e < edits; ++e) {
        switch (rng() % 7) {
          case 0:
            if (!input.empty()) input[rng() % input.size()] ^= uint8_t(1u << (rng() % 8));
            break;
          case 1:
            if (!input.empty()) input[rng() % input.size()] = uint8_t(rng());
            break;
          case 2:
            if (!input.empty()) input.resize(rng() % input.size());
            break;
          case 3:
            input.insert(input.begin() + long(input.empty() ? 0 : rng() % input.size()),
                         uint8_t(rng()));
            break;
          case 4: {  // an interesting value somewhere
            static const uint8_t values[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0xFE};
            if (!input.empty()) input[rng() % input.size()] = values[rng() % 6];
            break;
          }
          case 5:
            if (input.size() >= 4) {  // a large 32-bit little-endian number
              size_t at = rng() % (input.size() - 3);
              uint32_t v = uint32_t(rng());
              std::memcpy(&input[at], &v, 4);
            }
            break;
          default: {
            const auto& other = seeds[rng() % seeds.size()];
            if (!other.empty() && !input.empty()) {
              size_t from = rng() % other.size();
              size_t at = rng() % input.size();
              size_t n = std::min(other.size() - from, input.size() - at);
              std::memcpy(&input[at], &other[from], n);
            }
          }
        }
      }
      LLVMFuzzerTestOneInput(input.data(), input.size());
      ++runs;
    }
  }
  std::printf("fuzz runs %llu, no crash\n", static_cast<unsigned long long>(runs));
  return 0;
}
