// Little-endian members of stored forms (metadata definitions and other byte images kept in a
// database), read and written through the engine's checked stream operations: each member
// either moves exactly its bytes or raises the stream error with the member's own code.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/VexStream.h"

uint8_t ReadStoredByte(TVexStream& stream, int32_t code);
int32_t ReadStoredInt32(TVexStream& stream, int32_t code);
int64_t ReadStoredInt64(TVexStream& stream, int32_t code);
// count characters (count >= 0); never takes memory for more than the stream still holds.
std::string ReadStoredChars(TVexStream& stream, int32_t count, int32_t code);
// A short text: a length byte, then that many characters.
std::string ReadStoredShortString(TVexStream& stream, int32_t lengthCode, int32_t charsCode);

void WriteStoredByte(TVexStream& stream, uint8_t value, int32_t code);
void WriteStoredInt32(TVexStream& stream, int32_t value, int32_t code);
void WriteStoredInt64(TVexStream& stream, int64_t value, int32_t code);
void WriteStoredChars(TVexStream& stream, const std::string& text, int32_t code);
// A short text: a length byte, then the characters. A text longer than 255 characters
// cannot be kept in this form and raises 10005.
void WriteStoredShortString(TVexStream& stream, const std::string& text, int32_t lengthCode,
                            int32_t charsCode);

// Raises 10005 for a text longer than `limit` characters that a stored form cannot hold.
void CheckStoredTextLength(const std::string& text, size_t limit);
// Raised for a stored value that cannot be right (a negative count, a length prefix that does
// not fit its text): 10391 "Invalid stored definition: %s = %d".
[[noreturn]] void RaiseInvalidStoredValue(const char* what, int64_t value);
