// An operating-system file handle with positioned reads and writes, Windows-style access and
// share modes, and byte-range locks that conflict between any two handles, whether of one
// process or of two (open-file-description locks). Calls return 0 or an errno value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class OsFile {
 public:
  enum class Access { Read, ReadWrite };
  // None: nobody else may open the file; ReadWrite: others may read and write; Read: others
  // may only read.
  enum class Share { None, ReadWrite, Read };
  enum class Disposition { CreateAlways, OpenExisting };

  OsFile() = default;
  ~OsFile();
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;

  // Opens (or creates) the file. Fails with EBUSY when the share modes of this open and of the
  // handles already open on the file do not fit together.
  int Open(const std::string& name, Access access, Share share, Disposition disposition);
  int Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Reads or writes up to count bytes at pos; done receives the bytes moved. A read that ends
  // early at the end of the file answers ENODATA with the bytes obtained in done.
  int ReadAt(void* buffer, size_t count, int64_t pos, size_t& done);
  int WriteAt(const void* buffer, size_t count, int64_t pos, size_t& done);
  int GetSize(int64_t& size);
  int SetSize(int64_t size);
  int Flush();

  // Exclusive lock of count bytes at pos, without waiting. A range that overlaps a range this
  // handle already holds is refused (EAGAIN), as another handle's lock is. Unlock needs the
  // exact range of an earlier lock (else ENOLCK).
  int Lock(int64_t pos, int64_t count);
  int Unlock(int64_t pos, int64_t count);

  static std::string ErrorText(int error);

 private:
  int LockRange(short type, int64_t pos, int64_t count, bool wait);
  int TestRange(short type, int64_t pos, int64_t count, bool& conflict);
  int ClaimShare(Access access, Share share);

  int fd_ = -1;
  bool writable_ = false;                          // the handle may write (Access::ReadWrite)
  bool exclusiveLocks_ = false;                    // the descriptor allows exclusive (write) locks
  std::vector<std::pair<int64_t, int64_t>> held_;  // ranges locked through this handle
};
