// The engine's stream base class.
#include "engine/base/VexStream.h"

#include <algorithm>
#include <vector>

#include "engine/base/VexExcept.h"

void RaiseStreamReadError(int32_t code, int64_t position, int64_t size, int64_t asked,
                          int64_t done) {
  throw EVexException(code,
                      "Cannot read from stream. Position = %d, Stream size = %d, Block size = "
                      "%d, Bytes Read = %d",
                      {position, size, asked, done});
}

void RaiseStreamWriteError(int32_t code, int64_t position, int64_t size, int64_t asked,
                           int64_t done) {
  throw EVexException(code,
                      "Cannot write to stream. Position = %d, Stream size = %d, Block size = "
                      "%d, Bytes Write = %d",
                      {position, size, asked, done});
}

void RaiseStreamSeekError(int32_t code, int64_t wanted, int64_t position, int64_t size) {
  throw EVexException(code, "Cannot set stream position to %d. Position = %d, Size = %d",
                      {wanted, position, size});
}

int64_t SeekTarget(int64_t offset, TSeekOrigin origin, int64_t position, int64_t size) {
  const int64_t base = origin == TSeekOrigin::soBeginning ? 0
                       : origin == TSeekOrigin::soCurrent ? position
                                                          : size;
  int64_t target;
  return __builtin_add_overflow(base, offset, &target) ? -1 : target;
}

int64_t TVexStream::GetSize() {
  const int64_t position = GetPosition();
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  SetPosition(position);
  return size;
}

void TVexStream::Lock() {
  Lock_.lock();
}

void TVexStream::Unlock() {
  Lock_.unlock();
}

int64_t TVexStream::Remaining() {
  return std::max<int64_t>(GetSize() - GetPosition(), 0);
}

void TVexStream::ReadChecked(void* buffer, int32_t count, int32_t code) {
  const int64_t position = GetPosition();
  const int32_t done = count > 0 ? Read(buffer, count) : 0;
  if (done != count) RaiseStreamReadError(code, position, GetSize(), count, done);
}

void TVexStream::WriteChecked(const void* buffer, int32_t count, int32_t code) {
  const int64_t position = GetPosition();
  const int32_t done = count > 0 ? Write(buffer, count) : 0;
  if (done != count) RaiseStreamWriteError(code, position, GetSize(), count, done);
}

void TVexStream::SeekChecked(int64_t position, int32_t code) {
  const int64_t reached = Seek(position, TSeekOrigin::soBeginning);
  if (reached != position) RaiseStreamSeekError(code, position, GetPosition(), GetSize());
}

void TVexStream::ReportProgress(int32_t percentDone) {
  if (OnProgress) OnProgress(*this, percentDone);
}

void TVexStream::Copy(TVexStream& from, int64_t fromPosition, int64_t count, TVexStream& to,
                      int64_t toPosition) {
  if (CopyBlockSize <= 0) throw EVexException(10418, "Stream block size = 0 is not allowed");
  TVexStreamPositionGuard fromGuard(from), toGuard(to);
  std::vector<uint8_t> chunk(size_t(std::min<int64_t>(CopyBlockSize, std::max<int64_t>(count, 1))));
  from.SetPosition(fromPosition);
  if (toPosition >= 0) to.SetPosition(toPosition);
  ReportProgress(0);
  for (int64_t copied = 0; copied < count;) {
    const int32_t n = int32_t(std::min<int64_t>(int64_t(chunk.size()), count - copied));
    from.ReadChecked(chunk.data(), n, 10146);
    to.WriteChecked(chunk.data(), n, 10147);
    copied += n;
    ReportProgress(int32_t(copied * 100 / count));
  }
  ReportProgress(100);
}

void TVexStream::SaveToStream(TVexStream& dest) {
  Copy(*this, 0, GetSize(), dest, -1);
}

void TVexStream::LoadFromStream(TVexStream& source, int64_t count, int64_t sourcePosition) {
  if (count < 0) count = std::max<int64_t>(source.GetSize() - sourcePosition, 0);
  Copy(source, sourcePosition, count, *this, 0);
}
