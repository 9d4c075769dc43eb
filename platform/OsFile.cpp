// Operating-system file handle with positioned I/O, emulated share modes and OFD byte locks.
#include "platform/OsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace {

// Share modes are kept as shared locks on bytes far beyond any real file content: each open
// holds a shared lock on the bytes that describe its access and what it denies to others.
constexpr int64_t kShareBase = INT64_MAX - 64;
constexpr int64_t kHasRead = kShareBase + 0;
constexpr int64_t kHasWrite = kShareBase + 1;
constexpr int64_t kDeniesRead = kShareBase + 2;
constexpr int64_t kDeniesWrite = kShareBase + 3;
constexpr int64_t kShareGate = kShareBase + 4;  // serialises the check-and-claim of opens

}  // namespace

OsFile::~OsFile() {
  Close();
}

namespace {

struct flock LockDescription(short type, int64_t pos, int64_t count) {
  struct flock fl;
  std::memset(&fl, 0, sizeof fl);
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = pos;
  fl.l_len = count;
  return fl;
}

}  // namespace

int OsFile::LockRange(short type, int64_t pos, int64_t count, bool wait) {
  struct flock fl = LockDescription(type, pos, count);
  if (fcntl(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) != 0) return errno;
  return 0;
}

int OsFile::TestRange(short type, int64_t pos, int64_t count, bool& conflict) {
  struct flock fl = LockDescription(type, pos, count);
  if (fcntl(fd_, F_OFD_GETLK, &fl) != 0) return errno;
  conflict = fl.l_type != F_UNLCK;
  return 0;
}

int OsFile::ClaimShare(Access access, Share share) {
  short gateType = exclusiveLocks_ ? F_WRLCK : F_RDLCK;
  if (int e = LockRange(gateType, kShareGate, 1, true)) return e;
  struct Probe {
    bool wanted;
    int64_t byte;
  };
  const Probe probes[] = {
      {true, kDeniesRead},
      {access == Access::ReadWrite, kDeniesWrite},
      {share == Share::None, kHasRead},
      {share != Share::ReadWrite, kHasWrite},
  };
  int result = 0;
  for (const Probe& p : probes) {
    bool conflict = false;
    if (!p.wanted) continue;
    if (int e = TestRange(F_WRLCK, p.byte, 1, conflict)) {
      result = e;
      break;
    }
    if (conflict) {
      result = EBUSY;
      break;
    }
  }
  if (result == 0) {
    const Probe claims[] = {
        {true, kHasRead},
        {access == Access::ReadWrite, kHasWrite},
        {share == Share::None, kDeniesRead},
        {share != Share::ReadWrite, kDeniesWrite},
    };
    for (const Probe& c : claims)
      if (c.wanted && (result = LockRange(F_RDLCK, c.byte, 1, false)) != 0) break;
  }
  LockRange(F_UNLCK, kShareGate, 1, false);
  return result;
}

int OsFile::Open(const std::string& name, Access access, Share share, Disposition disposition) {
  if (fd_ >= 0) return EBUSY;
  int flags = O_CLOEXEC | (disposition == Disposition::CreateAlways ? O_CREAT : 0);
  // Exclusive byte locks need a descriptor open for writing, so a read-only handle is opened
  // for writing too where the file allows it; writes through it are refused below.
  fd_ = ::open(name.c_str(), flags | O_RDWR, 0644);
  exclusiveLocks_ = fd_ >= 0;
  if (fd_ < 0 && access == Access::Read && (errno == EACCES || errno == EROFS))
    fd_ = ::open(name.c_str(), flags | O_RDONLY);
  if (fd_ < 0) return errno;
  struct stat st;
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    int e = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd_);
    fd_ = -1;
    return e;
  }
  writable_ = access == Access::ReadWrite;
  if (int e = ClaimShare(access, share)) {
    ::close(fd_);
    fd_ = -1;
    return e;
  }
  if (disposition == Disposition::CreateAlways && ftruncate(fd_, 0) != 0) {
    int e = errno;
    Close();
    return e;
  }
  return 0;
}

int OsFile::Close() {
  held_.clear();
  if (fd_ < 0) return 0;
  int r = ::close(fd_);
  fd_ = -1;
  return r == 0 ? 0 : errno;
}

int OsFile::ReadAt(void* buffer, size_t count, int64_t pos, size_t& done) {
  done = 0;
  if (fd_ < 0) return EBADF;
  if (pos < 0) return EINVAL;
  auto* p = static_cast<uint8_t*>(buffer);
  while (done < count) {
    ssize_t n = ::pread(fd_, p + done, count - done, off_t(pos + int64_t(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENODATA;
    done += size_t(n);
  }
  return 0;
}

int OsFile::WriteAt(const void* buffer, size_t count, int64_t pos, size_t& done) {
  done = 0;
  if (fd_ < 0) return EBADF;
  if (!writable_) return EBADF;
  if (pos < 0) return EINVAL;
  auto* p = static_cast<const uint8_t*>(buffer);
  while (done < count) {
    ssize_t n = ::pwrite(fd_, p + done, count - done, off_t(pos + int64_t(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += size_t(n);
  }
  return 0;
}

int OsFile::GetSize(int64_t& size) {
  size = 0;
  if (fd_ < 0) return EBADF;
  struct stat st;
  if (fstat(fd_, &st) != 0) return errno;
  size = int64_t(st.st_size);
  return 0;
}

int OsFile::SetSize(int64_t size) {
  if (fd_ < 0) return EBADF;
  if (!writable_) return EBADF;
  if (size < 0) return EINVAL;
  return ftruncate(fd_, off_t(size)) == 0 ? 0 : errno;
}

int OsFile::Flush() {
  if (fd_ < 0) return EBADF;
  return fsync(fd_) == 0 ? 0 : errno;
}

int OsFile::Lock(int64_t pos, int64_t count) {
  if (fd_ < 0) return EBADF;
  if (pos < 0 || count <= 0 || pos > kShareBase - count) return EINVAL;
  for (const auto& [start, len] : held_)
    if (pos < start + len && start < pos + count) return EAGAIN;
  int e = LockRange(exclusiveLocks_ ? F_WRLCK : F_RDLCK, pos, count, false);
  if (e == EACCES) e = EAGAIN;
  if (e == 0) held_.emplace_back(pos, count);
  return e;
}

int OsFile::Unlock(int64_t pos, int64_t count) {
  if (fd_ < 0) return EBADF;
  auto it = std::find(held_.begin(), held_.end(), std::make_pair(pos, count));
  if (it == held_.end()) return ENOLCK;
  if (int e = LockRange(F_UNLCK, pos, count, false)) return e;
  held_.erase(it);
  return 0;
}

std::string OsFile::ErrorText(int error) {
  char buf[256];
  // GNU strerror_r returns the text, which may or may not be in buf.
  const char* text = strerror_r(error, buf, sizeof buf);
  return text ? std::string(text) : std::string();
}
