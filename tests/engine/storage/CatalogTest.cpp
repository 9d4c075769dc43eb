// The catalogue of a database: creation and reopening (also by another process), table names,
// session slots and the single-user lock, and table and record locks between connections.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/storage/DiskDatabaseCatalog.h"
#include "tests/engine/storage/StorageTestUtil.h"

namespace {

struct Opened {
  TVexDiskDatabaseCatalog Catalog;
  bool RepairNeeded = false;
  bool MultiUser;
  bool ReadOnly;
  Opened(const std::string& name, bool multiUser, bool readOnly = false, TVexPassword password = {})
      : MultiUser(multiUser), ReadOnly(readOnly) {
    RepairNeeded = Catalog.Open(name, password, MultiUser, false, ReadOnly);
  }
};

std::string Joined(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += n + ";";
  return s;
}

TEST(CatalogTest, CreatedDatabaseShowsTheSameCatalogueAfterReopenAndInAnotherProcess) {
  TempDir dir;
  std::string name = dir.File("cat.vex");
  TVexDiskDatabaseCatalog::CreateDatabase(name, {});
  {
    Opened db(name, false);
    EXPECT_FALSE(db.RepairNeeded);
    TVexSystemDirectory& d = *db.Catalog.SystemDirectory;
    ASSERT_EQ(d.Entries.size(), 2u);
    EXPECT_EQ(d.Entries[0].FileKind, 2);
    EXPECT_EQ(d.Entries[1].FileKind, 1);
    EXPECT_EQ(db.Catalog.MaxConnections, 500);
    EXPECT_TRUE(db.Catalog.TableList->Tables.empty());
    db.Catalog.TableList->AddTable(7, "Orders", 10, 11, 12);
    db.Catalog.TableList->AddTable(8, "Customers", 13, 14, 15);
    db.Catalog.TableList->Save(-2);
    db.Catalog.PageManager->Commit(-2);
  }
  Opened db(name, false, true);
  EXPECT_EQ(Joined(db.Catalog.TableList->GetTableNames()), "Orders;Customers;");
  const TVexTableListEntry& t = db.Catalog.TableList->FindTable("customers");
  EXPECT_EQ(t.TableId, 8);
  EXPECT_EQ(t.MetadataFileStart, 13);
  EXPECT_EQ(t.HeaderFileStart, 14);
  EXPECT_EQ(t.LocksFileStart, 15);

  int out[2];
  ASSERT_EQ(pipe(out), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::string result;
    try {
      Opened child(name, false, true);
      result = Joined(child.Catalog.TableList->GetTableNames());
    } catch (const Exception& e) {
      result = e.Message();
    }
    (void)!write(out[1], result.data(), result.size());
    _exit(0);
  }
  close(out[1]);
  char buf[256];
  ssize_t n = read(out[0], buf, sizeof buf);
  close(out[0]);
  waitpid(pid, nullptr, 0);
  EXPECT_EQ(std::string(buf, size_t(std::max<ssize_t>(n, 0))), "Orders;Customers;");
}

TEST(CatalogTest, TableNamesIgnoreAsciiCaseOnly) {
  TempDir dir;
  std::string name = dir.File("cat.vex");
  TVexDiskDatabaseCatalog::CreateDatabase(name, {});
  Opened db(name, false);
  TVexTableListFile& list = *db.Catalog.TableList;
  list.AddTable(1, "Orders", 3, 4, 5);
  list.AddTable(2, "\xC4pfel", 6, 7, 8);  // Windows-1252 A-umlaut
  EXPECT_EQ(list.FindTable("ORDERS").TableId, 1);
  EXPECT_EQ(list.FindTable("orders").TableId, 1);
  EXPECT_TRUE(list.TableExists("\xC4PFEL"));
  std::string msg = EXPECT_VEX_CODE(list.FindTable("\xE4pfel"), 30396);
  EXPECT_NE(msg.find("Table '\xE4pfel' not exists."), std::string::npos);
  EXPECT_VEX_CODE(list.AddTable(3, "oRdErS", 1, 1, 1), 30395);
  EXPECT_VEX_CODE(list.DeleteTable("Missing"), 30405);
  EXPECT_VEX_CODE(list.RenameTable("Missing", "X"), 30397);
  list.RenameTable("orders", "Sales");
  list.DeleteTable("\xC4PFEL");
  list.AddTable(4, std::string(300, 'n'), 9, 9, 9);
  list.Save(-2);
  db.Catalog.PageManager->Commit(-2);
  std::vector<std::string> names = list.GetTableNames();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "Sales");
  EXPECT_EQ(names[1], std::string(255, 'n'));
}

