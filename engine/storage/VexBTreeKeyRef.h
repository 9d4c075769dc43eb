// Key references of the B-tree: how the keys of one tree are laid out in its pages and how two
// keys compare. TVexBTreeKeyRef is the base; TVexPageKeyRef keys page indexes by page number.
#pragma once

#include <cstdint>

class TVexBTreeKeyRef {
 public:
  virtual ~TVexBTreeKeyRef() = default;

  // Virtual operations in slot order.
  // Compares only the first n key columns from now on (a key ref without columns ignores it).
  virtual void SetColumnCount(int32_t n);
  // -1, 0 or 1. dataA and dataB are the record identifiers of the two entries (null for a
  // search key); equal keys are ordered by them when both are given. resolveTies lets a key
  // ref read the records to look past truncated prefix columns.
  virtual int CompareKeys(const uint8_t* a, const uint8_t* b, const uint8_t* dataA,
                          const uint8_t* dataB, int32_t sessionId, bool resolveTies) = 0;
  virtual int CompareFullKeys(const uint8_t* a, const uint8_t* b);

  int32_t KeySize = 0;      // bytes of a key in a page
  int32_t FullKeySize = 0;  // bytes of a key built from a whole record
  int32_t DataSize = 0;     // bytes of leaf data
  int32_t ColumnCount = 0;  // key columns in use
  // Leaf data is a record identifier that orders equal keys; node entries then carry the
  // identifier of their child's smallest entry too (the page flag HasRecordIds).
  bool HasRecordIds = false;
};

// Keys of page indexes: signed 32-bit page numbers compared numerically; leaf data is a 16-bit
// count.
class TVexPageKeyRef : public TVexBTreeKeyRef {
 public:
  TVexPageKeyRef();
  int CompareKeys(const uint8_t* a, const uint8_t* b, const uint8_t* dataA, const uint8_t* dataB,
                  int32_t sessionId, bool resolveTies) override;
};
