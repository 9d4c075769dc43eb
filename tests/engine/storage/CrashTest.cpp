// Writers that die: a process killed between the two header writes of a commit, one killed
// outside a commit, and one killed while holding lock bytes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/storage/DiskDatabaseCatalog.h"
#include "tests/engine/storage/DiskTestDb.h"
#include "tests/engine/storage/StorageTestUtil.h"

using namespace VexLayout;

namespace {

// A page manager whose process dies at the first page write of a commit, that is after the
// header with WriteState 1 went to disk and before the closing header write.
class TDyingPageManager : public TVexDiskPageManager {
 public:
  void WritePage(TVexPage* page) override {
    if (DieAtWrite) raise(SIGKILL);
    TVexDiskPageManager::WritePage(page);
  }
  bool DieAtWrite = false;
};

// Runs body in a child process and waits until it is gone; answers its wait status.
template <class Body>
int InChild(Body body) {
  pid_t pid = fork();
  if (pid == 0) {
    try {
      body();
    } catch (...) {
      _exit(3);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

void ChangePage(TVexDiskPageManager& pm, int32_t pageNo, const char* text) {
  TVexPageGuard p(pm, pm.GetPage(0, pageNo, false, ptTableRecord));
  std::strcpy(reinterpret_cast<char*>(p->GetData()), text);
  p->Dirty = true;
}

TEST(CrashTest, KilledBetweenTheHeaderWritesLeavesRepairNeeded) {
  TempDir dir;
  std::string name = dir.File("db.vex");
  MakeDiskDb(name, 3);
  int status = InChild([&] {
    TDyingPageManager pm;
    OpenDiskDb(pm, name);
    ChangePage(pm, 3, "half written");
    pm.DieAtWrite = true;
    pm.Commit(0);
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  TVexDiskPageManager pm;
  EXPECT_TRUE(OpenDiskDb(pm, name));
  EXPECT_EQ(pm.MainHeader.WriteState, 1);
  // The kernel released the database lock of the dead process: a commit goes through.
  ChangePage(pm, 3, "repaired");
  pm.Commit(0);
  EXPECT_EQ(pm.MainHeader.WriteState, 2);
}

TEST(CrashTest, KilledOutsideACommitKeepsWhatWasCommitted) {
  TempDir dir;
  std::string name = dir.File("db.vex");
  MakeDiskDb(name, 3);
  int status = InChild([&] {
    TVexDiskPageManager pm;
    OpenDiskDb(pm, name);
    ChangePage(pm, 2, "committed");
    pm.Commit(0);
    ChangePage(pm, 3, "never committed");
    TVexPageGuard added(pm, pm.AddPage(0, ptTableRecord));  // allocated, not committed
    raise(SIGKILL);
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  TVexDiskPageManager pm;
  EXPECT_FALSE(OpenDiskDb(pm, name));
  TVexPageGuard p2(pm, pm.GetPage(0, 2, false, ptTableRecord));
  EXPECT_EQ(PageText(p2.get()), "committed");
  TVexPageGuard p3(pm, pm.GetPage(0, 3, false, ptTableRecord));
  EXPECT_EQ(PageText(p3.get()), "page 3");
}

TEST(CrashTest, KilledProcessLeavesNoLockByteHeld) {
  ShortLockWaits waits;
  TempDir dir;
  std::string name = dir.File("db.vex");
  TVexDiskDatabaseCatalog::CreateDatabase(name, {});
  int toParent[2];
  ASSERT_EQ(pipe(toParent), 0);
  pid_t pid = fork();
  if (pid == 0) {
    TVexDiskDatabaseCatalog db;
    TVexPassword password;
    bool multiUser = false, readOnly = false;
    db.Open(name, password, multiUser, false, readOnly);
    db.ConnectSession(false);
    bool ok = db.SingleUserLockHeld && db.PageManager->LockDatabase(false) &&
              db.PageManager->LockTables();
    db.PageManager->GetNextObjectId();
    char c = ok ? 'L' : 'F';
    (void)!write(toParent[1], &c, 1);
    pause();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(toParent[0], &c, 1), 1);
  ASSERT_EQ(c, 'L');
  {
    TVexDiskPageManager pm;
    EXPECT_VEX_CODE(OpenDiskDb(pm, name, {}, true), 20230);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  close(toParent[0]);
  close(toParent[1]);
  TVexDiskDatabaseCatalog db;
  TVexPassword password;
  bool multiUser = false, readOnly = false;
  db.Open(name, password, multiUser, false, readOnly);
  EXPECT_FALSE(readOnly);
  db.ConnectSession(false);
  EXPECT_TRUE(db.SingleUserLockHeld);
  EXPECT_TRUE(db.PageManager->LockTables());
  EXPECT_EQ(db.PageManager->GetNextObjectId(), 2);
}

}  // namespace
