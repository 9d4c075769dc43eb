// The file stream: a file handle with its name and open mode; the creating mode makes a new
// file (optionally removed when closed), any other mode opens an existing one.
#pragma once

#include <memory>
#include <string>

#include "engine/base/VexStream.h"

// Open modes: the access in the low two bits (sharing bits are accepted and not enforced).
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmCreate = 0xFFFF;

class TVexFileStream : public TVexStream {
 public:
  // fmCreate creates the file (emptying an existing one) for reading and writing; with
  // deleteOnClose the file disappears when the stream is closed. Failures raise 10104
  // "Cannot create file. FileName = %s" or 10105 "Cannot open file. FileName = %s, Mode = %d".
  TVexFileStream(const std::string& fileName, uint16_t mode, bool deleteOnClose = false);
  ~TVexFileStream() override;

  // A new, empty file in the system's temporary directory whose name starts with prefix; it
  // is removed when the stream is closed (10104 when it cannot be made).
  static std::unique_ptr<TVexFileStream> CreateTemporary(const std::string& prefix);

  int64_t GetSize() override;
  // Raises EStreamError when the file's size cannot be set.
  void SetSize(int64_t newSize) override;
  // Reads and writes answer the bytes moved, 0 on failure.
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

  const std::string& FileName() const { return FileName_; }
  uint16_t Mode() const { return Mode_; }

 private:
  TVexFileStream(int handle, std::string fileName);

  int Handle_ = -1;
  std::string FileName_;
  uint16_t Mode_ = fmCreate;
  bool DeleteOnClose_ = false;
  int64_t Position_ = 0;
};

// The system's directory for temporary files ($TMPDIR, else /tmp).
std::string TemporaryDirectory();
