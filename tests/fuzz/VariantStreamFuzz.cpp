// Fuzzes the stream loaders of variants and bit arrays: any bytes give loaded values or an
// engine error, never a crash; a loaded value saves to a form that loads to the same form, and
// survives reading, casting and comparing.
#include <cstdlib>
#include <vector>

#include "engine/base/VexBitsArray.h"
#include "engine/base/VexVariant.h"
#include "tests/engine/base/MemoryStreamForTest.h"
#include "tests/fuzz/FuzzDriver.h"

namespace {

std::vector<uint8_t> Save(const TVexVariant& v) {
  TTestByteStream s;
  v.SaveToStream(s);
  return s.Bytes;
}

void Exercise(const TVexVariant& v) {
  const std::vector<uint8_t> saved = Save(v);
  TTestByteStream again(saved);
  TVexVariant reloaded;
  reloaded.LoadFromStream(again);
  if (Save(reloaded) != saved) std::abort();
  (void)v.TextLength();
  try {
    (void)v.AsString();
    (void)v.AsWideString();
  } catch (const Exception&) {
  }
  try {
    (void)v.Compare(reloaded, true);
  } catch (const Exception&) {
  }
  for (int t = 1; t <= 24; t += 1) {
    TVexVariant c(v);
    try {
      c.CastTo(TVexStorageType(t));
      TVexVariant sum(c);
      sum.Add(v);
      sum.Negate();
    } catch (const Exception&) {
    }
  }
}

}  // namespace

std::vector<std::vector<uint8_t>> VexFuzzSeeds() {
  return {
      {0, 3, 0, 4, 0, 0, 0, 'a', 'b', 'c', 0, 7, 0, 4, 0, 0, 0, 5, 0, 0, 0, 7, 255},
      {0, 4, 0, 6, 0, 0, 0, 0xE9, 0, 'x', 0, 0, 0, 21, 0, 2, 0, 0, 0, 0xFF, 0xFF},
      {0,    14, 0, 10, 0, 0, 0, 0,    0,    0,    0, 0,    0,    0,    0x80, 0xFF,
       0x3F, 17, 0, 8,  0, 0, 0, 0x64, 0x46, 0x0B, 0, 0x00, 0x2E, 0x93, 0x02},
      {0, 15, 0, 4, 0, 0, 0, 0, 0, 0, 0x80, 16, 0, 4, 0, 0, 0, 1, 2, 3, 4},
      {0, 18, 0, 3, 0, 0, 0, 1, 2, 3, 19, 0, 2, 0, 0, 0, 'h', 'i', 20, 0, 2, 0, 0, 0, 'h', 0},
      {1, 10, 0, 0, 0, 2, 0, 0, 0, 0x01, 0x02},
  };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  TTestByteStream stream(data + 1, size - 1);
  try {
    if (data[0] % 2 == 0) {
      while (stream.Remaining() > 0) {
        TVexVariant v;
        v.LoadFromStream(stream);
        Exercise(v);
      }
    } else {
      TVexBitsArray bits;
      bits.LoadFromStream(stream);
      if (bits.SetBitCount() != bits.CountSetBits()) std::abort();
      for (int32_t i = bits.FindNextSet(-1); i >= 0; i = bits.FindNextSet(i))
        if (bits.SetBitByOrdinal(bits.OrdinalOfSetBit(i)) != i) std::abort();
    }
  } catch (const Exception&) {
    // Damaged input: an engine error is the expected outcome.
  }
  return 0;
}
