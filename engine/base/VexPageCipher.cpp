// A page cipher keyed once for one password.
#include "engine/base/VexPageCipher.h"

#include "engine/base/VexDecUtil.h"

TVexPageCipher::TVexPageCipher(uint8_t cipherId, const std::string& password)
    : CipherId_(cipherId) {
  if (const TVexCipherIdentifier* id = FindCipherIdentifier(cipherId))
    Cipher_ = CreatePageCipher(*id, password);
}

TVexPageCipher::~TVexPageCipher() = default;

bool TVexPageCipher::Code(bool encrypt, void* buffer, int32_t length) noexcept {
  if (!Cipher_) return true;
  std::lock_guard<std::mutex> guard(Lock_);
  // After InitKey the feedback equals the initial value; every buffer starts from there.
  Cipher_->ResetChain();
  return CodeBufferWith(*Cipher_, encrypt, buffer, length);
}

bool TVexPageCipher::Encrypt(void* buffer, int32_t length) noexcept {
  return Code(true, buffer, length);
}

bool TVexPageCipher::Decrypt(void* buffer, int32_t length) noexcept {
  return Code(false, buffer, length);
}
