// The compressed BLOB stream: block layout, reads that touch only their blocks, CRC and header
// damage, writes at and past the end, size changes, reopening from the descriptor, and the
// uncompressed window.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "engine/base/VexCompressedBLOBStream.h"
#include "engine/base/VexCompression.h"
#include "engine/base/VexCrc32.h"
#include "engine/base/VexMemoryStream.h"
#include "tests/engine/base/ExpectVexError.h"

namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed = 0) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(seed + (i % 97) * (i / 1000 % 5 + 1));
  return v;
}

TVexBLOBDescriptor Descriptor(uint8_t algorithm, uint8_t mode, int32_t blockSize) {
  TVexBLOBDescriptor d;
  d.CompressionAlgorithm = algorithm;
  d.CompressionMode = mode;
  d.BlockSize = blockSize;
  return d;
}

// Writes value as a new compressed stream into base; answers the updated descriptor.
TVexBLOBDescriptor Store(TVexStream& base, const std::vector<uint8_t>& value,
                         TVexBLOBDescriptor d) {
  TVexCompressedBLOBStream s(base, false, true, d);
  if (!value.empty()) s.WriteChecked(value.data(), int32_t(value.size()), 1);
  return s.Descriptor();
}

std::vector<uint8_t> ReadValue(TVexCompressedBLOBStream& s) {
  std::vector<uint8_t> v(size_t(s.GetSize()));
  s.SetPosition(0);
  s.ReadChecked(v.data(), int32_t(v.size()), 1);
  return v;
}

std::vector<uint8_t> Load(TVexStream& base, const TVexBLOBDescriptor& d) {
  TVexCompressedBLOBStream s(base, false, false, d);
  return ReadValue(s);
}

// Byte offset of block k's header in a base stream that starts at 0.
int64_t HeaderPosition(TVexStream& base, const TVexBLOBDescriptor& d, int64_t k) {
  TVexCompressedBLOBStream s(base, false, false, d);
  return s.BlockHeaders()[k].Position;
}

void FlipByte(TVexMemoryStream& base, int64_t position) {
  base.Memory()[position] ^= 0x01;
}

}  // namespace

// 250000 bytes at block size 102400: blocks of 102400, 102400 and 45200 bytes back to back,
// each behind a header {C, U, CRC, C + 20}; 10 bytes at 204800 decompress only the third block.
TEST(VexCompressedBLOBStream, ThreeBlockValue) {
  const auto value = Pattern(250000);
  TVexMemoryStream base;
  const auto d = Store(base, value, Descriptor(cmpZlib, 6, 102400));
  EXPECT_EQ(d.BlockCount, 3);
  EXPECT_EQ(d.UncompressedSize, 250000);

  const int32_t sizes[] = {102400, 102400, 45200};
  int64_t position = 0;
  for (int k = 0; k < 3; ++k) {
    uint8_t bytes[20];
    std::memcpy(bytes, base.Memory() + position, 20);
    const auto header = TVexCompressedStreamBlockHeader::ReadFrom(bytes);
    EXPECT_EQ(header.UncompressedSize, sizes[k]);
    EXPECT_EQ(header.BlockLength, header.CompressedSize + 20);
    EXPECT_EQ(header.Crc32, BlockCrc32(value.data() + 102400 * k, size_t(sizes[k])));
    std::vector<uint8_t> unpacked;
    ASSERT_TRUE(DecompressBuffer(cmpZlib, base.Memory() + position + 20, header.CompressedSize,
                                 header.UncompressedSize, unpacked));
    EXPECT_EQ(unpacked, std::vector<uint8_t>(value.begin() + 102400 * k,
                                             value.begin() + 102400 * k + sizes[k]));
    position += header.BlockLength;
  }
  EXPECT_EQ(position, base.GetSize());

  // Damage the first two blocks: a read in the third must not touch them.
  FlipByte(base, 30);
  FlipByte(base, HeaderPosition(base, d, 1) + 30);
  TVexCompressedBLOBStream s(base, false, false, d);
  EXPECT_EQ(s.GetSize(), 250000);
  EXPECT_EQ(s.CompressedSize(), base.GetSize());
  EXPECT_GT(s.CompressionRatio(), 50.0f);
  uint8_t ten[10];
  s.SetPosition(204800);
  s.ReadChecked(ten, 10, 1);
  EXPECT_EQ(std::vector<uint8_t>(ten, ten + 10),
            std::vector<uint8_t>(value.begin() + 204800, value.begin() + 204810));
  EXPECT_EQ(s.DecompressedBlockCount(), 1);
}

