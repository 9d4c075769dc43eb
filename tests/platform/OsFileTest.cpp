// The OS file handle: positioned I/O, share modes between handles, and byte locks that
// conflict between handles of one process and between processes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/OsFile.h"

namespace {

class OsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vex_osfile_XXXXXX";
    int fd = mkstemp(tmpl);
    ASSERT_GE(fd, 0);
    close(fd);
    path_ = tmpl;
  }
  void TearDown() override { unlink(path_.c_str()); }
  std::string path_;
};

using A = OsFile::Access;
using S = OsFile::Share;
using D = OsFile::Disposition;

TEST_F(OsFileTest, PositionedReadWriteAndShortRead) {
  OsFile f;
  ASSERT_EQ(f.Open(path_, A::ReadWrite, S::ReadWrite, D::CreateAlways), 0);
  size_t done = 0;
  ASSERT_EQ(f.WriteAt("abcdef", 6, 100, done), 0);
  int64_t size = 0;
  ASSERT_EQ(f.GetSize(size), 0);
  EXPECT_EQ(size, 106);
  char buf[10] = {};
  EXPECT_EQ(f.ReadAt(buf, 3, 102, done), 0);
  EXPECT_EQ(std::string(buf, 3), "cde");
  EXPECT_EQ(f.ReadAt(buf, 10, 103, done), ENODATA);
  EXPECT_EQ(done, 3u);
  ASSERT_EQ(f.SetSize(50), 0);
  ASSERT_EQ(f.GetSize(size), 0);
  EXPECT_EQ(size, 50);
}

TEST_F(OsFileTest, ReadOnlyHandleRefusesWrites) {
  OsFile f;
  ASSERT_EQ(f.Open(path_, A::Read, S::ReadWrite, D::OpenExisting), 0);
  size_t done = 0;
  EXPECT_NE(f.WriteAt("x", 1, 0, done), 0);
  EXPECT_NE(f.SetSize(10), 0);
  EXPECT_EQ(f.Lock(5, 1), 0);  // read-only handles still take exclusive byte locks
}

TEST_F(OsFileTest, ShareModesBetweenHandles) {
  struct Case {
    A firstAccess;
    S firstShare;
    A secondAccess;
    S secondShare;
    bool secondOpens;
  };
  const Case cases[] = {
      {A::ReadWrite, S::ReadWrite, A::ReadWrite, S::ReadWrite, true},
      {A::ReadWrite, S::None, A::Read, S::ReadWrite, false},
      {A::Read, S::ReadWrite, A::ReadWrite, S::None, false},
      {A::ReadWrite, S::Read, A::Read, S::ReadWrite, true},
      {A::ReadWrite, S::Read, A::ReadWrite, S::ReadWrite, false},
      {A::ReadWrite, S::ReadWrite, A::ReadWrite, S::Read, false},  // would deny the writer
      {A::Read, S::ReadWrite, A::ReadWrite, S::Read, true},
  };
  int i = 0;
  for (const Case& c : cases) {
    OsFile first, second;
    ASSERT_EQ(first.Open(path_, c.firstAccess, c.firstShare, D::OpenExisting), 0) << i;
    int e = second.Open(path_, c.secondAccess, c.secondShare, D::OpenExisting);
    EXPECT_EQ(e == 0, c.secondOpens) << "case " << i << " error " << e;
    ++i;
  }
  OsFile again;  // everything closed: an exclusive open works
  EXPECT_EQ(again.Open(path_, A::ReadWrite, S::None, D::OpenExisting), 0);
}

TEST_F(OsFileTest, LocksConflictBetweenHandlesOfOneProcess) {
  OsFile a, b;
  ASSERT_EQ(a.Open(path_, A::ReadWrite, S::ReadWrite, D::OpenExisting), 0);
  ASSERT_EQ(b.Open(path_, A::Read, S::ReadWrite, D::OpenExisting), 0);
  ASSERT_EQ(a.Lock(360, 1), 0);
  EXPECT_EQ(b.Lock(360, 1), EAGAIN);
  EXPECT_EQ(b.Lock(355, 10), EAGAIN);
  EXPECT_EQ(b.Lock(361, 1), 0);
  // The same handle cannot take an overlapping lock twice either.
  EXPECT_EQ(a.Lock(360, 1), EAGAIN);
  EXPECT_EQ(a.Unlock(360, 2), ENOLCK);  // not the range that was locked
  EXPECT_EQ(a.Unlock(360, 1), 0);
  EXPECT_EQ(a.Unlock(360, 1), ENOLCK);
  EXPECT_EQ(b.Lock(360, 1), 0);
  b.Close();  // closing releases every lock of the handle
  EXPECT_EQ(a.Lock(360, 2), 0);
}

TEST_F(OsFileTest, LocksConflictWithOtherProcessAndDieWithIt) {
  int toParent[2], toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    OsFile f;
    int ok = f.Open(path_, A::ReadWrite, S::ReadWrite, D::OpenExisting) == 0 && f.Lock(7, 3) == 0;
    char c = ok ? 'L' : 'F';
    (void)!write(toParent[1], &c, 1);
    (void)!read(toChild[0], &c, 1);  // wait, then die holding the lock
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(toParent[0], &c, 1), 1);
  ASSERT_EQ(c, 'L');
  OsFile f;
  ASSERT_EQ(f.Open(path_, A::ReadWrite, S::ReadWrite, D::OpenExisting), 0);
  EXPECT_EQ(f.Lock(8, 1), EAGAIN);
  (void)!write(toChild[1], "x", 1);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(f.Lock(8, 1), 0);
  for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);
}

}  // namespace
