// Checked little-endian reading and writing of stored forms.
#include "engine/base/VexStoredForm.h"

#include <algorithm>
#include <cstring>

#include "engine/base/VexExcept.h"

void TVexStoredReader::ReadChecked(void* buffer, int32_t count, int32_t code) {
  const int64_t position = Position();
  const int32_t done = count > 0 ? Read(buffer, count) : 0;
  if (done != count)
    throw EVexException(code,
                        "Cannot read from stream. Position = %d, Stream size = %d, Block size = "
                        "%d, Bytes Read = %d",
                        {position, Size(), count, done});
}

uint8_t TVexStoredReader::ReadByte(int32_t code) {
  uint8_t b = 0;
  ReadChecked(&b, 1, code);
  return b;
}

int32_t TVexStoredReader::ReadInt32(int32_t code) {
  uint8_t b[4];
  ReadChecked(b, 4, code);
  return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                 uint32_t(b[3]) << 24);
}

int64_t TVexStoredReader::ReadInt64(int32_t code) {
  uint8_t b[8];
  ReadChecked(b, 8, code);
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
  return int64_t(v);
}

std::string TVexStoredReader::ReadChars(int32_t count, int32_t code) {
  if (count < 0) RaiseInvalidStoredValue("text length", count);
  // Never size a buffer from a length the stream cannot hold.
  std::string text(size_t(std::min<int64_t>(count, std::max<int64_t>(Remaining(), 0))), '\0');
  const int64_t position = Position();
  const int32_t done = text.empty() ? 0 : Read(text.data(), int32_t(text.size()));
  if (done != count)
    throw EVexException(code,
                        "Cannot read from stream. Position = %d, Stream size = %d, Block size = "
                        "%d, Bytes Read = %d",
                        {position, Size(), count, done});
  return text;
}

std::string TVexStoredReader::ReadShortString(int32_t lengthCode, int32_t charsCode) {
  return ReadChars(ReadByte(lengthCode), charsCode);
}

void TVexStoredWriter::WriteChecked(const void* buffer, int32_t count, int32_t code) {
  const int64_t position = Position();
  const int32_t done = count > 0 ? Write(buffer, count) : 0;
  if (done != count)
    throw EVexException(code,
                        "Cannot write to stream. Position = %d, Stream size = %d, Block size = %d, "
                        "Bytes Write = %d",
                        {position, Size(), count, done});
}

void TVexStoredWriter::WriteByte(uint8_t value, int32_t code) {
  WriteChecked(&value, 1, code);
}

void TVexStoredWriter::WriteInt32(int32_t value, int32_t code) {
  const uint32_t v = uint32_t(value);
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  WriteChecked(b, 4, code);
}

void TVexStoredWriter::WriteInt64(int64_t value, int32_t code) {
  uint64_t v = uint64_t(value);
  uint8_t b[8];
  for (uint8_t& x : b) {
    x = uint8_t(v);
    v >>= 8;
  }
  WriteChecked(b, 8, code);
}

void TVexStoredWriter::WriteChars(const std::string& text, int32_t code) {
  WriteChecked(text.data(), int32_t(text.size()), code);
}

void TVexStoredWriter::WriteShortString(const std::string& text, int32_t lengthCode,
                                        int32_t charsCode) {
  if (text.size() > 255)
    throw EVexException(10005, "Name is too long to be stored (%d characters, at most 255): %s",
                        {text.size(), text});
  WriteByte(uint8_t(text.size()), lengthCode);
  WriteChars(text, charsCode);
}

int32_t TVexBufferReader::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const size_t n = std::min(size_t(count), Bytes_.size() - Position_);
  if (n > 0) std::memcpy(buffer, Bytes_.data() + Position_, n);
  Position_ += n;
  return int32_t(n);
}

int32_t TVexBufferWriter::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const auto* p = static_cast<const uint8_t*>(buffer);
  Bytes_.insert(Bytes_.end(), p, p + count);
  return count;
}

void RaiseInvalidStoredValue(const char* what, int64_t value) {
  throw EVexException(10391, "Invalid stored definition: %s = %d", {what, value});
}
