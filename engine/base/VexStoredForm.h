// Checked little-endian reading and writing of stored forms (metadata definitions and other
// byte images kept in a database): every read or write of a member either moves exactly its
// bytes or raises the stream error with the member's own error code.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A source of stored bytes. Read delivers up to count bytes and returns how many it delivered.
class TVexStoredReader {
 public:
  virtual ~TVexStoredReader() = default;
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int64_t Position() const = 0;
  virtual int64_t Size() const = 0;

  // Reads exactly count bytes; a shortfall raises `code` with "Cannot read from stream...".
  void ReadChecked(void* buffer, int32_t count, int32_t code);
  uint8_t ReadByte(int32_t code);
  int32_t ReadInt32(int32_t code);
  int64_t ReadInt64(int32_t code);
  // count characters (count >= 0).
  std::string ReadChars(int32_t count, int32_t code);
  // A short text: a length byte, then that many characters.
  std::string ReadShortString(int32_t lengthCode, int32_t charsCode);
  // Bytes left before the end.
  int64_t Remaining() const { return Size() - Position(); }
};

// A sink for stored bytes. Write takes up to count bytes and returns how many it took.
class TVexStoredWriter {
 public:
  virtual ~TVexStoredWriter() = default;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual int64_t Position() const = 0;
  virtual int64_t Size() const = 0;

  // Writes exactly count bytes; a shortfall raises `code` with "Cannot write to stream...".
  void WriteChecked(const void* buffer, int32_t count, int32_t code);
  void WriteByte(uint8_t value, int32_t code);
  void WriteInt32(int32_t value, int32_t code);
  void WriteInt64(int64_t value, int32_t code);
  void WriteChars(const std::string& text, int32_t code);
  // A short text: a length byte, then the characters. A text longer than 255 characters
  // cannot be stored in this form and raises 10005.
  void WriteShortString(const std::string& text, int32_t lengthCode, int32_t charsCode);
};

// Reads stored bytes from a block of memory.
class TVexBufferReader final : public TVexStoredReader {
 public:
  explicit TVexBufferReader(std::span<const uint8_t> bytes) : Bytes_(bytes) {}
  int32_t Read(void* buffer, int32_t count) override;
  int64_t Position() const override { return int64_t(Position_); }
  int64_t Size() const override { return int64_t(Bytes_.size()); }

 private:
  std::span<const uint8_t> Bytes_;
  size_t Position_ = 0;
};

// Appends stored bytes to a growing block of memory.
class TVexBufferWriter final : public TVexStoredWriter {
 public:
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Position() const override { return int64_t(Bytes_.size()); }
  int64_t Size() const override { return int64_t(Bytes_.size()); }
  const std::vector<uint8_t>& Bytes() const { return Bytes_; }

 private:
  std::vector<uint8_t> Bytes_;
};

// Raised for a stored value that cannot be right (a negative count, a length prefix that does
// not fit its text): 10391 "Invalid stored definition: %s = %d".
[[noreturn]] void RaiseInvalidStoredValue(const char* what, int64_t value);
