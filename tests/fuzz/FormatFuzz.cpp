// Fuzzes the message format routine and the engine exception: any format text with any
// arguments gives a message or EConvertError, never a crash.
#include <string>

#include "engine/base/VexExcept.h"
#include "tests/fuzz/FuzzDriver.h"

std::vector<std::vector<uint8_t>> VexFuzzSeeds() {
  std::vector<std::vector<uint8_t>> seeds;
  for (std::string s : {"Table '%s' not found", "%d at line %d, column %d", "%5.2f %x %1:s %*d"})
    seeds.emplace_back(s.begin(), s.end());
  return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string fmt(reinterpret_cast<const char*>(data), size);
  EVexException e(10000, fmt, {"name", 12, 3.5, -7});
  (void)e.Message();
  return 0;
}