TEST(VexCompressedBLOBStream, ChangedByteFailsWithBothCrcValues) {
  const auto value = Pattern(5000);
  TVexMemoryStream base;
  const auto d = Store(base, value, Descriptor(cmpZlib, 1, 4096));
  const uint32_t expectedCrc = BlockCrc32(value.data(), 4096);

  // Recompress the first block with one byte changed and put it in place of the original, so
  // that the data decompresses cleanly and only the CRC tells.
  auto changed = std::vector<uint8_t>(value.begin(), value.begin() + 4096);
  changed[100] ^= 0xFF;
  std::vector<uint8_t> packed;
  ASSERT_TRUE(CompressBuffer(cmpZlib, 1, changed.data(), 4096, packed));
  TVexCompressedStreamBlockHeader header;
  header.CompressedSize = int32_t(packed.size());
  header.UncompressedSize = 4096;
  header.Crc32 = expectedCrc;
  header.BlockLength = header.CompressedSize + 20;
  uint8_t bytes[20];
  header.WriteTo(bytes);
  TVexMemoryStream rebuilt;
  rebuilt.WriteChecked(bytes, 20, 1);
  rebuilt.WriteChecked(packed.data(), int32_t(packed.size()), 1);
  const int64_t second = HeaderPosition(base, d, 1);
  rebuilt.WriteChecked(base.Memory() + second, int32_t(base.GetSize() - second), 1);

  TVexCompressedBLOBStream s(rebuilt, false, false, d);
  uint8_t one;
  const uint32_t actualCrc = BlockCrc32(changed.data(), 4096);
  ExpectVexError([&] { s.Read(&one, 1); }, 10089,
                 "Decompress buffer failed. CheckSum = " + std::to_string(actualCrc) +
                     ", Header.Crc32 = " + std::to_string(expectedCrc) + " - Native error: 10089");
  // The second block is still readable.
  s.SetPosition(4096);
  EXPECT_EQ(s.Read(&one, 1), 1);
  EXPECT_EQ(one, value[4096]);
}

TEST(VexCompressedBLOBStream, RoundTripSizesAlgorithmsAndLevels) {
  const int32_t bs = 4096;
  const size_t sizes[] = {0, 1, bs - 1, bs, bs + 1, 5 * bs + 123};
  for (uint8_t algorithm : {cmpZlib, cmpBzip}) {
    for (uint8_t mode : {1, 6, 9}) {
      for (size_t size : sizes) {
        SCOPED_TRACE(std::to_string(algorithm) + "/" + std::to_string(mode) + " size " +
                     std::to_string(size));
        const auto value = Pattern(size, mode);
        TVexMemoryStream base;
        const auto d = Store(base, value, Descriptor(algorithm, mode, bs));
        EXPECT_EQ(d.BlockCount, int64_t((size + bs - 1) / bs));
        EXPECT_EQ(d.UncompressedSize, int64_t(size));
        EXPECT_EQ(Load(base, d), value);
      }
    }
  }
}

// Piecewise writes fill the last block up in place; the result is the same value as one write.
TEST(VexCompressedBLOBStream, PiecewiseWritesAndWritesBeforeTheEnd) {
  const auto value = Pattern(20000);
  TVexMemoryStream base;
  TVexBLOBDescriptor d;
  {
    TVexCompressedBLOBStream s(base, false, true, Descriptor(cmpBzip, 3, 3000));
    for (size_t pos = 0; pos < value.size(); pos += 777)
      s.WriteChecked(value.data() + pos, int32_t(std::min<size_t>(777, value.size() - pos)), 1);
    d = s.Descriptor();
    EXPECT_EQ(d.BlockCount, 7);
    EXPECT_EQ(s.CompressedSize(), base.GetSize());
    // A write below the end is not taken.
    s.SetPosition(100);
    EXPECT_EQ(s.Write(value.data(), 10), 0);
    ExpectVexError([&] { s.WriteChecked(value.data(), 10, 10170); }, 10170);
  }
  EXPECT_EQ(Load(base, d), value);
}

