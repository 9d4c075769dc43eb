// The integer array's stepped growth and the bit array's searches, rank/select and stream form.
#include <gtest/gtest.h>

#include "engine/base/VexBitsArray.h"
#include "engine/base/VexIntegerArray.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/MemoryStreamForTest.h"

TEST(VexIntegerArray, GrowthStepDoublesUpToMaximum) {
  TVexIntegerArray a(0, 8, 2);
  // Capacity after each append: step doubles 4, 8, 8 ...
  const int32_t capacity[] = {4, 4, 4, 4, 12, 12, 12, 12, 12, 12, 12, 12, 20};
  for (int32_t i = 0; i < 13; ++i) {
    a.Append(i * 10);
    EXPECT_EQ(a.Capacity(), capacity[i]) << i;
  }
  EXPECT_EQ(a.Count(), 13);
  a.SetCount(100);  // larger than capacity + step: straight to the count
  EXPECT_EQ(a.Capacity(), 100);
  EXPECT_EQ(a[99], 0);
}

TEST(VexIntegerArray, ShrinkReleasesOnlyBeyondTheStep) {
  TVexIntegerArray a(10, 16, 4);
  a.SetCount(6);  // 4 unused: not above the shrink step
  EXPECT_EQ(a.Capacity(), 10);
  a.SetCount(5);  // 5 unused: released, step doubles
  EXPECT_EQ(a.Capacity(), 5);
  EXPECT_EQ(a.ShrinkStep(), 8);
}

TEST(VexIntegerArray, DeleteMovesLaterItemsDownAndContains) {
  TVexIntegerArray a;
  for (int v : {5, 6, 7, 8}) a.Append(v);
  a.Delete(1);
  ASSERT_EQ(a.Count(), 3);
  EXPECT_EQ(a[0], 5);
  EXPECT_EQ(a[1], 7);
  EXPECT_EQ(a[2], 8);
  EXPECT_TRUE(a.Contains(8));
  EXPECT_FALSE(a.Contains(6));
  EXPECT_THROW(a.Delete(3), EVexException);
  a.SetCount(1);
  a.SetCount(3);  // items reached again start at 0
  EXPECT_EQ(a[1], 0);
}

TEST(VexBitsArray, SetCountIsMaintained) {
  TVexBitsArray b(20);
  b.SetBit(3, true);
  b.SetBit(3, true);
  b.SetBit(17, true);
  EXPECT_EQ(b.SetBitCount(), 2);
  b.SetBit(3, false);
  EXPECT_EQ(b.SetBitCount(), 1);
  b.SetAll(true);
  EXPECT_EQ(b.SetBitCount(), 20);
  EXPECT_EQ(b.CountSetBits(), 20);  // no stray bits past the end
  b.SetSize(10);
  EXPECT_EQ(b.SetBitCount(), 10);
  b.SetSize(30);
  EXPECT_FALSE(b.GetBit(29));
  EXPECT_EQ(b.SetBitCount(), 10);
}

TEST(VexBitsArray, SearchesRankAndSelect) {
  TVexBitsArray b(40);
  for (int32_t i : {1, 9, 10, 33}) b.SetBit(i, true);
  EXPECT_EQ(b.FindFirst(true), 1);
  EXPECT_EQ(b.FindFirst(false), 0);
  EXPECT_EQ(b.FindNextSet(-1), 1);
  EXPECT_EQ(b.FindNextSet(1), 9);
  EXPECT_EQ(b.FindNextSet(10), 33);
  EXPECT_EQ(b.FindNextSet(33), -1);
  EXPECT_EQ(b.FindPriorSet(-1), 33);
  EXPECT_EQ(b.FindPriorSet(33), 10);
  EXPECT_EQ(b.FindPriorSet(9), 1);
  EXPECT_EQ(b.FindPriorSet(1), -1);
  const int32_t setBits[] = {1, 9, 10, 33};
  for (int32_t k = 0; k < 4; ++k) {
    EXPECT_EQ(b.SetBitByOrdinal(k), setBits[k]);
    EXPECT_EQ(b.OrdinalOfSetBit(setBits[k]), k);
  }
  EXPECT_EQ(b.SetBitByOrdinal(4), -1);
  TVexBitsArray full(16);
  full.SetAll(true);
  EXPECT_EQ(full.FindFirst(false), -1);
}

TEST(VexBitsArray, OutOfRangeBitsRaise) {
  TVexBitsArray b(8);
  ExpectVexError([&] { b.GetBit(8); }, 10394,
                 "Invalid bit no = 8, number of bits = 8 - Native error: 10394");
  ExpectVexError([&] { b.SetBit(-1, true); }, 10395);
  ExpectVexError([&] { b.SetBitByOrdinal(8); }, 10428);
  ExpectVexError([&] { b.OrdinalOfSetBit(9); }, 10429);
}

TEST(VexBitsArray, StreamForm) {
  TVexBitsArray b(10);
  b.SetBit(0, true);
  b.SetBit(9, true);
  TTestByteStream s;
  b.SaveToStream(s);
  EXPECT_EQ(s.Bytes, (std::vector<uint8_t>{10, 0, 0, 0, 2, 0, 0, 0, 0x01, 0x02}));

  TTestByteStream in(std::vector<uint8_t>{10, 0, 0, 0, 2, 0, 0, 0, 0x01, 0x02});
  TVexBitsArray loaded;
  loaded.LoadFromStream(in);
  EXPECT_EQ(loaded.BitCount(), 10);
  EXPECT_TRUE(loaded.GetBit(9));
  EXPECT_EQ(loaded.SetBitCount(), 2);

  TVexBitsArray empty;
  TTestByteStream e;
  empty.SaveToStream(e);
  EXPECT_EQ(e.Bytes, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(VexBitsArray, DamagedStreamForms) {
  struct Case {
    std::vector<uint8_t> bytes;
    int32_t code;
  };
  const Case cases[] = {
      {{10, 0, 0}, TVexBitsArray::kReadCountsCode},                          // truncated counts
      {{10, 0, 0, 0, 2, 0, 0, 0, 1}, TVexBitsArray::kReadBitsCode},          // one bit byte missing
      {{0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0}, TVexBitsArray::kReadBitsCode},  // huge count
      {{0xF6, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, TVexBitsArray::kReadCountsCode},  // negative
  };
  for (const Case& c : cases) {
    TVexBitsArray b(3);
    TTestByteStream s(c.bytes);
    ExpectVexError([&] { b.LoadFromStream(s); }, c.code);
    EXPECT_EQ(b.BitCount(), 3);  // unchanged
  }
  // Stored set-bit count and stray bits past the count are not trusted.
  TTestByteStream s(std::vector<uint8_t>{3, 0, 0, 0, 99, 0, 0, 0, 0xFF});
  TVexBitsArray b;
  b.LoadFromStream(s);
  EXPECT_EQ(b.SetBitCount(), 3);
}
