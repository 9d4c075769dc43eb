// A byte-buffer stream for tests and fuzz harnesses with the checked read and write of the
// engine's streams (a shortfall raises the stream message with the caller's code).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/base/VexExcept.h"

class TTestByteStream {
 public:
  TTestByteStream() = default;
  explicit TTestByteStream(std::vector<uint8_t> bytes) : Bytes(std::move(bytes)) {}
  TTestByteStream(const uint8_t* data, size_t size) : Bytes(data, data + size) {}

  void ReadChecked(void* buffer, int32_t count, int32_t code) {
    const int64_t n = std::min<int64_t>(count, Remaining());
    if (n > 0) std::memcpy(buffer, Bytes.data() + Position, size_t(n));
    if (n != count)
      throw EVexException(code,
                          "Cannot read from stream. Position = %d, Stream size = %d, Block size = "
                          "%d, Bytes Read = %d",
                          {int64_t(Position), int64_t(Bytes.size()), count, n});
    Position += size_t(n);
  }
  void WriteChecked(const void* buffer, int32_t count, int32_t /*code*/) {
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    Bytes.insert(Bytes.end(), p, p + count);
    Position = Bytes.size();
  }
  int64_t Remaining() const { return int64_t(Bytes.size()) - int64_t(Position); }

  std::vector<uint8_t> Bytes;
  size_t Position = 0;
};
