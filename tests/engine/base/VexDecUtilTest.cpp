// Page encryption: EncryptBuffer and DecryptBuffer against a reference built straight from
// Crypto++ (digest of the password as key, chain from 0xFF bytes), round trips, identifiers
// without cipher, and the 24-byte triple-DES variant.
#include <cryptopp/blowfish.h>
#include <cryptopp/des.h>
#include <cryptopp/rijndael.h>
#include <cryptopp/ripemd.h>
#include <cryptopp/square.h>
#include <cryptopp/twofish.h>
#include <gtest/gtest.h>

#include <functional>

#include "engine/base/VexCipherClasses.h"
#include "engine/base/VexDecUtil.h"
#include "engine/base/VexPageCipher.h"

namespace {

using TBlockFunction = std::function<void(uint8_t*)>;

std::vector<uint8_t> Digest(const std::string& password, bool ripemd256) {
  std::vector<uint8_t> d(ripemd256 ? 32 : 16);
  auto p = reinterpret_cast<const CryptoPP::byte*>(password.data());
  if (ripemd256)
    CryptoPP::RIPEMD256().CalculateDigest(d.data(), p, password.size());
  else
    CryptoPP::RIPEMD128().CalculateDigest(d.data(), p, password.size());
  return d;
}

// Chaining mode 0 from a feedback of 0xFF bytes, written from the definition.
std::vector<uint8_t> ReferenceEncrypt(const TBlockFunction& encrypt, size_t b,
                                      std::vector<uint8_t> data) {
  std::vector<uint8_t> f(b, 0xFF), block(b);
  for (size_t pos = 0; pos < data.size(); pos += b) {
    const size_t n = std::min(b, data.size() - pos);
    if (n == b) {
      for (size_t i = 0; i < b; ++i) block[i] = data[pos + i] ^ f[i];
      encrypt(block.data());
      std::copy(block.begin(), block.end(), data.begin() + long(pos));
    } else {
      block = f;
      encrypt(block.data());
      for (size_t i = 0; i < n; ++i) data[pos + i] ^= block[i];
    }
    for (size_t i = 0; i < b; ++i) f[i] ^= block[i];
  }
  return data;
}

// The 24-byte triple-DES block as defined: DES on the three parts under K1, exchange of bytes
// 4..7 with 8..11, DES-decrypt under K2, the exchange, DES under K3.
TBlockFunction TripleDes24(const std::vector<uint8_t>& k1, const std::vector<uint8_t>& k2,
                           const std::vector<uint8_t>& k3) {
  auto e1 = std::make_shared<CryptoPP::DES::Encryption>(k1.data(), 8);
  auto d2 = std::make_shared<CryptoPP::DES::Decryption>(k2.data(), 8);
  auto e3 = std::make_shared<CryptoPP::DES::Encryption>(k3.data(), 8);
  return [=](uint8_t* block) {
    auto exchange = [&] {
      for (int i = 0; i < 4; ++i) std::swap(block[4 + i], block[8 + i]);
    };
    for (int i = 0; i < 3; ++i) e1->ProcessBlock(block + 8 * i);
    exchange();
    for (int i = 0; i < 3; ++i) d2->ProcessBlock(block + 8 * i);
    exchange();
    for (int i = 0; i < 3; ++i) e3->ProcessBlock(block + 8 * i);
  };
}

template <class TAlgorithm>
TBlockFunction Primitive(const std::vector<uint8_t>& key) {
  auto e = std::make_shared<typename TAlgorithm::Encryption>(key.data(), key.size());
  return [e](uint8_t* block) { e->ProcessBlock(block); };
}

// The block function and block size each identifier should use for a password.
std::pair<TBlockFunction, size_t> ReferenceCipher(uint8_t id, const std::string& password) {
  const auto d128 = Digest(password, false);
  const auto d256 = Digest(password, true);
  const auto part = [](const std::vector<uint8_t>& d, size_t from, size_t n) {
    return std::vector<uint8_t>(d.begin() + long(from), d.begin() + long(from + n));
  };
  switch (id) {
    case 0:
      return {Primitive<CryptoPP::Rijndael>(d128), 16};
    case 1:
      return {Primitive<CryptoPP::Rijndael>(d256), 16};
    case 2:
      return {Primitive<CryptoPP::DES>(part(d128, 0, 8)), 8};
    case 3:
      return {TripleDes24(part(d128, 0, 8), part(d128, 8, 8), std::vector<uint8_t>(8, 0)), 24};
    case 4:
      return {Primitive<CryptoPP::Blowfish>(d256), 8};
    case 5:
      return {Primitive<CryptoPP::Twofish>(d128), 16};
    case 6:
      return {Primitive<CryptoPP::Twofish>(d256), 16};
    default:
      return {Primitive<CryptoPP::Square>(d128), 16};
  }
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(seed + i * 13 + (i >> 8));
  return v;
}

}  // namespace

