// TVexDatabaseFile: modes, positioned I/O, byte locks, retries and reconnects.
#include "engine/storage/DatabaseFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "engine/base/VexExcept.h"
#include "engine/storage/LockPolling.h"

namespace {

// Errors after which the handle is taken as lost (bad handle, device and network failures).
bool IsConnectionLoss(int e) {
  switch (e) {
    case EBADF:
    case EIO:
    case ENXIO:
    case ENODEV:
    case ESTALE:
    case ENOTCONN:
    case ECONNRESET:
    case ENETDOWN:
    case ENETUNREACH:
    case EHOSTDOWN:
    case EHOSTUNREACH:
      return true;
    default:
      return false;
  }
}

}  // namespace

TVexDatabaseFile::~TVexDatabaseFile() {
  file_.Close();
}

void TVexDatabaseFile::CheckOpen(const char* operation) {
  if (!IsOpen)
    throw EVexException(30376, "Cannot perform this operation (%s) on a closed file", {operation});
}

void TVexDatabaseFile::CheckClosed(const char* operation) {
  if (IsOpen)
    throw EVexException(30377, "Cannot perform this operation (%s) on a opened file", {operation});
}

OsFile::Access TVexDatabaseFile::MapAccess(uint8_t accessMode) {
  switch (accessMode) {
    case 0:
      return OsFile::Access::Read;
    case 1:
      return OsFile::Access::ReadWrite;
    default:
      throw EVexException(30366, "Unknown Access mode: '%d'", {accessMode});
  }
}

OsFile::Share TVexDatabaseFile::MapShare(uint8_t shareMode) {
  switch (shareMode) {
    case 0:
      return OsFile::Share::None;
    case 1:
      return OsFile::Share::ReadWrite;
    case 2:
      return OsFile::Share::Read;
    default:
      throw EVexException(30367, "Unknown Share mode: '%d'", {shareMode});
  }
}

void TVexDatabaseFile::CreateFile(const std::string& fileName) {
  CheckClosed("CreateFile");
  if (fileName.empty()) throw EVexException(30374, "Cannot create file with blank FileName");
  struct stat st;
  if (::stat(fileName.c_str(), &st) == 0) {
    // Refuse a file that another handle holds, then delete it (after making it writable).
    OsFile probe;
    int e = probe.Open(fileName, OsFile::Access::ReadWrite, OsFile::Share::None,
                       OsFile::Disposition::OpenExisting);
    if (e == EACCES) {
      ::chmod(fileName.c_str(), st.st_mode | S_IWUSR);
      e = probe.Open(fileName, OsFile::Access::ReadWrite, OsFile::Share::None,
                     OsFile::Disposition::OpenExisting);
    }
    if (e == 0) {
      probe.Close();
      if (::unlink(fileName.c_str()) != 0) e = errno;
    }
    if (e != 0)
      throw EVexException(30361, "Cannot create file: '%s' Error code: %d. ErrorMessage: %s",
                          {fileName, e, OsFile::ErrorText(e)});
  }
  int e = file_.Open(fileName, OsFile::Access::ReadWrite, OsFile::Share::None,
                     OsFile::Disposition::CreateAlways);
  if (e != 0)
    throw EVexException(30361, "Cannot create file: '%s' Error code: %d. ErrorMessage: %s",
                        {fileName, e, OsFile::ErrorText(e)});
  FileName = fileName;
  AccessMode = 1;
  ShareMode = 0;
  IsOpen = true;
  ConnectionLost = false;
  position_ = 0;
}

void TVexDatabaseFile::OpenFile(const std::string& fileName, uint8_t accessMode,
                                uint8_t shareMode) {
  CheckClosed("OpenFile");
  OsFile::Access access = MapAccess(accessMode);
  OsFile::Share share = MapShare(shareMode);
  int e = file_.Open(fileName, access, share, OsFile::Disposition::OpenExisting);
  if (e != 0)
    throw EVexException(30364, "Cannot open file:'%s' Error code: %d. ErrorMessage: %s",
                        {fileName, e, OsFile::ErrorText(e)});
  FileName = fileName;
  AccessMode = accessMode;
  ShareMode = shareMode;
  IsOpen = true;
  ConnectionLost = false;
  position_ = 0;
}

void TVexDatabaseFile::CloseFile() {
  if (!IsOpen) return;
  IsOpen = false;
  int e = file_.Close();
  if (e != 0)
    throw EVexException(30365, "Cannot close file:'%s' Error code: %d. ErrorMessage: %s",
                        {FileName, e, OsFile::ErrorText(e)});
}

bool TVexDatabaseFile::Reconnect() {
  const TVexLockPolling& p = VexLockPolling();
  for (int32_t i = 0; i < p.ReconnectTries; ++i) {
    file_.Close();
    if (file_.Open(FileName, MapAccess(AccessMode), MapShare(ShareMode),
                   OsFile::Disposition::OpenExisting) == 0) {
      ConnectionLost = false;
      return true;
    }
    if (i + 1 < p.ReconnectTries) VexSleep(p.ReconnectPauseMs);
  }
  return false;
}

bool TVexDatabaseFile::CheckHandle() {
  int64_t size = 0;
  if (file_.GetSize(size) == 0) return true;
  return Reconnect();
}

template <class Op>
int TVexDatabaseFile::Attempt(Op op) {
  int e = op();
  if (e == 0) return 0;
  if (!CheckHandle()) return e;
  return op();
}

