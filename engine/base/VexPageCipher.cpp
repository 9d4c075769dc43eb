// A page cipher keyed once for one password.
#include "engine/base/VexPageCipher.h"

#include <exception>

#include "engine/base/VexDecUtil.h"

TVexPageCipher::TVexPageCipher(uint8_t cipherId, const std::string& password)
    : CipherId_(cipherId) {
  if (const TVexCipherIdentifier* id = FindCipherIdentifier(cipherId))
    Cipher_ = CreatePageCipher(*id, password);
}

TVexPageCipher::~TVexPageCipher() = default;

template <bool Encrypting>
bool TVexPageCipher::Code(void* buffer, int32_t length) noexcept {
  if (!Cipher_) return true;
  if (buffer == nullptr && length > 0) return false;
  try {
    std::lock_guard<std::mutex> guard(Lock_);
    // After InitKey the feedback equals the initial value; every buffer starts from there.
    Cipher_->ResetChain();
    if (Encrypting)
      Cipher_->EncryptData(buffer, buffer, length);
    else
      Cipher_->DecryptData(buffer, buffer, length);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TVexPageCipher::Encrypt(void* buffer, int32_t length) noexcept {
  return Code<true>(buffer, length);
}

bool TVexPageCipher::Decrypt(void* buffer, int32_t length) noexcept {
  return Code<false>(buffer, length);
}
