// The engine's cipher classes over the Crypto++ block primitives.
#include "engine/base/VexCipherClasses.h"

#include <cryptopp/blowfish.h>
#include <cryptopp/des.h>
#include <cryptopp/rijndael.h>
#include <cryptopp/square.h>
#include <cryptopp/twofish.h>

#include <algorithm>
#include <cstring>

namespace {

template <class TCipherType>
std::unique_ptr<TCipher> CreateCipher() {
  return std::make_unique<TCipherType>();
}

// Keys a primitive of the Crypto++ algorithm with exactly size bytes: the key bytes, then zeros.
template <class TAlgorithm>
void SetupPrimitive(TBlockPrimitive& primitive, const uint8_t* key, int32_t length, size_t size) {
  CryptoPP::SecByteBlock padded(size);  // zero-filled; wiped when released
  std::memset(padded.data(), 0, size);
  if (length > 0) std::memcpy(padded.data(), key, std::min(size_t(length), size));
  auto encryption = std::make_unique<typename TAlgorithm::Encryption>(padded.data(), size);
  auto decryption = std::make_unique<typename TAlgorithm::Decryption>(padded.data(), size);
  primitive.Encryption = std::move(encryption);
  primitive.Decryption = std::move(decryption);
}

// 16, 24 or 32 bytes for a key of up to 16, up to 24 or more bytes.
size_t PaddedKeySize(int32_t length) {
  return length <= 16 ? 16 : length <= 24 ? 24 : 32;
}

void Swap4(uint8_t* block) {
  std::swap_ranges(block + 4, block + 8, block + 8);
}

}  // namespace

const TCipherClass TCipher_Rijndael::Class = {"TCipher_Rijndael", 16, 32, 480,
                                              &CreateCipher<TCipher_Rijndael>};
const TCipherClass TCipher_Blowfish::Class = {"TCipher_Blowfish", 8, 56, 4168,
                                              &CreateCipher<TCipher_Blowfish>};
const TCipherClass TCipher_Twofish::Class = {"TCipher_Twofish", 16, 32, 4256,
                                             &CreateCipher<TCipher_Twofish>};
const TCipherClass TCipher_Square::Class = {"TCipher_Square", 16, 16, 288,
                                            &CreateCipher<TCipher_Square>};
const TCipherClass TCipher_1DES::Class = {"TCipher_1DES", 8, 8, 256, &CreateCipher<TCipher_1DES>};
const TCipherClass TCipher_3DES::Class = {"TCipher_3DES", 8, 24, 768, &CreateCipher<TCipher_3DES>};
const TCipherClass TCipher_3TDES::Class = {"TCipher_3TDES", 24, 24, 768,
                                           &CreateCipher<TCipher_3TDES>};

void TBlockPrimitive::Encrypt(uint8_t* block) const {
  Encryption->ProcessBlock(block);
}

void TBlockPrimitive::Decrypt(uint8_t* block) const {
  Decryption->ProcessBlock(block);
}

void TBlockPrimitive::Reset() {
  Encryption.reset();
  Decryption.reset();
}

void TPrimitiveCipher::EncryptBlock(uint8_t* block) {
  Primitive_.Encrypt(block);
}

void TPrimitiveCipher::DecryptBlock(uint8_t* block) {
  Primitive_.Decrypt(block);
}

void TPrimitiveCipher::WipeKeySchedule() {
  Primitive_.Reset();
}

void TPrimitiveCipher::DecryptBlocks(const uint8_t* in, uint8_t* out, size_t count) {
  Primitive_.Decryption->AdvancedProcessBlocks(in, nullptr, out, count * size_t(BlockSize()), 0);
}

TCipher_Rijndael::TCipher_Rijndael() : TPrimitiveCipher(Class) {}

void TCipher_Rijndael::SetupKey(const uint8_t* key, int32_t length) {
  SetupPrimitive<CryptoPP::Rijndael>(Primitive_, key, length, PaddedKeySize(length));
}

TCipher_Blowfish::TCipher_Blowfish() : TPrimitiveCipher(Class) {}

