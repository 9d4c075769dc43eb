// Record buffer and stored record geometry, the copies between them and canonicalisation.
#include <gtest/gtest.h>

#include <vector>

#include "engine/base/VexExcept.h"
#include "engine/base/VexRecordLayout.h"

namespace {

TVexRecordLayout Layout(std::vector<std::pair<TVexStorageType, int32_t>> fields) {
  TVexRecordLayout layout;
  for (auto [st, len] : fields) layout.Fields.push_back({st, len});
  ComputeRecordLayout(layout);
  return layout;
}

}  // namespace

TEST(VexRecordLayout, NullBitmapSize) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 0}, {1, 1}, {8, 1}, {9, 2}, {16, 2}, {17, 3}};
  for (auto [fields, bytes] : cases) EXPECT_EQ(NullBitmapSize(fields), bytes) << fields;
  EXPECT_EQ(Layout({}).RecordBufferSize, 0);
}

TEST(VexRecordLayout, NullBitsAreLeastSignificantFirst) {
  uint8_t bitmap[2] = {0, 0};
  SetNullBit(bitmap, 0, true);
  SetNullBit(bitmap, 9, true);
  EXPECT_EQ(bitmap[0], 0x01);
  EXPECT_EQ(bitmap[1], 0x02);
  EXPECT_TRUE(GetNullBit(bitmap, 9));
  EXPECT_FALSE(GetNullBit(bitmap, 8));
  SetNullBit(bitmap, 0, false);
  EXPECT_EQ(bitmap[0], 0x00);
}

TEST(VexRecordLayout, IntegerAndBlobRow) {
  TVexRecordLayout l = Layout({{vstInteger, 0}, {vstBlob, 0}});
  EXPECT_EQ(l.BitmapSize, 1);
  EXPECT_EQ(l.RecordBufferSize, 15);
  EXPECT_EQ(l.StoredRecordSize, 11);
  EXPECT_EQ(l.Fields[1].BufferOffset, 5);
  EXPECT_EQ(l.Fields[1].StoredOffset, 5);
  EXPECT_EQ(l.Fields[1].BufferSize, 10);
  EXPECT_EQ(l.Fields[1].StoredSize, 6);
}

TEST(VexRecordLayout, OffsetsDivergeAfterABlob) {
  TVexRecordLayout l = Layout({{vstMemo, 0}, {vstString, 20}, {vstWideString, 20}, {vstBytes, 20}});
  const int32_t buffer[] = {1, 11, 32, 74};
  const int32_t stored[] = {1, 7, 28, 70};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(l.Fields[i].BufferOffset, buffer[i]) << i;
    EXPECT_EQ(l.Fields[i].StoredOffset, stored[i]) << i;
  }
  EXPECT_EQ(l.RecordBufferSize, 95);
  EXPECT_EQ(l.StoredRecordSize, 91);
}

TEST(VexRecordLayout, OverflowRaises) {
  TVexRecordLayout l;
  l.Fields = {{vstChar, INT32_MAX - 1}, {vstChar, 10}};
  try {
    ComputeRecordLayout(l);
    FAIL();
  } catch (const EVexException& e) {
    EXPECT_EQ(e.NativeError(), 30054);
  }
}

TEST(VexRecordLayout, StoredAndBufferImagesCopyOnlyPersistentBlobBytes) {
  TVexRecordLayout l = Layout({{vstInteger, 0}, {vstBlob, 0}});
  // Buffer: bitmap, INTEGER 0x11223344, BLOB reference 1..6 and in-memory handle 7..10.
  const std::vector<uint8_t> buffer = {0x02, 0x44, 0x33, 0x22, 0x11, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  std::vector<uint8_t> stored(size_t(l.StoredRecordSize), 0xEE);
  RecordBufferToStoredRecord(l, buffer.data(), stored.data());
  EXPECT_EQ(stored, (std::vector<uint8_t>{0x02, 0x44, 0x33, 0x22, 0x11, 1, 2, 3, 4, 5, 6}));
  std::vector<uint8_t> back(size_t(l.RecordBufferSize), 0xEE);
  StoredRecordToRecordBuffer(l, stored.data(), back.data());
  EXPECT_EQ(back,
            (std::vector<uint8_t>{0x02, 0x44, 0x33, 0x22, 0x11, 1, 2, 3, 4, 5, 6, 0, 0, 0, 0}));
}

TEST(VexRecordLayout, CanonicaliseClearsBytesAfterTerminatorAndNullSlots) {
  TVexRecordLayout l = Layout({{vstString, 4}, {vstWideChar, 2}, {vstString, 2}, {vstBytes, 2}});
  // Field 2 is NULL. Leftover bytes follow each terminator.
  std::vector<uint8_t> buf = {0x04, 'a', 0,   'x', 'y', 'z',  // STRING(4): "a" then junk
                              'b',  0,   0,   0,   'q', 'r',  // WIDECHAR(2): "b" then junk
                              'n',  'o', 'p',                 // NULL STRING(2)
                              0,    'k', 'l'};                // BYTES(2) untouched
  CanonicaliseRecordBuffer(l.Fields, buf.data());
  EXPECT_EQ(
      buf, (std::vector<uint8_t>{0x04, 'a', 0, 0, 0, 0, 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0, 'k', 'l'}));
}
