// The temporary stream that spills from memory to a temporary file.
#include "engine/base/VexTemporaryStream.h"

TVexTemporaryStream::TVexTemporaryStream(bool noSpill)
    : Memory_(std::make_unique<TVexMemoryStream>()), NoSpill_(noSpill) {
  CopyBlockSize = 102400;
}

int32_t TVexTemporaryStream::Write(const void* buffer, int32_t count) {
  if (InMemory_ && !NoSpill_ && count > 0 && Memory_->GetPosition() + count > Threshold_) Spill();
  return Current().Write(buffer, count);
}

void TVexTemporaryStream::Spill() {
  std::unique_ptr<TVexFileStream> file = TVexFileStream::CreateTemporary("Vex");
  const int64_t position = Memory_->GetPosition();
  const int32_t size = int32_t(Memory_->GetSize());
  file->WriteChecked(Memory_->Memory(), size, 10147);
  file->SetPosition(position);
  TempFileName_ = file->FileName();
  File_ = std::move(file);
  Memory_.reset();
  InMemory_ = false;
}
