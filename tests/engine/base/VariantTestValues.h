// Test helpers that build variants of every storage type from native values.
#pragma once

#include <string>
#include <vector>

#include "engine/base/VexValueConvert.h"
#include "engine/base/VexVariant.h"

inline TVexVariant VInt(TVexStorageType t, int64_t v) {
  uint8_t b[8];
  WriteStoredInteger(b, t, v);
  TVexVariant r;
  r.SetFromBuffer(b, FixedValueSize(t), true, t);
  return r;
}

inline TVexVariant VFlt(TVexStorageType t, long double v) {
  uint8_t b[10];
  WriteStoredFloat(b, t, v);
  TVexVariant r;
  r.SetFromBuffer(b, FixedValueSize(t), true, t);
  return r;
}

inline TVexVariant VStr(const std::string& s, TVexStorageType t = vstString) {
  TVexVariant r;
  r.SetFromBuffer(s.c_str(), int32_t(s.size() + 1), true, t);
  return r;
}

inline TVexVariant VWStr(const std::u16string& s, TVexStorageType t = vstWideString) {
  int32_t size;
  TVexMemoryBlock b = MakeWideBlock(s, size);
  TVexVariant r;
  r.SetFromBuffer(b.Data(), size, true, t);
  return r;
}

inline TVexVariant VBytes(const std::string& bytes, TVexStorageType t) {
  TVexVariant r;
  r.SetFromBuffer(bytes.data(), int32_t(bytes.size()), true, t);
  return r;
}

inline TVexVariant VDate(int32_t days) {
  TVexVariant r(vstDate);
  r.SetAsDateDays(days);
  return r;
}

inline TVexVariant VTime(int32_t ms) {
  TVexVariant r(vstTime);
  r.SetAsTimeMs(ms);
  return r;
}

inline TVexVariant VDateTime(int32_t days, int32_t ms) {
  TVexVariant r(vstDateTime);
  r.SetAsDateTimeRaw({days, ms});
  return r;
}

inline TVexVariant VBool(bool v) {
  TVexVariant r(vstLogical);
  r.SetAsLogical(v);
  return r;
}

inline TVexVariant VNull(TVexStorageType t) {
  return TVexVariant(t);
}

inline std::vector<uint8_t> Bytes(const TVexVariant& v) {
  return std::vector<uint8_t>(v.ValueData(), v.ValueData() + v.ValueSize());
}
