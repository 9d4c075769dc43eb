// The content of a disk table's two transacted files: the metadata file (field, index and
// constraint definitions, then the roots of the record page and BLOB page indexes) and the
// header file (the autoincrement counters, TableVersion and RecordCount).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/base/VexConstraintDef.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexIndexDef.h"

struct TVexDiskTableMetadata {
  TVexFieldDefs FieldDefs;
  TVexIndexDefs IndexDefs;
  TVexConstraintDefs ConstraintDefs;
  int32_t RecordPageIndexRoot = -1;
  int32_t BlobPageIndexRoot = -1;

  std::vector<uint8_t> Store() const;
  // Reads the definitions in order and computes the record layout.
  void Load(std::span<const uint8_t> bytes);
};

struct TVexDiskTableHeader {
  std::vector<int64_t> Counters;  // one per field
  int32_t TableVersion = 0;
  int64_t RecordCount = 0;

  // The image holds at most 4 x (8 x fieldCount + 8) bytes; more raises 20164.
  std::vector<uint8_t> Store(int32_t fieldCount) const;
  void Load(std::span<const uint8_t> bytes, int32_t fieldCount);
  static int32_t BufferSize(int32_t fieldCount) { return 4 * (8 * fieldCount + 8); }
};
