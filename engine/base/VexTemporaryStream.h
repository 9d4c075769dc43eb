// The temporary stream: kept in memory up to 1 MB, then moved to a temporary file (prefix
// "Vex", removed when closed) unless it was made with the no-spill flag.
#pragma once

#include <memory>
#include <string>

#include "engine/base/VexFileStream.h"
#include "engine/base/VexMemoryStream.h"

class TVexTemporaryStream : public TVexStream {
 public:
  static constexpr int32_t kSpillThreshold = 1048576;

  // noSpill keeps the stream in memory whatever its size (temporary files disabled).
  explicit TVexTemporaryStream(bool noSpill = false);

  int64_t GetSize() override { return Current().GetSize(); }
  void SetSize(int64_t newSize) override { Current().SetSize(newSize); }
  int32_t Read(void* buffer, int32_t count) override { return Current().Read(buffer, count); }
  // A write that would take the memory content beyond the threshold first moves it into a
  // temporary file and continues there at the same position.
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    return Current().Seek(offset, origin);
  }

  bool InMemory() const { return InMemory_; }
  bool NoSpill() const { return NoSpill_; }
  // The temporary file's name (empty while in memory; the file itself has no name left).
  const std::string& TempFileName() const { return TempFileName_; }

 private:
  TVexStream& Current() { return InMemory_ ? static_cast<TVexStream&>(*Memory_) : *File_; }
  void Spill();

  std::unique_ptr<TVexMemoryStream> Memory_;
  std::unique_ptr<TVexFileStream> File_;
  int32_t Threshold_ = kSpillThreshold;
  std::string TempFileName_;
  bool InMemory_ = true;
  bool NoSpill_;
};
