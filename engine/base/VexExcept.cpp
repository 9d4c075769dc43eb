// The engine's exception.
#include "engine/base/VexExcept.h"

#include <cstdio>

EVexException::EVexException(int32_t code, std::string_view text)
    : Exception(""), NativeError_(code) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%05d", int(code));
  SetMessage(std::string(text) + " - Native error: " + digits);
}

EVexException::EVexException(int32_t code, std::string_view format,
                             std::initializer_list<TVarRec> args)
    : Exception(""), NativeError_(code) {
  std::string text;
  try {
    text = Format(format, args);
  } catch (const std::exception&) {
    text = std::string(format) + " Arguments are invalid!";
  }
  char digits[32];
  std::snprintf(digits, sizeof digits, "%5d", int(code));
  SetMessage(text + " - Native error: " + digits);
}
