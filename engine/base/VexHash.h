// Hash classes used to derive cipher keys from a password: RIPEMD-128 and RIPEMD-256 (and
// their common base, MD4). The digests come from Crypto++.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/base/VexProtection.h"

namespace CryptoPP {
class HashTransformation;
}

class THash;

// A hash class: its name, its digest length and how to create an object of it.
struct THashClass {
  const char* ClassName;
  int32_t DigestLength;
  std::unique_ptr<THash> (*Create)();
};

class THash : public TProtection {
 public:
  ~THash() override;

  // Start a new digest.
  virtual void HashBegin();
  // Add count bytes (a negative count adds nothing).
  virtual void HashUpdate(const void* data, int32_t count);
  // Finish the digest into DigestBytes.
  virtual void HashEnd();
  // The digest of the last HashEnd (DigestLength bytes; callers may overwrite them).
  virtual uint8_t* DigestBytes();
  virtual int32_t DigestLength() const;

  const THashClass& Class() const { return Class_; }

 protected:
  THash(const THashClass& cls, std::unique_ptr<CryptoPP::HashTransformation> algorithm);

 private:
  const THashClass& Class_;
  std::unique_ptr<CryptoPP::HashTransformation> Algorithm_;
  uint8_t Digest_[32] = {};
};

// MD4: the common base of the RIPEMD hashes; not used for keys.
class THash_MD4 : public THash {
 public:
  THash_MD4();
  static const THashClass Class;

 protected:
  using THash::THash;
};

class THash_RipeMD128 : public THash_MD4 {
 public:
  THash_RipeMD128();
  static const THashClass Class;
};

class THash_RipeMD256 : public THash_MD4 {
 public:
  THash_RipeMD256();
  static const THashClass Class;
};
