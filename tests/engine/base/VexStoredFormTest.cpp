// Members of stored forms: exact little-endian values, short reads with their message and no
// memory taken for impossible lengths, and streams that take fewer bytes than asked.
#include <gtest/gtest.h>

#include "engine/base/VexStoredForm.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/StoredBytes.h"

namespace {

TEST(VexStoredForm, IntegersAreLittleEndian) {
  TVexMemoryStream w;
  WriteStoredByte(w, 0xAB, 1);
  WriteStoredInt32(w, -2, 1);
  WriteStoredInt64(w, 0x0102030405060708, 1);
  WriteStoredShortString(w, "ab", 1, 1);
  const Bytes expected = Bytes{0xAB, 0xFE, 0xFF, 0xFF, 0xFF, 8, 7, 6, 5, 4, 3, 2, 1, 2, 'a', 'b'};
  EXPECT_EQ(Contents(w), expected);

  TVexMemoryStream r;
  Fill(r, expected);
  EXPECT_EQ(ReadStoredByte(r, 1), 0xAB);
  EXPECT_EQ(ReadStoredInt32(r, 1), -2);
  EXPECT_EQ(ReadStoredInt64(r, 1), 0x0102030405060708);
  EXPECT_EQ(ReadStoredShortString(r, 1, 1), "ab");
  EXPECT_EQ(r.Remaining(), 0);
}

TEST(VexStoredForm, ShortReadRaisesTheCallersCode) {
  TVexMemoryStream r;
  Fill(r, {1, 2, 3});
  ReadStoredByte(r, 1);
  ExpectVexError([&] { ReadStoredInt32(r, 10169); }, 10169,
                 "Cannot read from stream. Position = 1, Stream size = 3, Block size = 4, "
                 "Bytes Read = 2 - Native error: 10169");
}

TEST(VexStoredForm, TextLongerThanTheStreamIsNotAllocated) {
  TVexMemoryStream r;
  Fill(r, {255, 'a'});
  ExpectVexError([&] { ReadStoredShortString(r, 1, 10167); }, 10167,
                 "Cannot read from stream. Position = 1, Stream size = 2, Block size = 255, "
                 "Bytes Read = 1 - Native error: 10167");
  r.SetPosition(1);
  ExpectVexError([&] { ReadStoredChars(r, INT32_MAX, 7); }, 7);
  ExpectVexError([&] { ReadStoredChars(r, -1, 7); }, 10391,
                 "Invalid stored definition: text length = -1 - Native error: 10391");
}

TEST(VexStoredForm, TextTooLongForItsLengthByteIsRefused) {
  TVexMemoryStream w;
  WriteStoredShortString(w, std::string(255, 'x'), 1, 1);
  EXPECT_EQ(w.GetSize(), 256);
  ExpectVexError([&] { WriteStoredShortString(w, std::string(256, 'x'), 1, 1); }, 10005);
}

// A stream that takes at most `Room` bytes in all.
class TFullStream : public TVexStream {
 public:
  explicit TFullStream(int32_t room) : Room(room) {}
  void SetSize(int64_t) override {}
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Write(const void*, int32_t count) override {
    const int32_t n = std::min(count, Room - Written);
    Written += n;
    return n;
  }
  int64_t Seek(int64_t, TSeekOrigin) override { return Written; }
  int64_t GetSize() override { return Written; }
  int32_t Room, Written = 0;
};

TEST(VexStoredForm, ShortWriteRaisesTheCallersCode) {
  TFullStream w(6);
  WriteStoredInt32(w, 1, 1);
  ExpectVexError([&] { WriteStoredInt64(w, 1, 10172); }, 10172);
}

}  // namespace
