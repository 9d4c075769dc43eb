// The file stream over a POSIX file descriptor.
#include "engine/base/VexFileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "engine/base/VexExcept.h"

std::string TemporaryDirectory() {
  const char* dir = std::getenv("TMPDIR");
  return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

TVexFileStream::TVexFileStream(const std::string& fileName, uint16_t mode, bool deleteOnClose)
    : FileName_(fileName), Mode_(mode), DeleteOnClose_(deleteOnClose) {
  if (mode == fmCreate) {
    Handle_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (Handle_ < 0) throw EVexException(10104, "Cannot create file. FileName = %s", {fileName});
    // The name goes at once: nobody else can open the file, and it is gone however the
    // process ends.
    if (deleteOnClose) ::unlink(fileName.c_str());
    return;
  }
  const int access = (mode & 3) == fmOpenRead    ? O_RDONLY
                     : (mode & 3) == fmOpenWrite ? O_WRONLY
                                                 : O_RDWR;
  Handle_ = ::open(fileName.c_str(), access | O_CLOEXEC);
  if (Handle_ < 0)
    throw EVexException(10105, "Cannot open file. FileName = %s, Mode = %d", {fileName, mode});
  if (deleteOnClose) ::unlink(fileName.c_str());
}

TVexFileStream::TVexFileStream(int handle, std::string fileName)
    : Handle_(handle), FileName_(std::move(fileName)), Mode_(fmCreate), DeleteOnClose_(true) {}

TVexFileStream::~TVexFileStream() {
  if (Handle_ >= 0) ::close(Handle_);
}

std::unique_ptr<TVexFileStream> TVexFileStream::CreateTemporary(const std::string& prefix) {
  std::string pattern = TemporaryDirectory() + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int handle = ::mkstemp(name.data());
  if (handle < 0) throw EVexException(10104, "Cannot create file. FileName = %s", {pattern});
  ::unlink(name.data());
  return std::unique_ptr<TVexFileStream>(new TVexFileStream(handle, name.data()));
}

int64_t TVexFileStream::GetSize() {
  struct stat info {};
  return ::fstat(Handle_, &info) == 0 ? int64_t(info.st_size) : 0;
}

void TVexFileStream::SetSize(int64_t newSize) {
  if (newSize < 0 || ::ftruncate(Handle_, off_t(newSize)) != 0)
    throw EStreamError("Cannot set the size of file " + FileName_);
}

int32_t TVexFileStream::Read(void* buffer, int32_t count) {
  int32_t done = 0;
  auto p = static_cast<uint8_t*>(buffer);
  while (done < count) {
    const ssize_t n = ::pread(Handle_, p + done, size_t(count - done), off_t(Position_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += int32_t(n);
    Position_ += n;
  }
  return done;
}

int32_t TVexFileStream::Write(const void* buffer, int32_t count) {
  int32_t done = 0;
  auto p = static_cast<const uint8_t*>(buffer);
  while (done < count) {
    const ssize_t n = ::pwrite(Handle_, p + done, size_t(count - done), off_t(Position_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += int32_t(n);
    Position_ += n;
  }
  return done;
}

int64_t TVexFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t target =
      SeekTarget(offset, origin, Position_, origin == TSeekOrigin::soEnd ? GetSize() : 0);
  if (target >= 0) Position_ = target;
  return Position_;
}
