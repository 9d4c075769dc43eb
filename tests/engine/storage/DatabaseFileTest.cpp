// TVexDatabaseFile: mode mapping, open and closed checks, positioned I/O errors and the byte
// locks with their probes.
#include <gtest/gtest.h>

#include "engine/storage/DatabaseFile.h"
#include "tests/engine/storage/StorageTestUtil.h"

namespace {

TEST(DatabaseFileTest, ModesAndStateChecks) {
  TempDir dir;
  std::string name = dir.File("a.vex");
  WriteAll(name, std::vector<uint8_t>(100, 7));
  TVexDatabaseFile f;
  EXPECT_VEX_CODE(f.OpenFile(name, 2, 1), 30366);
  EXPECT_VEX_CODE(f.OpenFile(name, 0, 3), 30367);
  EXPECT_VEX_CODE(f.GetSize(), 30376);
  EXPECT_VEX_CODE(f.CreateFile(""), 30374);
  std::string msg = EXPECT_VEX_CODE(f.OpenFile(dir.File("missing.vex"), 0, 1), 30364);
  EXPECT_NE(msg.find("Cannot open file:'"), std::string::npos) << msg;
  f.OpenFile(name, 0, 1);
  EXPECT_VEX_CODE(f.OpenFile(name, 0, 1), 30377);
  EXPECT_EQ(f.GetSize(), 100);
  // Writes through a read-only handle fail with the caller's code.
  std::string w = EXPECT_VEX_CODE(f.WriteBuffer("x", 12345, 0, 1), 12345);
  EXPECT_NE(w.find("Cannot Write to file: '"), std::string::npos) << w;
  uint8_t buf[10];
  EXPECT_FALSE(f.ReadBuffer(buf, 95, 10));
  std::string r = EXPECT_VEX_CODE(f.ReadBufferChecked(buf, 10464, 95, 10), 10464);
  EXPECT_NE(r.find("Position = 95, Count = 10"), std::string::npos) << r;
  f.CloseFile();
  EXPECT_FALSE(f.IsOpen);
}

TEST(DatabaseFileTest, ExclusiveShareModeKeepsOthersOut) {
  TempDir dir;
  std::string name = dir.File("a.vex");
  TVexDatabaseFile creator;
  creator.CreateFile(name);  // creation is exclusive
  TVexDatabaseFile other;
  EXPECT_VEX_CODE(other.OpenFile(name, 0, 1), 30364);
  creator.CloseFile();
  other.OpenFile(name, 1, 1);
  TVexDatabaseFile reader;
  reader.OpenFile(name, 0, 1);
  TVexDatabaseFile exclusive;
  EXPECT_VEX_CODE(exclusive.OpenFile(name, 1, 0), 30364);
}

TEST(DatabaseFileTest, ByteLocksAndProbes) {
  ShortLockWaits waits;
  TempDir dir;
  std::string name = dir.File("a.vex");
  WriteAll(name, std::vector<uint8_t>(500, 0));
  TVexDatabaseFile a, b;
  a.OpenFile(name, 1, 1);
  b.OpenFile(name, 0, 1);
  EXPECT_TRUE(a.LockByte(1, 360));
  EXPECT_TRUE(b.IsByteLocked(360));
  EXPECT_TRUE(a.IsByteLocked(360));  // the own lock counts too, and survives the probe
  EXPECT_FALSE(b.LockByte(1, 360));
  EXPECT_TRUE(b.IsRegionLocked(10, 355));
  EXPECT_FALSE(b.IsRegionLocked(10, 361));
  EXPECT_FALSE(b.IsRegionLocked(0, 360));
  EXPECT_FALSE(a.UnlockByte(1, 361));
  EXPECT_TRUE(a.UnlockByte(1, 360));
  EXPECT_FALSE(b.IsByteLocked(360));
  EXPECT_TRUE(b.LockByte(1, 360));
}

}  // namespace
