// Cached pages in multi-user mode: valid while the table version of the session is the one
// under which they were read; re-read when another connection changed them.
#include <gtest/gtest.h>

#include "engine/storage/DiskPageManager.h"
#include "tests/engine/storage/DiskTestDb.h"
#include "tests/engine/storage/StorageTestUtil.h"

using namespace VexLayout;

namespace {

void OpenMultiUser(TVexDiskPageManager& pm, const std::string& name) {
  TVexPassword password;
  bool multiUser = true, readOnly = false;
  pm.OpenDatabase(name, password, multiUser, false, readOnly);
  ASSERT_TRUE(pm.MultiUser);
}

std::string Read(TVexDiskPageManager& pm, int32_t pageNo) {
  TVexPageGuard p(pm, pm.GetPage(0, pageNo, true, ptTableRecord));
  return PageText(p.get());
}

TEST(MultiUserCacheTest, StalePagesAreReadAgainUnderANewTableVersion) {
  TempDir dir;
  std::string name = dir.File("db.vex");
  MakeDiskDb(name, 2);
  TVexDiskPageManager a, b;
  OpenMultiUser(a, name);
  OpenMultiUser(b, name);
  const int32_t table = 77;
  TVexDiskTablePagesCacheManager& cache = a.TablePagesCache;
  cache.PushTable(0, table);
  cache.TableLocked(0, table, 1);
  cache.SetTableVersion(0, table, 5);
  EXPECT_EQ(Read(a, 3), "page 3");
  {
    TVexPageGuard p(b, b.GetPage(0, 3, true, ptTableRecord));
    std::strcpy(reinterpret_cast<char*>(p->GetData()), "changed by b");
    p->Dirty = true;
  }
  b.Commit(0);
  // Same table version: the cached page counts as valid.
  EXPECT_EQ(Read(a, 3), "page 3");
  // A new lock period with a new version: the page's ChangeCounter on disk differs, so it is
  // read again.
  cache.TableUnlocked(0, table, 1);
  cache.TableLocked(0, table, 1);
  cache.SetTableVersion(0, table, 6);
  EXPECT_EQ(Read(a, 3), "changed by b");
  // Without a locked table nothing is known valid, and an unchanged page is kept.
  cache.TableUnlocked(0, table, 1);
  EXPECT_FALSE(a.IsPageValid(0, a.SharedCache.Find(3)));
  EXPECT_EQ(Read(a, 3), "changed by b");
  EXPECT_EQ(Read(a, 2), "page 2");
}

}  // namespace
