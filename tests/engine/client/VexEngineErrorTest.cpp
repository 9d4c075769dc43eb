// The dataset-level error: its message for every result code.
#include <gtest/gtest.h>

#include "engine/client/VexEngineError.h"

TEST(VexEngineError, MessageForEachResultCode) {
  struct Case {
    int32_t code;
    const char* message;
  };
  const Case cases[] = {
      {-1, "Vexbase Engine Error # -1 Error adding record"},
      {-2, "Vexbase Engine Error # -2 Error updating record"},
      {-3, "Vexbase Engine Error # -3 Error deleting record"},
      {-4,
       "Vexbase Engine Error # -4 Error updating record - record was modified by other process"},
      {-5,
       "Vexbase Engine Error # -5 Error deleting record - record was modified by other process"},
      {-6, "Vexbase Engine Error # -6 Error updating record - record was deleted by other process"},
      {-7, "Vexbase Engine Error # -7 Error deleting record - record was deleted by other process"},
      {-8, "Vexbase Engine Error # -8 Key violation in 'tLicense'"},
      {-9, "Vexbase Engine Error # -9 Cannot update record in temporary mode"},
      {-10, "Vexbase Engine Error # -10 Cannot delete record in temporary mode"},
      {-11, "Vexbase Engine Error # -11 Cannot cancel operation in temporary mode"},
      {-12, "Vexbase Engine Error # -12 Record is locked"},
      {-13, "Vexbase Engine Error # -13 Table is locked"},
      {-14, "Vexbase Engine Error # -14 "},
      {0, "Vexbase Engine Error # 0 "},
      {7, "Vexbase Engine Error # 7 "},
  };
  for (const Case& c : cases) {
    // The supplied text counts only for -8.
    EVexEngineError e(c.code, "Key violation in 'tLicense'");
    EXPECT_EQ(e.Message(), c.message);
    EXPECT_EQ(e.ErrorCode(), c.code);
  }
}

TEST(VexEngineError, CaughtAsTheCommonBase) {
  try {
    throw EVexEngineError(-12, "");
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Vexbase Engine Error # -12 Record is locked");
  }
}
