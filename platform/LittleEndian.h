// Little-endian reads and writes of fixed-width integers and doubles at a byte pointer, for
// stored forms that are read and written field by field.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

inline uint16_t ReadUInt16LE(const uint8_t* p) {
  return uint16_t(p[0] | (p[1] << 8));
}
inline int16_t ReadInt16LE(const uint8_t* p) {
  return int16_t(ReadUInt16LE(p));
}
inline uint32_t ReadUInt32LE(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int32_t ReadInt32LE(const uint8_t* p) {
  return int32_t(ReadUInt32LE(p));
}
inline uint64_t ReadUInt64LE(const uint8_t* p) {
  return uint64_t(ReadUInt32LE(p)) | (uint64_t(ReadUInt32LE(p + 4)) << 32);
}
inline int64_t ReadInt64LE(const uint8_t* p) {
  return int64_t(ReadUInt64LE(p));
}
inline double ReadDoubleLE(const uint8_t* p) {
  return std::bit_cast<double>(ReadUInt64LE(p));
}

inline void WriteUInt16LE(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void WriteInt16LE(uint8_t* p, int16_t v) {
  WriteUInt16LE(p, uint16_t(v));
}
inline void WriteUInt32LE(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void WriteInt32LE(uint8_t* p, int32_t v) {
  WriteUInt32LE(p, uint32_t(v));
}
inline void WriteUInt64LE(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void WriteInt64LE(uint8_t* p, int64_t v) {
  WriteUInt64LE(p, uint64_t(v));
}
inline void WriteDoubleLE(uint8_t* p, double v) {
  WriteUInt64LE(p, std::bit_cast<uint64_t>(v));
}
