// Transacted internal files: page counts at the first-page boundary, round trips of several
// sizes, compression in both stored forms, shrinking, and damaged chains and sizes.
#include <gtest/gtest.h>

#include <functional>

#include "engine/base/VexCompression.h"
#include "engine/base/VexCrc32.h"
#include "engine/storage/DiskPageManager.h"
#include "engine/storage/FreeSpaceManager.h"
#include "engine/storage/InternalFileHeader.h"
#include "engine/storage/TransactedFile.h"
#include "tests/engine/storage/DiskTestDb.h"
#include "tests/engine/storage/StorageTestUtil.h"

using namespace VexLayout;

namespace {

std::vector<uint8_t> Pattern(size_t n, int seed = 1) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t((i * 31 + size_t(seed)) % 251);
  return v;
}

class TransactedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = dir_.File("db.vex");
    pm_.CreateDatabase(name_, {}, 8, 4096);
  }
  // Pages of the file's chain.
  std::vector<int32_t> Chain(const TVexInternalDBTransactedAccessFile& f) {
    std::vector<int32_t> chain;
    for (int32_t p = f.StartPageNo; p != -1 && chain.size() < 100;) {
      chain.push_back(p);
      TVexPageGuard page(pm_, pm_.GetPage(0, p, false, kAnyPageType));
      p = PageNextPageNo(page->Buffer);
    }
    return chain;
  }
  TempDir dir_;
  std::string name_;
  TVexDiskPageManager pm_;
};

TEST_F(TransactedFileTest, FirstPageHolds4046BytesAndRoundTripsKeepContent) {
  struct Case {
    size_t size;
    size_t pages;
  };
  const Case cases[] = {{0, 1}, {1, 1}, {4046, 1}, {4047, 2}, {8102, 2}, {8103, 3}, {50000, 13}};
  for (const Case& c : cases) {
    TVexInternalDBTransactedAccessFile f(&pm_, ptTableMostUpdated);
    f.Create(0);
    std::vector<uint8_t> data = Pattern(c.size);
    f.WriteFile(0, data.data(), 0, 0, int32_t(data.size()));
    pm_.Commit(0);
    EXPECT_EQ(Chain(f).size(), c.pages) << c.size;
    TVexInternalDBTransactedAccessFile again(&pm_, ptTableMostUpdated);
    again.Open(f.StartPageNo);
    auto size = again.GetSize(1, true);
    EXPECT_EQ(size.StoredSize, int32_t(c.size));
    EXPECT_EQ(size.ContentSize, int32_t(c.size));
    EXPECT_EQ(again.ReadAll(1, true), data) << c.size;
  }
}

TEST_F(TransactedFileTest, ShrinkingGivesPagesBackAndCompressionRoundTrips) {
  TVexInternalDBTransactedAccessFile f(&pm_, ptTableMetaData);
  f.Create(0);
  std::vector<uint8_t> big = Pattern(30000);
  f.WriteFile(0, big.data(), 0, 0, int32_t(big.size()));
  pm_.Commit(0);
  std::vector<int32_t> chain = Chain(f);
  ASSERT_EQ(chain.size(), 8u);
  std::vector<uint8_t> text(20000, 'a');  // compresses to a single page
  f.WriteFile(0, text.data(), 1, 1, int32_t(text.size()));
  pm_.Commit(0);
  EXPECT_EQ(Chain(f).size(), 1u);
  auto size = f.GetSize(0, true);
  EXPECT_EQ(size.Compression, 1);
  EXPECT_EQ(size.ContentSize, 20000);
  EXPECT_LT(size.StoredSize, 200);
  EXPECT_EQ(f.ReadAll(0, true), text);
  EXPECT_FALSE(pm_.FreeSpaceManager->IsPageUsed(chain.back()));
  // A new page reuses what the shrink gave back.
  {
    TVexPageGuard p(pm_, pm_.AddPage(0, ptTableRecord));
    EXPECT_EQ(p->PageNo, chain[1]);
  }
  // An empty content marked as compressed reads as empty.
  TVexInternalDBTransactedAccessFile empty(&pm_, ptTableMetaData);
  empty.Create(0);
  empty.SetSize(0, 0, 1, 0);
  EXPECT_TRUE(empty.ReadAll(0, true).empty());
  // Deleting gives every page of the chain back.
  int32_t start = f.StartPageNo;
  f.Delete(0);
  pm_.Commit(0);
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(pm_.FreeSpaceManager->IsPageUsed(start));
}

