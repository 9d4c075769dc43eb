// The stream forms: memory, file and temporary streams, the checked read, write and seek with
// their messages, and whole-stream copies with progress.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "engine/base/VexFileStream.h"
#include "engine/base/VexMemoryStream.h"
#include "engine/base/VexStream.h"
#include "engine/base/VexStreamConcepts.h"
#include "engine/base/VexTemporaryStream.h"
#include "tests/engine/base/ExpectVexError.h"

// The stream forms of values and arrays are written against these concepts.
static_assert(TVexCheckedReader<TVexStream> && TVexCheckedWriter<TVexStream>);

namespace {

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 31 + i / 251);
  return v;
}

std::vector<uint8_t> ReadAll(TVexStream& s) {
  std::vector<uint8_t> v(size_t(s.GetSize()));
  s.SetPosition(0);
  s.ReadChecked(v.data(), int32_t(v.size()), 1);
  return v;
}

// A stream that accepts at most Limit bytes in all, to provoke short writes.
class TLimitedStream : public TVexMemoryStream {
 public:
  explicit TLimitedStream(int32_t limit) : Limit(limit) {}
  int32_t Write(const void* buffer, int32_t count) override {
    const int32_t n = int32_t(std::min<int64_t>(count, Limit - GetPosition()));
    return n > 0 ? TVexMemoryStream::Write(buffer, n) : 0;
  }
  int32_t Limit;
};

std::string TempPath(const char* name) {
  return TemporaryDirectory() + "/" + name + std::to_string(::getpid());
}

}  // namespace

TEST(VexMemoryStream, GrowShrinkReadAndWritePastTheEnd) {
  TVexMemoryStream s(16);
  EXPECT_EQ(s.Capacity(), 32);  // twice the requested size
  const auto data = Pattern(100);
  EXPECT_EQ(s.Write(data.data(), 100), 100);
  EXPECT_EQ(s.GetSize(), 100);
  EXPECT_EQ(s.Capacity(), 200);
  s.SetSize(10);  // shrinking keeps the block
  EXPECT_EQ(s.Capacity(), 200);
  uint8_t buffer[20];
  s.SetPosition(4);
  EXPECT_EQ(s.Read(buffer, 20), 6);
  EXPECT_EQ(s.Read(buffer, 20), 0);
  s.SetPosition(50);  // past the end; a write fills the gap with zero bytes
  EXPECT_EQ(s.Write(data.data(), 5), 5);
  EXPECT_EQ(s.GetSize(), 55);
  const auto all = ReadAll(s);
  EXPECT_EQ(std::vector<uint8_t>(all.begin(), all.begin() + 10),
            std::vector<uint8_t>(data.begin(), data.begin() + 10));
  EXPECT_EQ(std::vector<uint8_t>(all.begin() + 10, all.begin() + 50), std::vector<uint8_t>(40, 0));
  s.SetSize(0);
  EXPECT_EQ(s.Capacity(), 0);
  EXPECT_EQ(s.Memory(), nullptr);

  TVexMemoryBlock block(7);
  std::memcpy(block.Data(), "adopted", 7);
  TVexMemoryStream adopted(std::move(block));
  EXPECT_EQ(adopted.GetSize(), 7);
  const auto bytes = ReadAll(adopted);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "adopted");
}

TEST(VexStream, CheckedReadWriteAndSeekMessages) {
  TVexMemoryStream s;
  const auto data = Pattern(10);
  s.WriteChecked(data.data(), 10, 1);
  s.SetPosition(6);
  uint8_t buffer[8];
  ExpectVexError([&] { s.ReadChecked(buffer, 8, 10187); }, 10187,
                 "Cannot read from stream. Position = 6, Stream size = 10, Block size = 8, Bytes "
                 "Read = 4 - Native error: 10187");
  TLimitedStream limited(3);
  ExpectVexError([&] { limited.WriteChecked(data.data(), 5, 10170); }, 10170,
                 "Cannot write to stream. Position = 0, Stream size = 3, Block size = 5, Bytes "
                 "Write = 3 - Native error: 10170");
  s.SetPosition(2);
  ExpectVexError([&] { s.SeekChecked(-1, 10103); }, 10103,
                 "Cannot set stream position to -1. Position = 2, Size = 10 - Native error: 10103");
  s.SeekChecked(25, 1);  // past the end is a valid position
  EXPECT_EQ(s.GetPosition(), 25);
  EXPECT_EQ(s.Remaining(), 0);
}