TEST(CatalogTest, EncryptedCatalogueNeedsThePassword) {
  TempDir dir;
  std::string name = dir.File("enc.vex");
  TVexDiskDatabaseCatalog::CreateDatabase(name, TVexPassword{"geheim", 6});
  EXPECT_VEX_CODE(Opened(name, false, false, TVexPassword{"wrong", 6}), 30445);
  Opened db(name, false, false, TVexPassword{"geheim", 0});
  EXPECT_EQ(db.Catalog.Password.CryptoAlgorithm, 6);
  EXPECT_EQ(db.Catalog.MaxConnections, 500);
}

TEST(CatalogTest, SessionSlotsAndTheSingleUserLock) {
  ShortLockWaits waits;
  TempDir dir;
  std::string name = dir.File("cat.vex");
  TVexDiskDatabaseCatalog::CreateDatabase(name, {}, TVexCreateOptions{4096, 8, 2});
  Opened a(name, true), b(name, true), c(name, true);
  EXPECT_EQ(a.Catalog.ConnectSession(true), 0);
  EXPECT_EQ(b.Catalog.ConnectSession(true), 1);
  std::string msg = EXPECT_VEX_CODE(c.Catalog.ConnectSession(true), 20094);
  EXPECT_NE(msg.find("Maximum connections quantity exceeded"), std::string::npos);
  EXPECT_VEX_CODE(a.Catalog.ConnectSession(false), 20235);
  {
    Opened single(name, false);
    single.Catalog.ConnectSession(false);
    EXPECT_TRUE(single.Catalog.ReadOnly);  // shared with connected clients: read-only
    EXPECT_FALSE(single.Catalog.SingleUserLockHeld);
  }
  a.Catalog.DisconnectSession(0);
  EXPECT_EQ(c.Catalog.ConnectSession(true), 0);
  c.Catalog.DisconnectSession(0);
  b.Catalog.DisconnectSession(1);
  Opened single(name, false);
  single.Catalog.ConnectSession(false);
  EXPECT_TRUE(single.Catalog.SingleUserLockHeld);
  // The other connections still hold the file open for writing, so the write probe failed.
  EXPECT_TRUE(single.Catalog.ReadOnly);
  EXPECT_VEX_CODE(a.Catalog.ConnectSession(true), 20094);
  // The sessions file's start page stays readable while its file lock is held elsewhere.
  ASSERT_TRUE(single.Catalog.ActiveSessions->File.LockFile());
  Opened late(name, true);
  EXPECT_EQ(late.Catalog.MaxConnections, 2);
  single.Catalog.ActiveSessions->File.UnlockFile();
  single.Catalog.DisconnectSession(0);
  EXPECT_FALSE(single.Catalog.SingleUserLockHeld);
  EXPECT_EQ(a.Catalog.ConnectSession(true), 0);
}

