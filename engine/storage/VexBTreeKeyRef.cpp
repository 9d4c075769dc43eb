// Base key reference and the page-number key reference.
#include "engine/storage/VexBTreeKeyRef.h"

#include <cstring>

#include "platform/LittleEndian.h"

void TVexBTreeKeyRef::SetColumnCount(int32_t n) {
  ColumnCount = n;
}

int TVexBTreeKeyRef::CompareFullKeys(const uint8_t* a, const uint8_t* b) {
  const int r = std::memcmp(a, b, size_t(FullKeySize));
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

TVexPageKeyRef::TVexPageKeyRef() {
  KeySize = 4;
  FullKeySize = 4;
  DataSize = 2;
}

int TVexPageKeyRef::CompareKeys(const uint8_t* a, const uint8_t* b, const uint8_t*, const uint8_t*,
                                int32_t, bool) {
  const int32_t x = ReadInt32LE(a), y = ReadInt32LE(b);
  return x < y ? -1 : x > y ? 1 : 0;
}