bool TVexDatabaseFile::Seek(int64_t position) {
  CheckOpen("Seek");
  if (position < 0) return false;
  position_ = position;
  return true;
}

void TVexDatabaseFile::SetPosition(int64_t position, int32_t code) {
  CheckOpen("SetPosition");
  if (!Seek(position)) {
    int64_t size = 0;
    file_.GetSize(size);
    throw EVexException(
        code, "Cannot Set File Position to %d. FileName='%s'. FilePosition = %d, FileSize = %d",
        {position, FileName, position_, size});
  }
}

int64_t TVexDatabaseFile::GetPosition() {
  CheckOpen("GetPosition");
  return position_;
}

void TVexDatabaseFile::SetSize(int64_t size) {
  CheckOpen("SetSize");
  int e = Attempt([&] { return file_.SetSize(size); });
  if (e != 0)
    throw EVexException(30370,
                        "Cannot Truncate File '%s' to %d bytes. ErrorCode:%d. ErrorMessage: %s",
                        {FileName, size, e, OsFile::ErrorText(e)});
  position_ = size;
}

int64_t TVexDatabaseFile::GetSize() {
  CheckOpen("GetSize");
  int64_t size = 0;
  int e = Attempt([&] { return file_.GetSize(size); });
  if (e != 0)
    throw EVexException(30371,
                        "Cannot Get File Size for file: '%s'. ErrorCode:%d. ErrorMessage: %s",
                        {FileName, e, OsFile::ErrorText(e)});
  return size;
}

bool TVexDatabaseFile::ReadBuffer(void* buffer, int64_t position, int32_t count) {
  CheckOpen("ReadBuffer");
  if (count < 0) return false;
  size_t done = 0;
  int e = Attempt([&] { return file_.ReadAt(buffer, size_t(count), position, done); });
  position_ = position + int64_t(done);
  return e == 0;
}

void TVexDatabaseFile::RaiseRead(int32_t code, int64_t position, int32_t count, int error) {
  int64_t size = 0;
  file_.GetSize(size);
  throw EVexException(
      code,
      "Cannot Read from file: '%s' Position = %d, Count = %d, FilePosition = %d, "
      "FileSize = %d, ErrorCode:%d. ErrorMessage: %s",
      {FileName, position, count, position_, size, error, OsFile::ErrorText(error)});
}

void TVexDatabaseFile::ReadBufferChecked(void* buffer, int32_t code, int64_t position,
                                         int32_t count) {
  CheckOpen("ReadBuffer");
  if (count < 0) RaiseRead(code, position, count, EINVAL);
  size_t done = 0;
  int e = file_.ReadAt(buffer, size_t(count), position, done);
  if (e != 0) {
    // A region locked by someone else may be the cause; probe it and try once more at once.
    IsRegionLocked(count, position);
    e = file_.ReadAt(buffer, size_t(count), position, done);
    if (e != 0 && CheckHandle()) e = file_.ReadAt(buffer, size_t(count), position, done);
  }
  position_ = position + int64_t(done);
  if (e != 0) RaiseRead(code, position, count, e);
}

void TVexDatabaseFile::WriteBuffer(const void* buffer, int32_t code, int64_t position,
                                   int32_t count) {
  CheckOpen("WriteBuffer");
  size_t done = 0;
  int e = count < 0 ? EINVAL
                    : Attempt([&] { return file_.WriteAt(buffer, size_t(count), position, done); });
  position_ = position + int64_t(done);
  if (e != 0) {
    int64_t size = 0;
    file_.GetSize(size);
    throw EVexException(code,
                        "Cannot Write to file: '%s' Position = %d, Count = %d, FilePosition = %d, "
                        "FileSize = %d, ErrorCode:%d. ErrorMessage: %s",
                        {FileName, position, count, position_, size, e, OsFile::ErrorText(e)});
  }
}

void TVexDatabaseFile::FlushFileBuffers() {
  CheckOpen("FlushFileBuffers");
  int e = Attempt([&] { return file_.Flush(); });
  if (e != 0)
    throw EVexException(30379,
                        "Cannot flush file buffers for file: '%s'. ErrorCode:%d. ErrorMessage: %s",
                        {FileName, e, OsFile::ErrorText(e)});
}

int TVexDatabaseFile::LockOnce(int64_t count, int64_t position, bool lock) {
  int e = lock ? file_.Lock(position, count) : file_.Unlock(position, count);
  if (e != 0 && IsConnectionLoss(e)) ConnectionLost = true;
  return e;
}

bool TVexDatabaseFile::LockByte(int64_t count, int64_t position) {
  CheckOpen("LockByte");
  int e = Attempt([&] { return LockOnce(count, position, true); });
  return e == 0 || ConnectionLost;
}

bool TVexDatabaseFile::UnlockByte(int64_t count, int64_t position) {
  CheckOpen("UnlockByte");
  int e = Attempt([&] { return LockOnce(count, position, false); });
  return e == 0 || ConnectionLost;
}

bool TVexDatabaseFile::IsByteLocked(int64_t position) {
  CheckOpen("IsByteLocked");
  return IsRegionLocked(1, position);
}

bool TVexDatabaseFile::IsRegionLocked(int64_t count, int64_t position) {
  CheckOpen("IsRegionLocked");
  if (count <= 0) return false;
  if (file_.Lock(position, count) != 0) return true;
  file_.Unlock(position, count);
  return false;
}