TEST(CatalogTest, SingleUserOpenWhileAnotherProcessHoldsTheFileIsReadOnly) {
  TempDir dir;
  std::string name = dir.File("cat.vex");
  TVexDiskDatabaseCatalog::CreateDatabase(name, {});
  int ready[2], done[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(done), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    char c = 'F';
    try {
      Opened holder(name, false);
      holder.Catalog.ConnectSession(false);
      if (holder.Catalog.SingleUserLockHeld && !holder.Catalog.ReadOnly) c = 'L';
      (void)!write(ready[1], &c, 1);
      (void)!read(done[0], &c, 1);
    } catch (const Exception&) {
      (void)!write(ready[1], &c, 1);
    }
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'L');
  {
    Opened second(name, false);
    second.Catalog.ConnectSession(false);
    EXPECT_TRUE(second.Catalog.ReadOnly);
    EXPECT_EQ(second.Catalog.TableList->GetTableNames().size(), 0u);
  }
  (void)!write(done[1], "x", 1);
  waitpid(pid, nullptr, 0);
  Opened after(name, false);
  after.Catalog.ConnectSession(false);
  EXPECT_FALSE(after.Catalog.ReadOnly);
  for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
}

TEST(CatalogTest, TableAndRecordLocksBetweenConnections) {
  ShortLockWaits waits;
  TempDir dir;
  std::string name = dir.File("cat.vex");
  TVexDiskDatabaseCatalog::CreateDatabase(name, {}, TVexCreateOptions{4096, 8, 4});
  int32_t locksStart;
  {
    Opened db(name, false);
    TVexTableLocksFile locks(db.Catalog.PageManager.get());
    locksStart = locks.Create(4);
    db.Catalog.PageManager->Commit(-2);
  }
  Opened a(name, true), b(name, true);
  int32_t sa = a.Catalog.ConnectSession(true), sb = b.Catalog.ConnectSession(true);
  TVexTableLocksFile la(a.Catalog.PageManager.get()), lb(b.Catalog.PageManager.get());
  la.Open(locksStart);
  lb.Open(locksStart);
  EXPECT_EQ(la.SessionCapacity, 4);
  TVexDatabaseTableLockManager& ma = *a.Catalog.TableLockManager;
  TVexDatabaseTableLockManager& mb = *b.Catalog.TableLockManager;
  struct Case {
    uint8_t held, wanted;
  };
  for (uint8_t held = 0; held <= 6; ++held) {
    for (uint8_t wanted = 0; wanted <= 6; ++wanted) {
      ASSERT_TRUE(ma.LockTable(sa, la, held, 1, 0));
      EXPECT_EQ(mb.LockTable(sb, lb, wanted, 2, 2), TableLockTypesCompatible(held, wanted))
          << int(held) << " " << int(wanted);
      if (TableLockTypesCompatible(held, wanted)) mb.UnlockTable(sb, lb, wanted);
      ma.UnlockTable(sa, la, held);
    }
  }
  // A lock already held is counted again; type 2 is not taken twice.
  EXPECT_TRUE(ma.LockTable(sa, la, 0, 1, 0));
  EXPECT_TRUE(ma.LockTable(sa, la, 0, 1, 0));
  ma.UnlockTable(sa, la, 0);
  EXPECT_FALSE(mb.LockTable(sb, lb, 6, 1, 0));
  ma.UnlockTable(sa, la, 0);
  EXPECT_VEX_CODE(ma.UnlockTable(sa, la, 0), 20202);
  ASSERT_TRUE(ma.LockTable(sa, la, 2, 1, 0));
  EXPECT_FALSE(ma.LockTable(sa, la, 2, 1, 0));
  EXPECT_FALSE(mb.LockTable(sb, lb, 3, 1, 0));
  EXPECT_TRUE(mb.LockTable(sb, lb, 3, 1, 0, true));  // the option ignores type 2
  mb.UnlockTable(sb, lb, 3);
  ma.UnlockTable(sa, la, 2);
  // Record locks.
  EXPECT_TRUE(ma.LockRecord(sa, la, 17, 3));
  EXPECT_FALSE(mb.LockRecord(sb, lb, 17, 3));
  EXPECT_TRUE(mb.LockRecord(sb, lb, 17, 4));
  ma.UnlockRecord(sa, la);
  mb.UnlockRecord(sb, lb);
  EXPECT_TRUE(mb.LockRecord(sb, lb, 17, 3));
  mb.UnlockRecord(sb, lb);
  EXPECT_VEX_CODE(ma.UnlockRecord(sa, la), 20206);
}

}  // namespace
