// The block cipher base class: key set-up, chaining mode 0 and wiping.
#include "engine/base/VexCipher.h"

#include <algorithm>
#include <cstring>

#include "platform/Format.h"

namespace {

// Overwrites n bytes with value in a way the compiler keeps even when the bytes are
// overwritten again right after.
void FillVolatile(uint8_t* p, size_t n, uint8_t value) {
  volatile uint8_t* v = p;
  for (size_t i = 0; i < n; ++i) v[i] = value;
}

void XorBytes(uint8_t* dest, const uint8_t* a, const uint8_t* b, size_t n) {
  for (size_t i = 0; i < n; ++i) dest[i] = a[i] ^ b[i];
}

}  // namespace

TCipher::TCipher(const TCipherClass& cls)
    : Class_(cls),
      Scratch_(size_t(cls.BlockSize)),
      InitialValue_(size_t(cls.BlockSize)),
      Feedback_(size_t(cls.BlockSize)) {
  // The key schedule is not built yet, so the base part of Wipe is all there is to do.
  Flags_ = 0;
  std::fill(InitialValue_.begin(), InitialValue_.end(), 0xFF);
  std::fill(Feedback_.begin(), Feedback_.end(), 0xFF);
}

TCipher::~TCipher() {
  for (auto* block : {&Scratch_, &InitialValue_, &Feedback_})
    FillVolatile(block->data(), block->size(), 0);
}

std::unique_ptr<TCipher> TCipher::Create(const TCipherClass& cls) {
  std::unique_ptr<TCipher> cipher = cls.Create();
  cipher->Wipe();
  return cipher;
}

std::unique_ptr<TCipher> TCipher::Create(const TCipherClass& cls, std::string_view password) {
  std::unique_ptr<TCipher> cipher = Create(cls);
  cipher->InitKey(password, nullptr);
  return cipher;
}

void TCipher::SetStateFlag(int32_t bit, bool value) {
  if (bit < 0 || bit > 31) return;
  const int32_t mask = int32_t(1u << bit);
  Flags_ = value ? (Flags_ | mask) : (Flags_ & ~mask);
}

void TCipher::FinishInit(const uint8_t* initialValue) {
  if (initialValue != nullptr)
    std::memmove(InitialValue_.data(), initialValue, InitialValue_.size());
  else
    EncryptBlock(InitialValue_.data());
  Feedback_ = InitialValue_;
  SetStateFlag(1, true);
}

void TCipher::Init(const void* key, int32_t length, const uint8_t* initialValue) {
  SetStateFlag(1, false);
  Wipe();
  length = std::clamp(length, 0, Class_.MaxKeySize);
  SetupKey(static_cast<const uint8_t*>(key), length);
  FinishInit(initialValue);
}

void TCipher::ResetChain() {
  if (Feedback_ != InitialValue_) {
    Scratch_ = Feedback_;
    Feedback_ = InitialValue_;
  }
}

void TCipher::Wipe() {
  SetStateFlag(0, false);
  SetStateFlag(1, false);
  for (uint8_t pattern : {uint8_t(0xAA), uint8_t(0x55)})
    for (auto* block : {&InitialValue_, &Feedback_, &Scratch_})
      FillVolatile(block->data(), block->size(), pattern);
  std::fill(InitialValue_.begin(), InitialValue_.end(), 0xFF);
  std::fill(Feedback_.begin(), Feedback_.end(), 0xFF);
  std::fill(Scratch_.begin(), Scratch_.end(), 0);
  WipeKeySchedule();
}

void TCipher::InitKey(std::string_view password, const uint8_t* initialValue) {
  THash& hash = HashObject();
  hash.HashBegin();
  hash.HashUpdate(password.data(), int32_t(password.size()));
  hash.HashEnd();
  const int32_t n = std::min(hash.DigestLength(), Class_.MaxKeySize);
  uint8_t* digest = hash.DigestBytes();
  Init(digest, n, initialValue);
  // The digest is not left in the clear in the hash object.
  EncryptData(digest, digest, hash.DigestLength());
  ResetChain();
  SetStateFlag(0, true);
}

void TCipher::CheckInitialized() const {
  if ((Flags_ & 2) == 0)
    throw ECipherException(
        errNotInitialized,
        Format("%s is not initialized call Init() or InitKey() before.", {Class_.ClassName}));
}

void TCipher::CodeRemainder(const uint8_t* in, uint8_t* out, size_t left) {
  uint8_t* f = Feedback_.data();
  uint8_t* s = Scratch_.data();
  const size_t b = Feedback_.size();
  std::memcpy(s, f, b);  // K := E(F), when encrypting and when decrypting
  EncryptBlock(s);
  XorBytes(out, in, s, left);
  XorBytes(f, s, f, b);  // F := K xor F
}

void TCipher::EncryptData(const void* source, void* dest, int32_t count) {
  CheckInitialized();
  auto in = static_cast<const uint8_t*>(source);
  auto out = static_cast<uint8_t*>(dest);
  const size_t b = size_t(Class_.BlockSize);
  uint8_t* f = Feedback_.data();
  uint8_t* s = Scratch_.data();
  size_t left = count > 0 ? size_t(count) : 0;
  for (; left >= b; left -= b, in += b, out += b) {
    XorBytes(s, in, f, b);  // C := E(P xor F)
    EncryptBlock(s);
    std::memcpy(out, s, b);
    XorBytes(f, s, f, b);  // F := C xor F
  }
  if (left > 0) CodeRemainder(in, out, left);
}

void TCipher::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t count) {
  const size_t b = size_t(Class_.BlockSize);
  std::memcpy(out, in, count * b);
  for (size_t i = 0; i < count; ++i) DecryptBlock(out + i * b);
}

void TCipher::DecryptData(const void* source, void* dest, int32_t count) {
  CheckInitialized();
  auto in = static_cast<const uint8_t*>(source);
  auto out = static_cast<uint8_t*>(dest);
  const size_t b = size_t(Class_.BlockSize);
  uint8_t* f = Feedback_.data();
  size_t left = count > 0 ? size_t(count) : 0;
  // P := D(C) xor F, F := C xor F. The feedback of each block depends only on the cipher bytes,
  // so a run of blocks is deciphered in one call (in parallel where the primitive can); the
  // cipher bytes are kept aside because the output may overwrite them.
  uint8_t cipherBytes[384];  // a multiple of 8, 16 and 24
  const size_t runBlocks = std::max<size_t>(sizeof cipherBytes / b, 1);
  while (left >= b) {
    const size_t blocks = std::min(left / b, runBlocks);
    std::memcpy(cipherBytes, in, blocks * b);
    DecryptBlocks(cipherBytes, out, blocks);
    for (size_t i = 0; i < blocks; ++i) {
      XorBytes(out + i * b, out + i * b, f, b);
      XorBytes(f, cipherBytes + i * b, f, b);
    }
    in += blocks * b;
    out += blocks * b;
    left -= blocks * b;
  }
  if (left > 0) CodeRemainder(in, out, left);
}

void TCipher::SetHashClass(const THashClass* hashClass) {
  if (hashClass == nullptr) hashClass = &THash_RipeMD256::Class;
  if (hashClass != HashClass_) {
    Hash_.reset();
    HashClass_ = hashClass;
  }
}

THash& TCipher::HashObject() {
  if (!Hash_) Hash_ = HashClass_->Create();
  return *Hash_;
}