TEST(VexStream, SaveAndLoadWithProgress) {
  TVexMemoryStream source;
  const auto data = Pattern(250);
  source.WriteChecked(data.data(), 250, 1);
  source.SetPosition(17);
  source.CopyBlockSize = 100;
  std::vector<int32_t> progress;
  source.OnProgress = [&](TVexStream&, int32_t percent) { progress.push_back(percent); };

  TVexMemoryStream dest;
  dest.WriteChecked("head", 4, 1);
  source.SaveToStream(dest);
  EXPECT_EQ(progress, (std::vector<int32_t>{0, 40, 80, 100, 100}));
  EXPECT_EQ(source.GetPosition(), 17);
  EXPECT_EQ(dest.GetPosition(), 4);
  auto all = ReadAll(dest);
  EXPECT_EQ(std::vector<uint8_t>(all.begin() + 4, all.end()), data);

  TVexMemoryStream loaded;
  loaded.CopyBlockSize = 64;
  loaded.LoadFromStream(dest, 100, 4);
  EXPECT_EQ(ReadAll(loaded), std::vector<uint8_t>(data.begin(), data.begin() + 100));

  source.CopyBlockSize = 0;
  ExpectVexError([&] { source.SaveToStream(dest); }, 10418,
                 "Stream block size = 0 is not allowed - Native error: 10418");
  source.CopyBlockSize = 100;
  TLimitedStream small(120);
  ExpectVexError([&] { source.SaveToStream(small); }, 10147);
  EXPECT_EQ(source.GetPosition(), 17);  // restored also after the failure
  TVexMemoryStream shortSource;
  shortSource.WriteChecked(data.data(), 50, 1);
  ExpectVexError([&] { loaded.LoadFromStream(shortSource, 80, 0); }, 10146);
}

TEST(VexFileStream, CreateOpenAndDeleteOnClose) {
  const std::string name = TempPath("VexFileStreamTest");
  const auto data = Pattern(5000);
  {
    TVexFileStream created(name, fmCreate);
    created.WriteChecked(data.data(), 5000, 1);
    created.SetSize(4000);
  }
  {
    TVexFileStream opened(name, fmOpenRead);
    EXPECT_EQ(ReadAll(opened), std::vector<uint8_t>(data.begin(), data.begin() + 4000));
    EXPECT_EQ(opened.Write(data.data(), 10), 0);  // read-only: 0 bytes, no exception
  }
  {
    TVexFileStream removed(name, fmCreate, true);
    struct stat info {};
    EXPECT_NE(::stat(name.c_str(), &info), 0);
    removed.WriteChecked(data.data(), 10, 1);
    EXPECT_EQ(removed.GetSize(), 10);
  }
  ExpectVexError([&] { TVexFileStream missing(name, fmOpenReadWrite); }, 10105,
                 "Cannot open file. FileName = " + name + ", Mode = 2 - Native error: 10105");
  const std::string badName = "/nonexistent-dir/x";
  ExpectVexError([&] { TVexFileStream bad(badName, fmCreate); }, 10104,
                 "Cannot create file. FileName = " + badName + " - Native error: 10104");
}

TEST(VexTemporaryStream, SpillsPastOneMegabyteUnlessTold) {
  const auto data = Pattern(TVexTemporaryStream::kSpillThreshold + 1);
  for (bool noSpill : {false, true}) {
    SCOPED_TRACE(noSpill);
    TVexTemporaryStream s(noSpill);
    const int32_t first = 1000;
    s.WriteChecked(data.data(), first, 1);
    s.WriteChecked(data.data() + first, TVexTemporaryStream::kSpillThreshold - first, 1);
    EXPECT_TRUE(s.InMemory());
    s.WriteChecked(data.data() + TVexTemporaryStream::kSpillThreshold, 1, 1);
    EXPECT_EQ(s.InMemory(), noSpill);
    EXPECT_EQ(s.GetPosition(), int64_t(data.size()));
    EXPECT_EQ(ReadAll(s), data);
    if (!noSpill) {
      EXPECT_EQ(s.TempFileName().rfind(TemporaryDirectory() + "/Vex", 0), 0u) << s.TempFileName();
      struct stat info {};
      EXPECT_NE(::stat(s.TempFileName().c_str(), &info), 0);  // no name left behind
    }
  }
  // A write in the middle keeps the position across the move.
  TVexTemporaryStream s;
  s.WriteChecked(data.data(), 1000, 1);
  s.SetPosition(500);
  s.WriteChecked(data.data(), TVexTemporaryStream::kSpillThreshold, 1);
  EXPECT_FALSE(s.InMemory());
  EXPECT_EQ(s.GetPosition(), 500 + TVexTemporaryStream::kSpillThreshold);
  uint8_t head[500];
  s.SetPosition(0);
  s.ReadChecked(head, 500, 1);
  EXPECT_EQ(std::vector<uint8_t>(head, head + 500),
            std::vector<uint8_t>(data.begin(), data.begin() + 500));
}
