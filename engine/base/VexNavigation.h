// The navigation request that a table hands to its record manager and its indexes, and the
// 6-byte record identifier it carries.
#pragma once

#include <cstdint>

// TVexRecordIDBytes (the 6-byte record identifier) and TVexGetRecordMode.
#include "engine/base/VexCursor.h"

// Result status of a navigation request.
enum : uint8_t {
  vnrFound = 0,
  vnrBOF = 1,
  vnrEOF = 2,
  vnrNotFound = 3,
};

struct TVexNavigationRequest {
  uint8_t Mode = 0;                 // grmCurrent, grmNext, grmPrior
  int32_t IndexID = -1;             // -1: physical order
  TVexRecordIDBytes RecordID{};     // the current record
  uint8_t* RecordBuffer = nullptr;  // filled with the record; null when only the position is wanted
  bool Bof = false;                 // the cursor stands before the first record
  bool Eof = false;                 // the cursor stands after the last record
  uint8_t Result = vnrFound;
};