TEST_F(TransactedFileTest, ReadsContentStoredAsABlockChain) {
  // Another writer may store the content as compressed blocks with 20-byte headers.
  std::vector<uint8_t> content = Pattern(250000, 7);
  std::vector<uint8_t> stored;
  for (size_t at = 0; at < content.size(); at += 102400) {
    size_t n = std::min<size_t>(102400, content.size() - at);
    std::vector<uint8_t> packed;
    ASSERT_TRUE(CompressBuffer(1, 6, content.data() + at, int32_t(n), packed));
    uint8_t header[20];
    WriteInt32LE(header, int32_t(packed.size()));
    WriteInt32LE(header + 4, int32_t(n));
    WriteUInt32LE(header + 8, BlockCrc32(content.data() + at, n));
    WriteInt64LE(header + 12, int64_t(packed.size()) + 20);
    stored.insert(stored.end(), header, header + 20);
    stored.insert(stored.end(), packed.begin(), packed.end());
  }
  TVexInternalDBTransactedAccessFile f(&pm_, ptTableMetaData);
  f.Create(0);
  f.WriteFile(0, stored.data(), 0, 0, int32_t(stored.size()));
  f.SetSize(0, int32_t(stored.size()), 1, int32_t(content.size()));
  pm_.Commit(0);
  EXPECT_EQ(f.ReadAll(0, true), content);
  // A damaged block fails its CRC.
  stored[20 + 5] ^= 0xFF;
  f.WriteFile(0, stored.data(), 0, 0, int32_t(stored.size()));
  f.SetSize(0, int32_t(stored.size()), 1, int32_t(content.size()));
  pm_.Commit(0);
  std::vector<uint8_t> out(content.size());
  EXPECT_VEX_CODE(f.ReadFile(0, out.data(), true, int32_t(out.size())), 20189);
}

TEST_F(TransactedFileTest, ClosedFilesBadSizesAndBrokenChains) {
  TVexInternalDBTransactedAccessFile f(&pm_, ptTableList);
  uint8_t buf[16];
  std::string msg = EXPECT_VEX_CODE(f.ReadFile(0, buf, true, 1), 30389);
  EXPECT_NE(msg.find("(ReadFile)"), std::string::npos);
  EXPECT_VEX_CODE(f.WriteFile(0, buf, 0, 0, 1), 30389);
  f.Create(0);
  EXPECT_VEX_CODE(f.Create(0), 30383);
  std::vector<uint8_t> data = Pattern(9000);
  f.WriteFile(0, data.data(), 0, 0, int32_t(data.size()));
  pm_.Commit(0);
  std::vector<uint8_t> out(9001);
  EXPECT_VEX_CODE(f.ReadFile(0, out.data(), true, 9001), 30387);
  std::vector<int32_t> chain = Chain(f);
  ASSERT_EQ(chain.size(), 3u);
  auto setNext = [&](int32_t pageNo, int32_t next) {
    TVexPageGuard page(pm_, pm_.GetPage(0, pageNo, false, kAnyPageType));
    SetPageNextPageNo(page->Buffer, next);
    page->Dirty = true;
  };
  auto setSize = [&](int32_t stored, int32_t content) {
    TVexPageGuard page(pm_, pm_.GetPage(0, f.StartPageNo, false, kAnyPageType));
    WriteInt32LE(page->GetData() + 1, stored);
    WriteInt32LE(page->GetData() + 5, content);
    page->Dirty = true;
  };
  int32_t recordPage;
  {
    TVexPageGuard p(pm_, pm_.AddPage(0, ptTableRecord));
    recordPage = p->PageNo;
  }
  struct Case {
    const char* what;
    std::function<void()> damage;
    int32_t code;
  };
  const Case cases[] = {
      {"loop", [&] { setNext(chain[1], chain[0]); }, 30388},
      {"short", [&] { setNext(chain[1], -1); }, 30388},
      {"past the end", [&] { setNext(chain[1], 100000); }, 20153},
      {"map page", [&] { setNext(chain[1], 1); }, 30434},
      {"negative", [&] { setNext(chain[1], -7); }, 10471},
      {"wrong type", [&] { setNext(chain[1], recordPage); }, 20153},
      {"huge size", [&] { setSize(0x7FFFFFF0, 0x7FFFFFF0); }, 30387},
      {"negative size", [&] { setSize(-5, 9000); }, 30387},
  };
  for (const Case& c : cases) {
    c.damage();
    pm_.Commit(0);
    SCOPED_TRACE(c.what);
    EXPECT_VEX_CODE(f.ReadFile(0, out.data(), true, 9000), c.code);
    setNext(chain[1], chain[2]);
    setSize(9000, 9000);
    pm_.Commit(0);
  }
  EXPECT_EQ(f.ReadAll(0, true), data);
}

}  // namespace
