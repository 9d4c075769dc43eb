// Interface between a fuzz harness and the driver that feeds it. A harness defines
// LLVMFuzzerTestOneInput (the libFuzzer entry) and may define VexFuzzSeeds to give
// well-formed inputs that the driver mutates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Well-formed starting inputs; optional (a weak default returns none).
std::vector<std::vector<uint8_t>> VexFuzzSeeds();