// The names of the identifiers (which cipher and hash each uses is checked below).
TEST(VexDecUtil, IdentifierNames) {
  const char* names[] = {"Rijndael_128", "Rijndael_256", "DES_Single",  "DES_Triple",
                         "Blowfish",     "Twofish_128",  "Twofish_256", "Square"};
  for (uint8_t id = 0; id < 8; ++id) {
    ASSERT_NE(FindCipherIdentifier(id), nullptr);
    EXPECT_STREQ(FindCipherIdentifier(id)->Name, names[id]);
    EXPECT_EQ(FindCipherIdentifier(id)->Id, id);
  }
  EXPECT_EQ(FindCipherIdentifier(8), nullptr);
}

// Every identifier: the key is the identifier's digest of the password cut to the cipher's
// maximum key size (DES: the first 8 of 16 bytes; triple DES: 16 bytes and a zero K3), and
// the chain starts from 0xFF bytes. The lengths cover the remainder rule alone (5 bytes), a
// page's data area (4056) and the check block (256: 10 blocks and 16 bytes for triple DES).
TEST(VexDecUtil, EncryptBufferMatchesTheReference) {
  const std::string password = "Pa55 w\xF6rd";
  for (uint8_t id = 0; id < 8; ++id) {
    const auto [encrypt, blockSize] = ReferenceCipher(id, password);
    for (size_t length : {5, 16, 24, 256, 4056}) {
      SCOPED_TRACE(std::to_string(id) + " length " + std::to_string(length));
      const auto plain = Pattern(length, id);
      std::vector<uint8_t> data = plain;
      ASSERT_TRUE(EncryptBuffer(id, data.data(), int32_t(length), password));
      EXPECT_EQ(data, ReferenceEncrypt(encrypt, blockSize, plain));
    }
  }
}

// A 5-byte buffer under a 16-byte cipher: each byte is xored with the encryption of the 0xFF
// block, so enciphering twice gives the plain bytes back.
TEST(VexDecUtil, ShortBufferIsTheRemainderRuleAlone) {
  const std::string password = "abc";
  CryptoPP::Rijndael::Encryption aes(Digest(password, false).data(), 16);
  uint8_t k[16];
  std::fill(std::begin(k), std::end(k), 0xFF);
  aes.ProcessBlock(k);
  uint8_t data[5] = {'h', 'e', 'l', 'l', 'o'};
  ASSERT_TRUE(EncryptBuffer(0, data, 5, password));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(data[i], uint8_t("hello"[i] ^ k[i]));
  ASSERT_TRUE(EncryptBuffer(0, data, 5, password));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 5), "hello");
}

TEST(VexDecUtil, RoundTripAndDeterminism) {
  for (uint8_t id = 0; id < 8; ++id) {
    for (int32_t length : {0, 1, 15, 16, 17, 256, 4056}) {
      SCOPED_TRACE(std::to_string(id) + " length " + std::to_string(length));
      const auto plain = Pattern(size_t(length), uint8_t(length));
      std::vector<uint8_t> first = plain, second = plain;
      ASSERT_TRUE(EncryptBuffer(id, first.data(), length, "pw"));
      ASSERT_TRUE(EncryptBuffer(id, second.data(), length, "pw"));
      EXPECT_EQ(first, second);
      if (length >= 16) {
        EXPECT_NE(first, plain);
      }
      std::vector<uint8_t> other = plain;
      ASSERT_TRUE(EncryptBuffer(id, other.data(), length, "pW"));
      if (length > 0) {
        EXPECT_NE(other, first);
      }
      ASSERT_TRUE(DecryptBuffer(id, first.data(), length, "pw"));
      EXPECT_EQ(first, plain);
    }
  }
}