TEST(VexCompressedBLOBStream, WritePastTheEndAndSizeChanges) {
  TVexMemoryStream base;
  TVexCompressedBLOBStream s(base, false, true, Descriptor(cmpZlib, 1, 1000));
  s.WriteChecked("abc", 3, 1);
  s.SetPosition(2500);  // the gap becomes zero bytes
  s.WriteChecked("xyz", 3, 1);
  EXPECT_EQ(s.GetSize(), 2503);
  EXPECT_EQ(s.BlockCount(), 3);
  auto expected = std::vector<uint8_t>(2503, 0);
  std::memcpy(expected.data(), "abc", 3);
  std::memcpy(expected.data() + 2500, "xyz", 3);
  EXPECT_EQ(ReadValue(s), expected);

  s.SetSize(1500);  // drops the third block and cuts the second
  expected.resize(1500);
  EXPECT_EQ(s.BlockCount(), 2);
  EXPECT_EQ(base.GetSize(), s.CompressedSize());
  EXPECT_EQ(ReadValue(s), expected);
  EXPECT_EQ(Load(base, s.Descriptor()), expected);

  s.SetSize(4200);  // grows with zero bytes
  expected.resize(4200, 0);
  EXPECT_EQ(s.BlockCount(), 5);
  EXPECT_EQ(Load(base, s.Descriptor()), expected);

  s.SetSize(0);  // an empty value has no blocks and no stored bytes
  EXPECT_EQ(s.BlockCount(), 0);
  EXPECT_EQ(s.CompressedSize(), 0);
  EXPECT_EQ(base.GetSize(), 0);
  // Rewriting a value: the size is set to the position first.
  s.SetPosition(0);
  s.WriteChecked("new", 3, 1);
  EXPECT_EQ(Load(base, s.Descriptor()), (std::vector<uint8_t>{'n', 'e', 'w'}));
}

// Blocks start at the descriptor's start position; the bytes in front are not touched.
TEST(VexCompressedBLOBStream, StartPositionInsideTheBase) {
  const auto value = Pattern(9000);
  TVexMemoryStream base;
  base.WriteChecked("prefix--", 8, 1);
  auto d = Descriptor(cmpZlib, 5, 2048);
  d.StartPosition = 8;
  d = Store(base, value, d);
  EXPECT_EQ(std::string(base.Memory(), base.Memory() + 8), "prefix--");
  EXPECT_EQ(Load(base, d), value);
}

