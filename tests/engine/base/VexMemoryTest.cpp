// The guarded memory manager: block layout, running total, limit, guard faults.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "engine/base/VexExcept.h"
#include "engine/base/VexMemory.h"
#include "tests/engine/base/ExpectVexError.h"

namespace {

uint32_t At32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

TEST(VexMemory, BlockLayoutAroundUserBytes) {
  TVexMemoryManager mm;
  for (uint8_t source : {0, 1, 2}) {
    void* p = mm.GetMemFrom(7, source, true);
    const uint8_t* u = static_cast<uint8_t*>(p);
    EXPECT_EQ(At32(u - 9), 7u);
    EXPECT_EQ(u[-5], source);
    EXPECT_EQ(At32(u - 4), 0xACCACCACu);
    EXPECT_EQ(At32(u + 7), 0xACCEACCEu);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(u[i], 0);
    EXPECT_EQ(mm.GetMemSize(p), 7);
    mm.FreeAndNilMem(p);
    EXPECT_EQ(p, nullptr);
  }
}

TEST(VexMemory, RunningTotalAndLimit) {
  TVexMemoryManager mm;
  void* a = mm.GetMem(100);
  void* b = mm.GetMem(2 << 20);  // large: served from pages
  EXPECT_EQ(mm.TotalAllocated(), 100 + (2 << 20));
  mm.FreeAndNilMem(b);
  EXPECT_EQ(mm.TotalAllocated(), 100);
  mm.SetMemoryLimit(150);
  void* c = mm.GetMem(50);  // exactly reaches the limit
  ExpectVexError([&] { mm.GetMem(1); }, 30004,
                 "Memory limit exceeded (Limit = 150 bytes) - Native error: 30004");
  ExpectVexError([&] { mm.ReallocMem(c, 51); }, 30004);
  EXPECT_EQ(mm.TotalAllocated(), 150);
  EXPECT_EQ(mm.GetAvailableMemory(), 150);
  mm.SetMemoryLimit(0);
  EXPECT_GT(mm.GetAvailableMemory(), 0);
  mm.FreeAndNilMem(a);
  mm.FreeAndNilMem(c);
  EXPECT_EQ(mm.TotalAllocated(), 0);
}

TEST(VexMemory, RequestsThatAreRefused) {
  TVexMemoryManager mm;
  ExpectVexError([&] { mm.GetMem(0); }, 30286, "Cannot allocate 0 bytes - Native error: 30286");
  ExpectVexError([&] { mm.GetMemFrom(8, 3, false); }, 30340,
                 "Unknown GetMem method type: 3 - Native error: 30340");
  ExpectVexError([&] { mm.GetMem(-1); }, 30015);
  EXPECT_EQ(mm.TotalAllocated(), 0);
}

TEST(VexMemory, ReallocKeepsPrefixAndZeroesGrowth) {
  TVexMemoryManager mm;
  void* p = mm.GetMem(4);
  std::memcpy(p, "abcd", 4);
  mm.ReallocMemZero(p, 8);
  EXPECT_EQ(std::memcmp(p, "abcd\0\0\0\0", 8), 0);
  mm.ReallocMem(p, 2);
  EXPECT_EQ(mm.GetMemSize(p), 2);
  EXPECT_EQ(std::memcmp(p, "ab", 2), 0);
  EXPECT_EQ(mm.TotalAllocated(), 2);
  mm.ReallocMem(p, 0);
  EXPECT_EQ(p, nullptr);
  mm.ReallocMem(p, 3);
  EXPECT_EQ(mm.GetMemSize(p), 3);
  mm.FreeAndNilMem(p);
  EXPECT_EQ(mm.TotalAllocated(), 0);
}

TEST(VexMemory, WrongHeadGuardIsAnInvalidPointer) {
  TVexMemoryManager mm;
  // A pointer into an ordinary array: the four bytes before it are not a head guard.
  uint8_t bytes[32] = {};
  void* p = bytes + 16;
  ExpectVexError([&] { mm.FreeAndNilMem(p); }, 30001, "Invalid pointer - Native error: 30001");
  EXPECT_EQ(p, bytes + 16);
  ExpectVexError([&] { mm.ReallocMem(p, 4); }, 30002);
  ExpectVexError([&] { mm.GetMemSize(p); }, 30005);
}

TEST(VexMemory, OverrunIsReportedAfterRelease) {
  TVexMemoryManager mm;
  for (int32_t size : {10, 2 << 20}) {
    void* p = mm.GetMem(size);
    static_cast<uint8_t*>(p)[size] = 0;  // one byte past the end hits the tail guard
    ExpectVexError([&] { mm.FreeAndNilMem(p); }, 30137,
                   "Memory overrun detected - Native error: 30137");
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(mm.TotalAllocated(), 0);
  }
}

TEST(VexMemory, OwnedBlockReleasesItself) {
  const int64_t before = VexMemoryManager().TotalAllocated();
  {
    TVexMemoryBlock block(12, true);
    EXPECT_EQ(block.Size(), 12);
    TVexMemoryBlock moved(std::move(block));
    EXPECT_FALSE(block);
    moved.Resize(20, true);
    EXPECT_EQ(moved.Data()[19], 0);
    EXPECT_EQ(VexMemoryManager().TotalAllocated(), before + 20);
  }
  EXPECT_EQ(VexMemoryManager().TotalAllocated(), before);
}

TEST(VexMemory, RunningTotalUnderConcurrentUse) {
  TVexMemoryManager mm;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&mm, t] {
      for (int i = 0; i < 2000; ++i) {
        void* p = mm.GetMem(1 + (i + t) % 97);
        mm.ReallocMem(p, 1 + i % 13);
        mm.FreeAndNilMem(p);
      }
    });
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(mm.TotalAllocated(), 0);
}
