// Test helpers for stored forms: little-endian pieces to write expected byte arrays, and
// saving and loading a definition or list through memory.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/base/VexMemoryStream.h"

using Bytes = std::vector<uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
inline Bytes Le32(int32_t v) {
  const uint32_t u = uint32_t(v);
  return {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
}
inline Bytes Le64(int64_t v) {
  Bytes b;
  for (int i = 0; i < 8; ++i) b.push_back(uint8_t(uint64_t(v) >> (8 * i)));
  return b;
}
inline Bytes Chars(const std::string& s) {
  return Bytes(s.begin(), s.end());
}
// A short text: length byte and characters.
inline Bytes Short(const std::string& s) {
  return Bytes{uint8_t(s.size())} + Chars(s);
}

// The bytes of a memory stream.
inline Bytes Contents(TVexMemoryStream& stream) {
  return Bytes(stream.Memory(), stream.Memory() + stream.GetSize());
}

// A memory stream holding the bytes, positioned at 0.
inline void Fill(TVexMemoryStream& stream, const Bytes& bytes) {
  if (!bytes.empty()) stream.WriteChecked(bytes.data(), int32_t(bytes.size()), 1);
  stream.SetPosition(0);
}

template <class T>
Bytes Saved(const T& object) {
  TVexMemoryStream stream;
  object.SaveToStream(stream);
  return Contents(stream);
}

template <class T>
void LoadFrom(T& object, const Bytes& bytes) {
  TVexMemoryStream stream;
  Fill(stream, bytes);
  object.LoadFromStream(stream);
}
