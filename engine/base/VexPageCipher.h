// A page cipher keyed once for one password: gives the same bytes as EncryptBuffer and
// DecryptBuffer, without hashing the password and building the key schedule on every call.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "engine/base/VexCipher.h"

class TVexPageCipher {
 public:
  // Derives the key of cipherId from the password (an identifier without cipher leaves
  // buffers unchanged). Raises what the key set-up raises.
  TVexPageCipher(uint8_t cipherId, const std::string& password);
  ~TVexPageCipher();

  // Encipher or decipher length bytes in place, each buffer chained afresh from the initial
  // value: byte for byte EncryptBuffer / DecryptBuffer with the same identifier and password.
  // False when anything failed inside; never raise. Safe to call from several threads.
  bool Encrypt(void* buffer, int32_t length) noexcept;
  bool Decrypt(void* buffer, int32_t length) noexcept;

  uint8_t CipherId() const { return CipherId_; }

 private:
  bool Code(bool encrypt, void* buffer, int32_t length) noexcept;

  uint8_t CipherId_;
  std::unique_ptr<TCipher> Cipher_;  // none for an identifier without cipher
  std::mutex Lock_;                  // the chaining state is the object's own
};
