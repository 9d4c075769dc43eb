// Checked reading and writing of stored forms: exact values, short reads with their message,
// and writers that take fewer bytes than asked.
#include <gtest/gtest.h>

#include "engine/base/VexStoredForm.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/StoredBytes.h"

namespace {

TEST(VexStoredForm, IntegersAreLittleEndian) {
  TVexBufferWriter w;
  w.WriteByte(0xAB, 1);
  w.WriteInt32(-2, 1);
  w.WriteInt64(0x0102030405060708, 1);
  w.WriteShortString("ab", 1, 1);
  const Bytes expected = Bytes{0xAB, 0xFE, 0xFF, 0xFF, 0xFF, 8, 7, 6, 5, 4, 3, 2, 1, 2, 'a', 'b'};
  EXPECT_EQ(w.Bytes(), expected);

  TVexBufferReader r(expected);
  EXPECT_EQ(r.ReadByte(1), 0xAB);
  EXPECT_EQ(r.ReadInt32(1), -2);
  EXPECT_EQ(r.ReadInt64(1), 0x0102030405060708);
  EXPECT_EQ(r.ReadShortString(1, 1), "ab");
  EXPECT_EQ(r.Remaining(), 0);
}

TEST(VexStoredForm, ShortReadRaisesTheCallersCode) {
  const Bytes bytes = {1, 2, 3};
  TVexBufferReader r(bytes);
  r.ReadByte(1);
  ExpectVexError([&] { r.ReadInt32(10169); }, 10169,
                 "Cannot read from stream. Position = 1, Stream size = 3, Block size = 4, "
                 "Bytes Read = 2 - Native error: 10169");
}

TEST(VexStoredForm, TextLongerThanTheStreamIsNotAllocated) {
  const Bytes bytes = {255, 'a'};
  TVexBufferReader r(bytes);
  ExpectVexError([&] { r.ReadShortString(1, 10167); }, 10167,
                 "Cannot read from stream. Position = 1, Stream size = 2, Block size = 255, "
                 "Bytes Read = 1 - Native error: 10167");
  TVexBufferReader r2(bytes);
  ExpectVexError([&] { r2.ReadChars(INT32_MAX, 7); }, 7);
  ExpectVexError([&] { r2.ReadChars(-1, 7); }, 10391);
}

// A sink that takes at most `room` bytes in all.
class TFullWriter : public TVexStoredWriter {
 public:
  explicit TFullWriter(int32_t room) : Room(room) {}
  int32_t Write(const void*, int32_t count) override {
    const int32_t n = std::min(count, Room - Written);
    Written += n;
    return n;
  }
  int64_t Position() const override { return Written; }
  int64_t Size() const override { return Written; }
  int32_t Room, Written = 0;
};

TEST(VexStoredForm, ShortWriteRaisesTheCallersCode) {
  TFullWriter w(6);
  w.WriteInt32(1, 1);
  ExpectVexError([&] { w.WriteInt64(1, 10172); }, 10172,
                 "Cannot write to stream. Position = 4, Stream size = 6, Block size = 8, "
                 "Bytes Write = 2 - Native error: 10172");
}

}  // namespace
