// Page encryption: the cipher identifier table and the in-place routines EncryptBuffer and
// DecryptBuffer through which the storage layer enciphers pages and the password-check block.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/base/VexCipher.h"

// One row of the cipher identifier table (the CipherId byte of a database file).
struct TVexCipherIdentifier {
  uint8_t Id;
  const char* Name;
  const TCipherClass* CipherClass;
  const THashClass* HashClass;
};

// The row of a cipher identifier (0..7), or nullptr for an identifier without cipher.
const TVexCipherIdentifier* FindCipherIdentifier(uint8_t cipherId);

// A new cipher of the identifier keyed from the password as EncryptBuffer keys it: the key
// is the identifier's digest of the password, and the chain starts from 0xFF bytes.
std::unique_ptr<TCipher> CreatePageCipher(const TVexCipherIdentifier& id,
                                          const std::string& password);

// Enciphers or deciphers length bytes in place with a keyed cipher, continuing its chain.
// False when anything failed inside; never raises.
bool CodeBufferWith(TCipher& cipher, bool encrypt, void* buffer, int32_t length) noexcept;

// Encipher or decipher length bytes of buffer in place with the cipher of cipherId keyed from
// the password's bytes. Each call starts afresh (no chaining from one buffer to the next).
// True on success and for an identifier without cipher (the buffer is left as it is); false
// when anything failed inside (the buffer may then be partly processed). Never raise.
bool EncryptBuffer(uint8_t cipherId, void* buffer, int32_t length,
                   const std::string& password) noexcept;
bool DecryptBuffer(uint8_t cipherId, void* buffer, int32_t length,
                   const std::string& password) noexcept;
