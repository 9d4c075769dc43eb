// Page encryption: cipher identifiers, EncryptBuffer and DecryptBuffer.
#include "engine/base/VexDecUtil.h"

#include <exception>

#include "engine/base/VexCipherClasses.h"

namespace {

const TVexCipherIdentifier kCipherIdentifiers[] = {
    {0, "Rijndael_128", &TCipher_Rijndael::Class, &THash_RipeMD128::Class},
    {1, "Rijndael_256", &TCipher_Rijndael::Class, &THash_RipeMD256::Class},
    {2, "DES_Single", &TCipher_1DES::Class, &THash_RipeMD128::Class},
    {3, "DES_Triple", &TCipher_3TDES::Class, &THash_RipeMD128::Class},
    {4, "Blowfish", &TCipher_Blowfish::Class, &THash_RipeMD256::Class},
    {5, "Twofish_128", &TCipher_Twofish::Class, &THash_RipeMD128::Class},
    {6, "Twofish_256", &TCipher_Twofish::Class, &THash_RipeMD256::Class},
    {7, "Square", &TCipher_Square::Class, &THash_RipeMD128::Class},
};

// A new cipher object for every buffer, so no chaining passes from one buffer to the next.
bool CodeBuffer(bool encrypt, uint8_t cipherId, void* buffer, int32_t length,
                const std::string& password) noexcept {
  const TVexCipherIdentifier* id = FindCipherIdentifier(cipherId);
  if (id == nullptr) return true;
  try {
    return CodeBufferWith(*CreatePageCipher(*id, password), encrypt, buffer, length);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

std::unique_ptr<TCipher> CreatePageCipher(const TVexCipherIdentifier& id,
                                          const std::string& password) {
  std::unique_ptr<TCipher> cipher = TCipher::Create(*id.CipherClass);
  cipher->SetHashClass(id.HashClass);
  // Init fills the initial-value block with 0xFF bytes before copying it onto itself, so the
  // chain starts from 0xFF bytes (not from their encryption).
  cipher->InitKey(password, cipher->InitialValue());
  return cipher;
}

bool CodeBufferWith(TCipher& cipher, bool encrypt, void* buffer, int32_t length) noexcept {
  if (buffer == nullptr && length > 0) return false;
  try {
    if (encrypt)
      cipher.EncryptData(buffer, buffer, length);
    else
      cipher.DecryptData(buffer, buffer, length);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

const TVexCipherIdentifier* FindCipherIdentifier(uint8_t cipherId) {
  return cipherId < std::size(kCipherIdentifiers) ? &kCipherIdentifiers[cipherId] : nullptr;
}

bool EncryptBuffer(uint8_t cipherId, void* buffer, int32_t length,
                   const std::string& password) noexcept {
  return CodeBuffer(true, cipherId, buffer, length, password);
}

bool DecryptBuffer(uint8_t cipherId, void* buffer, int32_t length,
                   const std::string& password) noexcept {
  return CodeBuffer(false, cipherId, buffer, length, password);
}
