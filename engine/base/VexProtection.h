// The common base of the cipher and hash classes, and the cipher exception.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Exception.h"

// Base object of ciphers and hashes. Its general coding chain (buffers, strings, streams,
// files) is not used by the engine and is not built.
class TProtection {
 public:
  virtual ~TProtection() = default;
};

// Error of a cipher or hash object: a message and an integer error code.
class ECipherException : public Exception {
 public:
  ECipherException(int32_t errorCode, std::string message)
      : Exception(std::move(message)), ErrorCode_(errorCode) {}
  int32_t ErrorCode() const noexcept { return ErrorCode_; }

 private:
  int32_t ErrorCode_;
};

// Error code of EncryptData or DecryptData on an object that is not initialised.
constexpr int32_t errNotInitialized = 3;
