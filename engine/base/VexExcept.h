// The engine's exception: a message that ends in " - Native error: " and the five-digit code
// of the place of failure, and the code itself.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/Exception.h"
#include "platform/Format.h"

class EVexException : public Exception {
 public:
  // Create: the text, then the code zero-filled to five digits ("02011").
  EVexException(int32_t code, std::string_view text);
  // CreateFmt: the formatted text, then the code right-aligned in five characters (" 2156").
  // A format that does not fit its arguments gives the format text and " Arguments are
  // invalid!"; no second exception escapes.
  EVexException(int32_t code, std::string_view format, std::initializer_list<TVarRec> args);

  int32_t NativeError() const noexcept { return NativeError_; }

 private:
  int32_t NativeError_;
};
