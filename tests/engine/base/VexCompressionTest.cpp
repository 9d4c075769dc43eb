// Block compression: the two CRC variants, algorithm names and default block sizes, and the
// compress/decompress buffer routines with their failures.
#include <gtest/gtest.h>

#include <random>

#include "engine/base/VexCompression.h"
#include "engine/base/VexCrc32.h"

namespace {

std::vector<uint8_t> Text(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t("the quick brown fox "[i % 20] + (i / 997) % 3);
  return v;
}

std::vector<uint8_t> Noise(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = uint8_t(rng());
  return v;
}

}  // namespace

TEST(VexCompression, CrcVariants) {
  EXPECT_EQ(BlockCrc32("abc", 3), 0xCA6598D0u);
  EXPECT_EQ(BlockCrc32("", 0), 0u);
  EXPECT_EQ(BlockCrc32("bc", 2, BlockCrc32("a", 1)), 0xCA6598D0u);
  EXPECT_EQ(ZlibCrc32("abc", 3), 0x352441C2u);
  // The block CRC is the table update itself: crc := (crc shr 8) xor table[(crc xor b) and 0xFF].
  uint32_t table[256];
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  const auto text = Text(10007);
  uint32_t crc = 0;
  for (uint8_t b : text) crc = (crc >> 8) ^ table[(crc ^ b) & 0xFF];
  EXPECT_EQ(BlockCrc32(text.data(), text.size()), crc);
  EXPECT_EQ(ZlibCrc32("123456789", 9), 0xCBF43926u);
}

TEST(VexCompression, AlgorithmNamesAndDefaultBlockSizes) {
  const struct {
    const char* name;
    uint8_t code;
  } names[] = {{"ZLIB", 1}, {"zlib", 1}, {"ZLib", 1}, {"BZIP", 2}, {"bzip", 2},
               {"PPM", 3},  {"NONE", 0}, {"GZIP", 0}, {"", 0},     {"ZLIB ", 0}};
  for (const auto& c : names) EXPECT_EQ(CompressionAlgorithmByName(c.name), c.code) << c.name;
  EXPECT_EQ(CompressionAlgorithmName(2), "BZIP");
  EXPECT_EQ(CompressionAlgorithmName(9), "NONE");

  const int32_t sizes[] = {102400,  524288,  524288,  524288,  1048576,
                           1048576, 1048576, 1572864, 1572864, 1572864};
  for (uint8_t mode = 0; mode <= 9; ++mode) EXPECT_EQ(DefaultBlockSizeByMode(mode), sizes[mode]);
}

TEST(VexCompression, RoundTripBothAlgorithmsAndLevels) {
  const std::vector<std::vector<uint8_t>> inputs = {
      {'x'}, Text(1000), Text(300000), Noise(70000, 1)};
  for (uint8_t algorithm : {cmpZlib, cmpBzip}) {
    for (uint8_t mode : {1, 5, 9}) {
      for (const auto& input : inputs) {
        SCOPED_TRACE(std::to_string(algorithm) + "/" + std::to_string(mode) + " size " +
                     std::to_string(input.size()));
        std::vector<uint8_t> packed, unpacked;
        ASSERT_TRUE(CompressBuffer(algorithm, mode, input.data(), int32_t(input.size()), packed));
        ASSERT_FALSE(packed.empty());
        ASSERT_TRUE(DecompressBuffer(algorithm, packed.data(), int32_t(packed.size()),
                                     int32_t(input.size()), unpacked));
        EXPECT_EQ(unpacked, input);
      }
    }
  }
  // zlib format: a zlib header (deflate, 32K window) and the Adler-32 trailer.
  std::vector<uint8_t> packed;
  const auto text = Text(5000);
  ASSERT_TRUE(CompressBuffer(cmpZlib, 6, text.data(), 5000, packed));
  EXPECT_EQ(packed[0], 0x78);
  EXPECT_EQ((packed[0] * 256 + packed[1]) % 31, 0);
  ASSERT_TRUE(CompressBuffer(cmpBzip, 9, text.data(), 5000, packed));
  EXPECT_EQ(std::string(packed.begin(), packed.begin() + 4), "BZh9");
}

TEST(VexCompression, Failures) {
  const auto text = Text(20000);
  std::vector<uint8_t> out = {1, 2, 3};
  // No algorithm, PPM (not supported), empty input, a level the library refuses.
  EXPECT_FALSE(CompressBuffer(cmpNone, 1, text.data(), 100, out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(CompressBuffer(cmpPPM, 1, text.data(), 100, out));
  EXPECT_FALSE(CompressBuffer(cmpZlib, 1, text.data(), 0, out));
  EXPECT_FALSE(CompressBuffer(cmpZlib, 10, text.data(), 100, out));
  EXPECT_FALSE(CompressBuffer(cmpBzip, 0, text.data(), 100, out));

  for (uint8_t algorithm : {cmpZlib, cmpBzip}) {
    SCOPED_TRACE(int(algorithm));
    std::vector<uint8_t> packed;
    ASSERT_TRUE(CompressBuffer(algorithm, 6, text.data(), 20000, packed));
    const int32_t n = int32_t(packed.size());
    EXPECT_FALSE(DecompressBuffer(algorithm, packed.data(), 0, 20000, out));
    EXPECT_FALSE(DecompressBuffer(cmpPPM, packed.data(), n, 20000, out));
    EXPECT_FALSE(DecompressBuffer(cmpNone, packed.data(), n, 20000, out));
    // Truncated data, garbled data, data longer than expected.
    EXPECT_FALSE(DecompressBuffer(algorithm, packed.data(), n / 2, 20000, out));
    EXPECT_FALSE(DecompressBuffer(algorithm, packed.data(), n - 1, 20000, out));
    std::vector<uint8_t> garbled = packed;
    for (size_t i = 10; i < garbled.size(); i += 7) garbled[i] ^= 0x5A;
    EXPECT_FALSE(DecompressBuffer(algorithm, garbled.data(), n, 20000, out));
    EXPECT_FALSE(DecompressBuffer(algorithm, packed.data(), n, 19999, out));
    EXPECT_FALSE(DecompressBuffer(algorithm, packed.data(), n, 100, out));
    EXPECT_TRUE(out.empty());
    // An expected size above the real one gives the real bytes; the caller compares sizes.
    ASSERT_TRUE(DecompressBuffer(algorithm, packed.data(), n, 30000, out));
    EXPECT_EQ(out, text);
  }
  const auto noise = Noise(500, 7);
  EXPECT_FALSE(DecompressBuffer(cmpZlib, noise.data(), 500, 100000, out));
  EXPECT_FALSE(DecompressBuffer(cmpBzip, noise.data(), 500, 100000, out));
}