void TCipher_Blowfish::SetupKey(const uint8_t* key, int32_t length) {
  // The key bytes are used cyclically, so a key shorter than the primitive's 4-byte minimum is
  // the same key written out again (whole times); no key at all acts as zero bytes.
  if (length >= 4) {
    SetupPrimitive<CryptoPP::Blowfish>(Primitive_, key, length, size_t(length));
    return;
  }
  uint8_t cyclic[6] = {};
  size_t size = 4;
  if (length > 0) {
    size = size_t(length) * size_t((4 + length - 1) / length);
    for (size_t i = 0; i < size; ++i) cyclic[i] = key[i % size_t(length)];
  }
  SetupPrimitive<CryptoPP::Blowfish>(Primitive_, cyclic, int32_t(size), size);
  CryptoPP::SecureWipeBuffer(cyclic, sizeof cyclic);
}

TCipher_Twofish::TCipher_Twofish() : TPrimitiveCipher(Class) {}

void TCipher_Twofish::SetupKey(const uint8_t* key, int32_t length) {
  SetupPrimitive<CryptoPP::Twofish>(Primitive_, key, length, PaddedKeySize(length));
}

TCipher_Square::TCipher_Square() : TPrimitiveCipher(Class) {}

void TCipher_Square::SetupKey(const uint8_t* key, int32_t length) {
  SetupPrimitive<CryptoPP::Square>(Primitive_, key, length, 16);
}

TCipher_1DES::TCipher_1DES() : TCipher(Class) {}

TCipher_1DES::TCipher_1DES(const TCipherClass& cls) : TCipher(cls) {}

void TCipher_1DES::SetupDES(const uint8_t* key, int32_t length, int count) {
  for (int k = 0; k < count; ++k)
    SetupPrimitive<CryptoPP::DES>(DES_[k], key + 8 * k, std::clamp(length - 8 * k, 0, 8), 8);
}

void TCipher_1DES::SetupKey(const uint8_t* key, int32_t length) {
  SetupDES(key, length, 1);
}

void TCipher_1DES::WipeKeySchedule() {
  for (TBlockPrimitive& des : DES_) des.Reset();
}

void TCipher_1DES::EncryptBlock(uint8_t* block) {
  DES_[0].Encrypt(block);
}

void TCipher_1DES::DecryptBlock(uint8_t* block) {
  DES_[0].Decrypt(block);
}

TCipher_3DES::TCipher_3DES() : TCipher_1DES(Class) {}

TCipher_3DES::TCipher_3DES(const TCipherClass& cls) : TCipher_1DES(cls) {}

void TCipher_3DES::SetupKey(const uint8_t* key, int32_t length) {
  SetupDES(key, length, 3);
}

void TCipher_3DES::EncryptBlock(uint8_t* block) {
  DES_[0].Encrypt(block);
  DES_[1].Decrypt(block);
  DES_[2].Encrypt(block);
}

void TCipher_3DES::DecryptBlock(uint8_t* block) {
  DES_[2].Decrypt(block);
  DES_[1].Encrypt(block);
  DES_[0].Decrypt(block);
}

TCipher_3TDES::TCipher_3TDES() : TCipher_3DES(Class) {}

void TCipher_3TDES::EncryptBlock(uint8_t* block) {
  for (int i = 0; i < 3; ++i) DES_[0].Encrypt(block + 8 * i);
  Swap4(block);
  for (int i = 0; i < 3; ++i) DES_[1].Decrypt(block + 8 * i);
  Swap4(block);
  for (int i = 0; i < 3; ++i) DES_[2].Encrypt(block + 8 * i);
}

void TCipher_3TDES::DecryptBlock(uint8_t* block) {
  for (int i = 0; i < 3; ++i) DES_[2].Decrypt(block + 8 * i);
  Swap4(block);
  for (int i = 0; i < 3; ++i) DES_[1].Encrypt(block + 8 * i);
  Swap4(block);
  for (int i = 0; i < 3; ++i) DES_[0].Decrypt(block + 8 * i);
}
