// The dataset-level error and its result-code table.
#include "engine/client/VexEngineError.h"

std::string EVexEngineError::ResultCodeText(int32_t code) {
  switch (code) {
    case -1:
      return "Error adding record";
    case -2:
      return "Error updating record";
    case -3:
      return "Error deleting record";
    case -4:
      return "Error updating record - record was modified by other process";
    case -5:
      return "Error deleting record - record was modified by other process";
    case -6:
      return "Error updating record - record was deleted by other process";
    case -7:
      return "Error deleting record - record was deleted by other process";
    case -9:
      return "Cannot update record in temporary mode";
    case -10:
      return "Cannot delete record in temporary mode";
    case -11:
      return "Cannot cancel operation in temporary mode";
    case -12:
      return "Record is locked";
    case -13:
      return "Table is locked";
    default:
      return {};
  }
}

EVexEngineError::EVexEngineError(int32_t code, const std::string& text)
    : EDatabaseError(""),
      ErrorCode_(code),
      ErrorMessage_(code == -8 ? text : ResultCodeText(code)) {
  SetMessage("Vexbase Engine Error # " + std::to_string(code) + " " + ErrorMessage_);
}
