// Little-endian members of stored forms over the engine's checked stream operations.
#include "engine/base/VexStoredForm.h"

#include <algorithm>

#include "engine/base/VexExcept.h"

uint8_t ReadStoredByte(TVexStream& stream, int32_t code) {
  uint8_t b = 0;
  stream.ReadChecked(&b, 1, code);
  return b;
}

int32_t ReadStoredInt32(TVexStream& stream, int32_t code) {
  uint8_t b[4];
  stream.ReadChecked(b, 4, code);
  return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                 uint32_t(b[3]) << 24);
}

int64_t ReadStoredInt64(TVexStream& stream, int32_t code) {
  uint8_t b[8];
  stream.ReadChecked(b, 8, code);
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
  return int64_t(v);
}

std::string ReadStoredChars(TVexStream& stream, int32_t count, int32_t code) {
  if (count < 0) RaiseInvalidStoredValue("text length", count);
  if (count > stream.Remaining()) {
    // Let the checked read report the shortfall without sizing a buffer from the count.
    std::string rest(size_t(stream.Remaining()), '\0');
    const int64_t position = stream.GetPosition();
    const int32_t done = stream.Read(rest.data(), int32_t(rest.size()));
    RaiseStreamReadError(code, position, stream.GetSize(), count, done);
  }
  std::string text(size_t(count), '\0');
  stream.ReadChecked(text.data(), count, code);
  return text;
}

std::string ReadStoredShortString(TVexStream& stream, int32_t lengthCode, int32_t charsCode) {
  return ReadStoredChars(stream, ReadStoredByte(stream, lengthCode), charsCode);
}

void WriteStoredByte(TVexStream& stream, uint8_t value, int32_t code) {
  stream.WriteChecked(&value, 1, code);
}

void WriteStoredInt32(TVexStream& stream, int32_t value, int32_t code) {
  const uint32_t v = uint32_t(value);
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  stream.WriteChecked(b, 4, code);
}

void WriteStoredInt64(TVexStream& stream, int64_t value, int32_t code) {
  uint64_t v = uint64_t(value);
  uint8_t b[8];
  for (uint8_t& x : b) {
    x = uint8_t(v);
    v >>= 8;
  }
  stream.WriteChecked(b, 8, code);
}

void WriteStoredChars(TVexStream& stream, const std::string& text, int32_t code) {
  stream.WriteChecked(text.data(), int32_t(text.size()), code);
}

void WriteStoredShortString(TVexStream& stream, const std::string& text, int32_t lengthCode,
                            int32_t charsCode) {
  CheckStoredTextLength(text, 255);
  WriteStoredByte(stream, uint8_t(text.size()), lengthCode);
  WriteStoredChars(stream, text, charsCode);
}

void CheckStoredTextLength(const std::string& text, size_t limit) {
  if (text.size() > limit)
    throw EVexException(10005, "Name is too long to be stored (%d characters, at most %d): %s",
                        {text.size(), limit, text});
}

void RaiseInvalidStoredValue(const char* what, int64_t value) {
  throw EVexException(10391, "Invalid stored definition: %s = %d", {what, value});
}
