// The dataset-level error for the record-operation result codes (-1 to -13) that a cursor
// reports after an insert, edit, post or delete.
#pragma once

#include <cstdint>
#include <string>

#include "platform/DatabaseError.h"

class EVexEngineError : public EDatabaseError {
 public:
  // The message is "Vexbase Engine Error # " + code + " " + ErrorMessage; `text` is used only
  // as the ErrorMessage of code -8.
  EVexEngineError(int32_t code, const std::string& text);

  int32_t ErrorCode() const noexcept { return ErrorCode_; }
  const std::string& ErrorMessage() const noexcept { return ErrorMessage_; }

  // The fixed text of a result code (empty for -8 and for codes outside -13 to -1).
  static std::string ResultCodeText(int32_t code);

 private:
  int32_t ErrorCode_;
  std::string ErrorMessage_;
};
