// The engine's stream base class: the platform stream operations (size, read, write, seek),
// a lock, the checked read, write and seek that raise the stream messages with the caller's
// error code, and whole-stream copies with progress.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/Exception.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A failure of the platform stream operations themselves (for example a file whose size
// cannot be set).
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

class TVexStream {
 public:
  // Progress of SaveToStream and LoadFromStream: the stream and the percentage done.
  using TProgressEvent = std::function<void(TVexStream& sender, int32_t percentDone)>;

  TVexStream() = default;
  virtual ~TVexStream() = default;
  TVexStream(const TVexStream&) = delete;
  TVexStream& operator=(const TVexStream&) = delete;

  // The platform stream operations (read and write answer the bytes moved).
  virtual int64_t GetSize();
  virtual void SetSize(int64_t newSize) = 0;
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  // Enter and leave the stream's critical section (for callers that share a stream).
  virtual void Lock();
  virtual void Unlock();

  int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // Bytes from the position to the end (0 when the position is at or past the end).
  int64_t Remaining();

  // Read or write exactly count bytes at the position; a shortfall raises code with
  // "Cannot read from stream. ..." or "Cannot write to stream. ...".
  void ReadChecked(void* buffer, int32_t count, int32_t code);
  void WriteChecked(const void* buffer, int32_t count, int32_t code);
  // Set the position and verify it; else raise code with "Cannot set stream position to ...".
  void SeekChecked(int64_t position, int32_t code);

  // Copies the whole stream from position 0 to dest at its position, in chunks of
  // CopyBlockSize, reporting progress; both positions are restored afterwards. Block size 0
  // raises 10418, a short read 10146 and a short write 10147.
  void SaveToStream(TVexStream& dest);
  // Copies count bytes (all bytes from sourcePosition on when count is negative) of source from
  // sourcePosition into this stream at position 0; the mirror image of SaveToStream.
  void LoadFromStream(TVexStream& source, int64_t count, int64_t sourcePosition);

  int32_t CopyBlockSize = 102400;
  TProgressEvent OnProgress;
  uint8_t Flags = 0;

 private:
  // Copies count bytes of from (at fromPosition) to to (at toPosition, or its own position
  // when toPosition is negative); both positions are restored afterwards.
  void Copy(TVexStream& from, int64_t fromPosition, int64_t count, TVexStream& to,
            int64_t toPosition);
  void ReportProgress(int32_t percentDone);

  std::recursive_mutex Lock_;
};

// The position a seek asks for: offset from the start, the current position or the end
// (size); -1 when the sum does not fit.
int64_t SeekTarget(int64_t offset, TSeekOrigin origin, int64_t position, int64_t size);

// Puts a stream back at its position when a scope ends, also when it fails.
class TVexStreamPositionGuard {
 public:
  explicit TVexStreamPositionGuard(TVexStream& stream)
      : Stream_(stream), Position_(stream.GetPosition()) {}
  ~TVexStreamPositionGuard() { Stream_.SetPosition(Position_); }
  TVexStreamPositionGuard(const TVexStreamPositionGuard&) = delete;
  TVexStreamPositionGuard& operator=(const TVexStreamPositionGuard&) = delete;

 private:
  TVexStream& Stream_;
  int64_t Position_;
};

// The checked-read message with its code (position before the read, stream size, bytes asked,
// bytes read).
[[noreturn]] void RaiseStreamReadError(int32_t code, int64_t position, int64_t size, int64_t asked,
                                       int64_t done);
[[noreturn]] void RaiseStreamWriteError(int32_t code, int64_t position, int64_t size, int64_t asked,
                                        int64_t done);
[[noreturn]] void RaiseStreamSeekError(int32_t code, int64_t wanted, int64_t position,
                                       int64_t size);
