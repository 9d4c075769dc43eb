// Encrypted databases: the password check for every cipher identifier, enciphered data areas
// with their CRC, and map pages kept in clear.
#include <gtest/gtest.h>

#include "engine/storage/DiskPageManager.h"
#include "platform/LittleEndian.h"
#include "tests/engine/storage/DiskTestDb.h"
#include "tests/engine/storage/StorageTestUtil.h"

using namespace VexLayout;

namespace {

TEST(EncryptedDatabaseTest, EveryCipherOpensWithTheRightPasswordOnly) {
  TempDir dir;
  for (uint8_t cipher = 0; cipher <= 7; ++cipher) {
    std::string name = dir.File("enc" + std::to_string(cipher) + ".vex");
    MakeDiskDb(name, 2, ptTableRecord, TVexPassword{"secret", cipher});
    std::vector<uint8_t> bytes = ReadAll(name);
    EXPECT_EQ(bytes[43], 0xFF);
    EXPECT_EQ(bytes[76 + 2], cipher);
    const uint8_t* page2 = &bytes[380 + 2 * 4096];
    EXPECT_NE(std::string(reinterpret_cast<const char*>(page2 + 40), 6), "page 2");
    EXPECT_EQ(PageCipherId(page2), cipher);
    EXPECT_EQ(PageType(&bytes[380]), ptPFS);
    EXPECT_EQ(bytes[380 + 40], 0x0D);  // PFS bitmap in clear: pages 0, 2 and 3 in use

    TVexDiskPageManager wrong;
    std::string msg =
        EXPECT_VEX_CODE(OpenDiskDb(wrong, name, TVexPassword{"Secret", cipher}), 30445);
    EXPECT_NE(msg.find("Cannot open database because incorrect password"), std::string::npos);
    EXPECT_FALSE(wrong.IsOpen());

    // The file's cipher replaces the one the caller brings.
    TVexPassword password{"secret", uint8_t((cipher + 3) % 8)};
    TVexDiskPageManager pm;
    bool multiUser = false, readOnly = false;
    EXPECT_FALSE(pm.OpenDatabase(name, password, multiUser, false, readOnly));
    EXPECT_EQ(password.CryptoAlgorithm, cipher);
    TVexPageGuard p(pm, pm.GetPage(0, 3, false, ptTableRecord));
    EXPECT_EQ(PageText(p.get()), "page 3") << int(cipher);
  }
}

TEST(EncryptedDatabaseTest, DamagedEncryptedPageFailsItsCrc) {
  TempDir dir;
  std::string name = dir.File("enc.vex");
  MakeDiskDb(name, 2, ptTableRecord, TVexPassword{"pw", 0});
  std::vector<uint8_t> bytes = ReadAll(name);
  bytes[380 + 3 * 4096 + 100] ^= 0x01;
  WriteAll(name, bytes);
  TVexDiskPageManager pm;
  OpenDiskDb(pm, name, TVexPassword{"pw", 0});
  std::string msg = EXPECT_VEX_CODE(pm.GetPage(0, 3, false, ptTableRecord), 30446);
  EXPECT_NE(msg.find("PageNo: 3"), std::string::npos) << msg;
  TVexPageGuard p(pm, pm.GetPage(0, 2, false, ptTableRecord));
  EXPECT_EQ(PageText(p.get()), "page 2");
}

TEST(EncryptedDatabaseTest, CommittedPagesStayPlainInMemory) {
  TempDir dir;
  std::string name = dir.File("enc.vex");
  MakeDiskDb(name, 1, ptTableRecord, TVexPassword{"pw", 4});
  TVexDiskPageManager pm;
  OpenDiskDb(pm, name, TVexPassword{"pw", 4});
  {
    TVexPageGuard p(pm, pm.GetPage(0, 2, false, ptTableRecord));
    std::strcpy(reinterpret_cast<char*>(p->GetData()), "rewritten");
    p->Dirty = true;
  }
  pm.Commit(0);
  TVexPageGuard p(pm, pm.GetPage(0, 2, false, ptTableRecord));
  EXPECT_EQ(PageText(p.get()), "rewritten");
}

}  // namespace
