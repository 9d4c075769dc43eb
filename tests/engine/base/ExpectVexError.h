// Test helper: runs a callable and checks that it raises EVexException with a given code and,
// when one is given, the exact message.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/base/VexExcept.h"

template <class F>
void ExpectVexError(F f, int32_t code, const std::string& message = {}) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected " << code;
  } catch (const EVexException& e) {
    EXPECT_EQ(e.NativeError(), code) << e.Message();
    if (!message.empty()) {
      EXPECT_EQ(e.Message(), message);
    }
  }
}