TEST(VexDecUtil, IdentifiersWithoutCipherLeaveTheBuffer) {
  for (uint8_t id : {8, 9, 100, 255}) {
    std::vector<uint8_t> data = Pattern(64, 1);
    EXPECT_TRUE(EncryptBuffer(id, data.data(), 64, "pw"));
    EXPECT_TRUE(DecryptBuffer(id, data.data(), 64, "pw"));
    EXPECT_EQ(data, Pattern(64, 1));
  }
  EXPECT_FALSE(EncryptBuffer(0, nullptr, 16, "pw"));
  EXPECT_TRUE(EncryptBuffer(0, nullptr, 0, "pw"));
}

// Only bytes 4..7 and 8..11 change places in the 24-byte block: a variant that also exchanged
// bytes 12..15 with 16..19 gives other bytes.
TEST(VexDecUtil, TripleDesBlockExchangesOnlyBytes4To11) {
  std::vector<uint8_t> key(24);
  for (size_t i = 0; i < 24; ++i) key[i] = uint8_t(0x10 + i * 7);
  const std::vector<uint8_t> k1(key.begin(), key.begin() + 8),
      k2(key.begin() + 8, key.begin() + 16), k3(key.begin() + 16, key.end());
  auto cipher = TCipher::Create(TCipher_3TDES::Class);
  cipher->Init(key.data(), 24, nullptr);
  const auto plain = Pattern(24, 3);
  std::vector<uint8_t> block = plain, expected = plain;
  cipher->EncryptBlock(block.data());
  TripleDes24(k1, k2, k3)(expected.data());
  EXPECT_EQ(block, expected);

  std::vector<uint8_t> wider = plain;
  CryptoPP::DES::Encryption e1(k1.data(), 8), e3(k3.data(), 8);
  CryptoPP::DES::Decryption d2(k2.data(), 8);
  auto exchangeBoth = [&] {
    for (int i = 0; i < 4; ++i) std::swap(wider[4 + i], wider[8 + i]);
    for (int i = 0; i < 4; ++i) std::swap(wider[12 + i], wider[16 + i]);
  };
  for (int i = 0; i < 3; ++i) e1.ProcessBlock(&wider[8 * i]);
  exchangeBoth();
  for (int i = 0; i < 3; ++i) d2.ProcessBlock(&wider[8 * i]);
  exchangeBoth();
  for (int i = 0; i < 3; ++i) e3.ProcessBlock(&wider[8 * i]);
  EXPECT_NE(block, wider);

  cipher->DecryptBlock(block.data());
  EXPECT_EQ(block, plain);
}

// A page cipher keyed once gives the bytes of EncryptBuffer for every buffer it codes, also
// after other buffers (no chaining passes from one buffer to the next).
TEST(VexDecUtil, PageCipherKeyedOnceMatchesEncryptBuffer) {
  const std::string password = "page password";
  for (uint8_t id : {0, 1, 2, 3, 4, 5, 6, 7, 8}) {
    SCOPED_TRACE(int(id));
    TVexPageCipher cipher(id, password);
    for (int32_t length : {4056, 5, 256, 0, 17, 4056}) {
      const auto plain = Pattern(size_t(length), uint8_t(length + id));
      std::vector<uint8_t> expected = plain, actual = plain;
      ASSERT_TRUE(EncryptBuffer(id, expected.data(), length, password));
      ASSERT_TRUE(cipher.Encrypt(actual.data(), length));
      EXPECT_EQ(actual, expected);
      ASSERT_TRUE(cipher.Decrypt(actual.data(), length));
      EXPECT_EQ(actual, plain);
    }
  }
}
