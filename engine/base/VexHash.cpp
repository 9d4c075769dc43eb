// Hash classes over the Crypto++ digests.
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include "engine/base/VexHash.h"

#include <cryptopp/md4.h>
#include <cryptopp/ripemd.h>

#include <cstring>

namespace {

template <class THashType>
std::unique_ptr<THash> CreateHash() {
  return std::make_unique<THashType>();
}

}  // namespace

const THashClass THash_MD4::Class = {"THash_MD4", 16, &CreateHash<THash_MD4>};
const THashClass THash_RipeMD128::Class = {"THash_RipeMD128", 16, &CreateHash<THash_RipeMD128>};
const THashClass THash_RipeMD256::Class = {"THash_RipeMD256", 32, &CreateHash<THash_RipeMD256>};

THash::THash(const THashClass& cls, std::unique_ptr<CryptoPP::HashTransformation> algorithm)
    : Class_(cls), Algorithm_(std::move(algorithm)) {}

THash::~THash() {
  CryptoPP::SecureWipeBuffer(Digest_, sizeof Digest_);
}

void THash::HashBegin() {
  Algorithm_->Restart();
}

void THash::HashUpdate(const void* data, int32_t count) {
  if (count > 0) Algorithm_->Update(static_cast<const CryptoPP::byte*>(data), size_t(count));
}

void THash::HashEnd() {
  Algorithm_->Final(Digest_);
}

uint8_t* THash::DigestBytes() {
  return Digest_;
}

int32_t THash::DigestLength() const {
  return Class_.DigestLength;
}

THash_MD4::THash_MD4() : THash(Class, std::make_unique<CryptoPP::Weak::MD4>()) {}

THash_RipeMD128::THash_RipeMD128() : THash_MD4(Class, std::make_unique<CryptoPP::RIPEMD128>()) {}

THash_RipeMD256::THash_RipeMD256() : THash_MD4(Class, std::make_unique<CryptoPP::RIPEMD256>()) {}