TEST(VexCompressedBLOBStream, DamagedOrTruncatedHeaders) {
  const auto value = Pattern(10000);
  TVexMemoryStream good;
  const auto d = Store(good, value, Descriptor(cmpZlib, 6, 4096));
  const int64_t third = HeaderPosition(good, d, 2);
  auto copyOf = [&](int64_t size) {
    auto s = std::make_unique<TVexMemoryStream>();
    s->WriteChecked(good.Memory(), int32_t(size), 1);
    return s;
  };

  // Fewer than 20 bytes before the third header: 10082, or a tolerant stream of two blocks.
  auto truncated = copyOf(third + 10);
  ExpectVexError([&] { TVexCompressedBLOBStream s(*truncated, false, false, d); }, 10082,
                 "Stream size = " + std::to_string(third + 10) +
                     " too small. Should be at least = " + std::to_string(third + 20) +
                     " - Native error: 10082");
  {
    TVexCompressedBLOBStream s(*truncated, true, false, d);
    EXPECT_EQ(s.BlockCount(), 2);
    EXPECT_EQ(ReadValue(s), std::vector<uint8_t>(value.begin(), value.begin() + 8192));
  }
  // The last block's data cut short: the read fails with 10086, never past the buffer.
  auto cutData = copyOf(good.GetSize() - 5);
  {
    TVexCompressedBLOBStream s(*cutData, false, false, d);
    uint8_t byte;
    s.SetPosition(9000);
    ExpectVexError([&] { s.Read(&byte, 1); }, 10086);
  }
  // A block length below 20 or absurdly large is a damaged header (10083).
  for (int64_t length : {int64_t(0), int64_t(19), int64_t(-5), INT64_MAX}) {
    auto damaged = copyOf(good.GetSize());
    TVexCompressedStreamBlockHeader header;
    uint8_t bytes[20];
    std::memcpy(bytes, damaged->Memory(), 20);
    header = TVexCompressedStreamBlockHeader::ReadFrom(bytes);
    header.BlockLength = length;
    header.WriteTo(bytes);
    std::memcpy(damaged->Memory(), bytes, 20);
    ExpectVexError([&] { TVexCompressedBLOBStream s(*damaged, true, false, d); }, 10083);
  }
  // Sizes that do not fit the data: decompression fails (10087) or the size differs (10088).
  const struct {
    int32_t compressedDelta, uncompressed;
    int32_t code;
  } cases[] = {{0, 4095, 10087}, {0, 5000, 10088}, {-10, 4096, 10087}};
  for (const auto& c : cases) {
    auto damaged = copyOf(good.GetSize());
    uint8_t bytes[20];
    std::memcpy(bytes, damaged->Memory(), 20);
    auto header = TVexCompressedStreamBlockHeader::ReadFrom(bytes);
    header.CompressedSize += c.compressedDelta;
    header.UncompressedSize = c.uncompressed;
    header.WriteTo(bytes);
    std::memcpy(damaged->Memory(), bytes, 20);
    TVexCompressedBLOBStream s(*damaged, false, false, d);
    uint8_t byte;
    ExpectVexError([&] { s.Read(&byte, 1); }, c.code);
  }
  // A block count beyond the stored blocks: 10082 unless tolerant.
  auto more = d;
  more.BlockCount = 1000000000000;
  ExpectVexError([&] { TVexCompressedBLOBStream s(good, false, false, more); }, 10082);
  TVexCompressedBLOBStream tolerant(good, true, false, more);
  EXPECT_EQ(tolerant.BlockCount(), 3);
  // PPM is refused as a decompression failure.
  auto ppm = d;
  ppm.CompressionAlgorithm = cmpPPM;
  TVexCompressedBLOBStream p(good, false, false, ppm);
  uint8_t byte;
  ExpectVexError([&] { p.Read(&byte, 1); }, 10087,
                 "Decompress buffer failed. CompAlg = 3, InSize = " +
                     std::to_string(p.BlockHeaders()[0].Header.CompressedSize) +
                     ", OutSize = 4096 - Native error: 10087");
  TVexMemoryStream ppmBase;
  TVexCompressedBLOBStream newPpm(ppmBase, false, true, Descriptor(cmpPPM, 5, 100));
  ExpectVexError([&] { newPpm.WriteChecked("x", 1, 1); }, 10085,
                 "Compress buffer failed. CompAlg = 3, CompMode = 5, InSize = 1, OutSize = 0 - "
                 "Native error: 10085");
}

// Without compression the stream is a window on the base stream from the start position.
TEST(VexCompressedBLOBStream, UncompressedWindow) {
  TVexMemoryStream base;
  base.WriteChecked("0123456789", 10, 1);
  auto d = Descriptor(cmpNone, 0, 0);
  d.StartPosition = 3;
  d.UncompressedSize = 5;
  {
    TVexCompressedBLOBStream s(base, false, false, d);
    EXPECT_EQ(s.GetSize(), 5);
    EXPECT_EQ(s.BlockSize(), 102400);
    const auto v = ReadValue(s);
    EXPECT_EQ(std::string(v.begin(), v.end()), "34567");
    s.SetPosition(5);
    s.WriteChecked("ab", 2, 1);
    EXPECT_EQ(s.GetSize(), 7);  // the base stream's size minus the start
    s.SetSize(2);
    EXPECT_EQ(base.GetSize(), 5);
    EXPECT_EQ(s.Descriptor().UncompressedSize, 2);
  }
  d.UncompressedSize = 50;
  ExpectVexError([&] { TVexCompressedBLOBStream s(base, false, false, d); }, 10081,
                 "Stream size = 5 too small. Should be at least = 53 - Native error: 10081");
  TVexCompressedBLOBStream tolerant(base, true, false, d);
  uint8_t buffer[50];
  EXPECT_EQ(tolerant.Read(buffer, 50), 2);
  d.StartPosition = -1;
  ExpectVexError([&] { TVexCompressedBLOBStream s(base, false, false, d); }, 10103);
}

TEST(VexCompressedBLOBStream, DefaultBlockSizeByMode) {
  const struct {
    uint8_t mode;
    int32_t blockSize;
  } cases[] = {{1, 524288}, {5, 1048576}, {9, 1572864}};
  for (const auto& c : cases) {
    TVexMemoryStream base;
    TVexCompressedBLOBStream s(base, false, true, Descriptor(cmpZlib, c.mode, 0));
    EXPECT_EQ(s.BlockSize(), c.blockSize);
    EXPECT_EQ(s.CopyBlockSize, c.blockSize);
  }
}
