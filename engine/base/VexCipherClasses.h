// The engine's cipher classes: Rijndael, Blowfish, DES, triple DES (8-byte and 24-byte
// blocks), Twofish and Square. The block primitives come from Crypto++; key padding and the
// triple-DES variants are the engine's own.
#pragma once

#include <memory>

#include "engine/base/VexCipher.h"

namespace CryptoPP {
class BlockTransformation;
}

// One keyed block primitive: its encryption and decryption objects (none until keyed).
struct TBlockPrimitive {
  std::unique_ptr<CryptoPP::BlockTransformation> Encryption;
  std::unique_ptr<CryptoPP::BlockTransformation> Decryption;
  void Encrypt(uint8_t* block) const;
  void Decrypt(uint8_t* block) const;
  void Reset();
};

// A cipher whose block operation is one primitive; subclasses build its key.
class TPrimitiveCipher : public TCipher {
 public:
  void EncryptBlock(uint8_t* block) override;
  void DecryptBlock(uint8_t* block) override;

 protected:
  using TCipher::TCipher;
  void WipeKeySchedule() override;
  void DecryptBlocks(const uint8_t* in, uint8_t* out, size_t count) override;
  TBlockPrimitive Primitive_;
};

// Rijndael with 128-bit blocks; the key zero-padded to 16, 24 or 32 bytes.
class TCipher_Rijndael : public TPrimitiveCipher {
 public:
  TCipher_Rijndael();
  static const TCipherClass Class;

 protected:
  void SetupKey(const uint8_t* key, int32_t length) override;
};

// Blowfish with 16 rounds; the 1 to 56 key bytes are used cyclically.
class TCipher_Blowfish : public TPrimitiveCipher {
 public:
  TCipher_Blowfish();
  static const TCipherClass Class;

 protected:
  void SetupKey(const uint8_t* key, int32_t length) override;
};

// Twofish; the key zero-padded to 16, 24 or 32 bytes.
class TCipher_Twofish : public TPrimitiveCipher {
 public:
  TCipher_Twofish();
  static const TCipherClass Class;

 protected:
  void SetupKey(const uint8_t* key, int32_t length) override;
};

// Square with 8 rounds; a shorter key zero-padded to 16 bytes.
class TCipher_Square : public TPrimitiveCipher {
 public:
  TCipher_Square();
  static const TCipherClass Class;

 protected:
  void SetupKey(const uint8_t* key, int32_t length) override;
};

// DES; a shorter key is zero-padded to 8 bytes, parity bits are ignored.
class TCipher_1DES : public TCipher {
 public:
  TCipher_1DES();
  static const TCipherClass Class;
  void EncryptBlock(uint8_t* block) override;
  void DecryptBlock(uint8_t* block) override;

 protected:
  explicit TCipher_1DES(const TCipherClass& cls);
  void SetupKey(const uint8_t* key, int32_t length) override;
  void WipeKeySchedule() override;
  // Keys each DES primitive k (0..count-1) with bytes 8k..8k+7 of the key zero-padded to
  // 8 * count bytes.
  void SetupDES(const uint8_t* key, int32_t length, int count);

  TBlockPrimitive DES_[3];
};

// Triple DES: encrypt under K1, decrypt under K2, encrypt under K3, with K1, K2, K3 the bytes
// 0..7, 8..15 and 16..23 of the key zero-padded to 24 bytes (a 16-byte key gives a zero K3).
class TCipher_3DES : public TCipher_1DES {
 public:
  TCipher_3DES();
  static const TCipherClass Class;
  void EncryptBlock(uint8_t* block) override;
  void DecryptBlock(uint8_t* block) override;

 protected:
  explicit TCipher_3DES(const TCipherClass& cls);
  void SetupKey(const uint8_t* key, int32_t length) override;
};

// Triple DES over 24-byte blocks: each step works on the three 8-byte parts a, b, c, and
// bytes 4..7 and 8..11 change places between the steps.
class TCipher_3TDES : public TCipher_3DES {
 public:
  TCipher_3TDES();
  static const TCipherClass Class;
  void EncryptBlock(uint8_t* block) override;
  void DecryptBlock(uint8_t* block) override;
};
