// The cipher and hash classes: published known answers through the engine's classes, the
// chaining of whole and partial blocks, key cutting, wiping and the uninitialised error.
#include <gtest/gtest.h>

#include <map>

#include "engine/base/VexCipher.h"
#include "engine/base/VexCipherClasses.h"
#include "tests/engine/base/KnownAnswerFiles.h"

namespace {

const std::map<std::string, const TCipherClass*> kCipherByAlgorithm = {
    {"AES-128", &TCipher_Rijndael::Class},
    {"AES-256", &TCipher_Rijndael::Class},
    {"DES", &TCipher_1DES::Class},
    {"3DES-EDE3", &TCipher_3DES::Class},
    {"Blowfish", &TCipher_Blowfish::Class},
    {"Twofish-128", &TCipher_Twofish::Class},
    {"Twofish-256", &TCipher_Twofish::Class},
    {"Square", &TCipher_Square::Class},
};

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  return std::vector<uint8_t>(values.begin(), values.end());
}

}  // namespace

// Every published block: through EncryptBlock/DecryptBlock, and through EncryptData and
// DecryptData with a zero initial value (the first block of the chain is then the raw block).
TEST(VexCipher, KnownAnswersOfTheBlockCiphers) {
  std::string error;
  const auto vectors = ReadKnownAnswers(KnownAnswerDir() + "/ciphers.json", error);
  ASSERT_TRUE(error.empty()) << error;
  ASSERT_EQ(vectors.size(), 29u);
  for (const TKnownAnswer& v : vectors) {
    SCOPED_TRACE(v.at("algorithm") + " key " + v.at("key"));
    const TCipherClass* cls = kCipherByAlgorithm.at(v.at("algorithm"));
    const auto key = HexBytes(v.at("key"));
    const auto plain = HexBytes(v.at("plaintext"));
    const auto expected = HexBytes(v.at("ciphertext"));
    ASSERT_EQ(int32_t(plain.size()), cls->BlockSize);

    auto cipher = TCipher::Create(*cls);
    const std::vector<uint8_t> zero(size_t(cls->BlockSize), 0);
    cipher->Init(key.data(), int32_t(key.size()), zero.data());
    std::vector<uint8_t> block = plain;
    cipher->EncryptBlock(block.data());
    EXPECT_EQ(block, expected);
    cipher->DecryptBlock(block.data());
    EXPECT_EQ(block, plain);

    std::vector<uint8_t> chained(plain.size());
    cipher->EncryptData(plain.data(), chained.data(), int32_t(plain.size()));
    EXPECT_EQ(chained, expected);
    cipher->Init(key.data(), int32_t(key.size()), zero.data());
    cipher->DecryptData(chained.data(), chained.data(), int32_t(chained.size()));
    EXPECT_EQ(chained, plain);
  }
}

TEST(VexCipher, KnownAnswersOfTheHashes) {
  std::string error;
  const auto vectors = ReadKnownAnswers(KnownAnswerDir() + "/hashes.json", error);
  ASSERT_TRUE(error.empty()) << error;
  ASSERT_EQ(vectors.size(), 12u);
  for (const TKnownAnswer& v : vectors) {
    SCOPED_TRACE(v.at("algorithm") + " " + v.at("message"));
    auto hash =
        (v.at("algorithm") == "RIPEMD-128" ? THash_RipeMD128::Class : THash_RipeMD256::Class)
            .Create();
    hash->HashBegin();
    if (v.count("repeat.count")) {
      const std::string unit = v.at("repeat.unit");
      const std::string chunk = [&] {
        std::string s;
        for (int i = 0; i < 1000; ++i) s += unit;
        return s;
      }();
      const long count = std::stol(v.at("repeat.count"));
      ASSERT_EQ(count % 1000, 0);
      for (long i = 0; i < count / 1000; ++i) hash->HashUpdate(chunk.data(), int32_t(chunk.size()));
    } else {
      hash->HashUpdate(v.at("message").data(), int32_t(v.at("message").size()));
    }
    hash->HashEnd();
    const auto expected = HexBytes(v.at("digest"));
    ASSERT_EQ(size_t(hash->DigestLength()), expected.size());
    EXPECT_EQ(std::vector<uint8_t>(hash->DigestBytes(), hash->DigestBytes() + expected.size()),
              expected);
  }
}

// Whole blocks: C := E(P xor F), F := C xor F; a remainder: K := E(F), output := input xor K,
// F := K xor F. Checked against the block primitive of the same object.
TEST(VexCipher, ChainingOfWholeBlocksAndTheRemainder) {
  const auto key = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
  for (const TCipherClass* cls :
       {&TCipher_Rijndael::Class, &TCipher_Blowfish::Class, &TCipher_3TDES::Class}) {
    SCOPED_TRACE(cls->ClassName);
    const size_t b = size_t(cls->BlockSize);
    std::vector<uint8_t> plain(2 * b + 5);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i * 37 + 11);

    auto reference = TCipher::Create(*cls);
    reference->Init(key.data(), int32_t(key.size()), nullptr);
    std::vector<uint8_t> f(reference->Feedback(), reference->Feedback() + b);
    std::vector<uint8_t> expected(plain.size());
    for (size_t pos = 0; pos < plain.size(); pos += b) {
      std::vector<uint8_t> block(b);
      const size_t n = std::min(b, plain.size() - pos);
      if (n == b) {
        for (size_t i = 0; i < b; ++i) block[i] = plain[pos + i] ^ f[i];
        reference->EncryptBlock(block.data());
        for (size_t i = 0; i < b; ++i) expected[pos + i] = block[i];
      } else {
        block = f;
        reference->EncryptBlock(block.data());
        for (size_t i = 0; i < n; ++i) expected[pos + i] = plain[pos + i] ^ block[i];
      }
      for (size_t i = 0; i < b; ++i) f[i] ^= block[i];
    }

    auto cipher = TCipher::Create(*cls);
    cipher->Init(key.data(), int32_t(key.size()), nullptr);
    std::vector<uint8_t> data = plain;
    cipher->EncryptData(data.data(), data.data(), int32_t(data.size()));
    EXPECT_EQ(data, expected);
    EXPECT_EQ(std::vector<uint8_t>(cipher->Feedback(), cipher->Feedback() + b), f);

    std::vector<uint8_t> back(data.size());
    cipher->Init(key.data(), int32_t(key.size()), nullptr);
    cipher->DecryptData(data.data(), back.data(), int32_t(data.size()));
    EXPECT_EQ(back, plain);
    EXPECT_EQ(std::vector<uint8_t>(cipher->Feedback(), cipher->Feedback() + b), f);
  }
}

// Without an initial value the chain starts from the encryption of the 0xFF block; a key
// longer than the maximum is cut; a count of 0 changes nothing.
TEST(VexCipher, InitKeyCuttingAndInitialValue) {
  std::vector<uint8_t> key(40);
  for (size_t i = 0; i < key.size(); ++i) key[i] = uint8_t(i + 1);
  auto longKey = TCipher::Create(TCipher_Square::Class);
  auto cutKey = TCipher::Create(TCipher_Square::Class);
  longKey->Init(key.data(), 40, nullptr);
  cutKey->Init(key.data(), 16, nullptr);
  std::vector<uint8_t> ff(16, 0xFF);
  cutKey->EncryptBlock(ff.data());
  EXPECT_EQ(std::vector<uint8_t>(longKey->InitialValue(), longKey->InitialValue() + 16), ff);
  EXPECT_EQ(std::vector<uint8_t>(cutKey->Feedback(), cutKey->Feedback() + 16), ff);

  uint8_t untouched[4] = {1, 2, 3, 4};
  longKey->EncryptData(untouched, untouched, 0);
  longKey->DecryptData(untouched, untouched, -5);
  EXPECT_EQ(untouched[0], 1);
  EXPECT_EQ(std::vector<uint8_t>(longKey->Feedback(), longKey->Feedback() + 16), ff);

  // A negative length keys like an empty key, which is the all-zero key.
  auto negative = TCipher::Create(TCipher_Rijndael::Class);
  auto zero = TCipher::Create(TCipher_Rijndael::Class);
  const std::vector<uint8_t> zeros(16, 0);
  negative->Init(key.data(), -3, nullptr);
  zero->Init(zeros.data(), 16, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(negative->InitialValue(), negative->InitialValue() + 16),
            std::vector<uint8_t>(zero->InitialValue(), zero->InitialValue() + 16));
}

TEST(VexCipher, WipeAndUninitialisedUse) {
  auto cipher = TCipher::Create(TCipher_Rijndael::Class);
  uint8_t data[16] = {};
  try {
    cipher->EncryptData(data, data, 16);
    FAIL() << "no exception";
  } catch (const ECipherException& e) {
    EXPECT_EQ(e.ErrorCode(), 3);
    EXPECT_EQ(e.Message(), "TCipher_Rijndael is not initialized call Init() or InitKey() before.");
  }
  cipher = TCipher::Create(TCipher_3TDES::Class, "secret");
  EXPECT_EQ(cipher->StateFlags(), 3);
  cipher->EncryptData(data, data, 16);
  cipher->Wipe();
  EXPECT_EQ(cipher->StateFlags(), 0);
  for (int i = 0; i < 24; ++i) {
    EXPECT_EQ(cipher->InitialValue()[i], 0xFF);
    EXPECT_EQ(cipher->Feedback()[i], 0xFF);
  }
  EXPECT_THROW(cipher->DecryptData(data, data, 16), ECipherException);
}

// Blowfish uses the key bytes cyclically: a short key equals the same key written out twice.
TEST(VexCipher, BlowfishShortKeysAreCyclic) {
  const struct {
    std::vector<uint8_t> shortKey, longKey;
  } cases[] = {
      {Bytes({0x11}), Bytes({0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11})},
      {Bytes({1, 2, 3}), Bytes({1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3})},
      {Bytes({9, 8, 7, 6, 5}), Bytes({9, 8, 7, 6, 5, 9, 8, 7, 6, 5})},
  };
  for (const auto& c : cases) {
    auto a = TCipher::Create(TCipher_Blowfish::Class);
    auto b = TCipher::Create(TCipher_Blowfish::Class);
    a->Init(c.shortKey.data(), int32_t(c.shortKey.size()), nullptr);
    b->Init(c.longKey.data(), int32_t(c.longKey.size()), nullptr);
    EXPECT_EQ(std::vector<uint8_t>(a->InitialValue(), a->InitialValue() + 8),
              std::vector<uint8_t>(b->InitialValue(), b->InitialValue() + 8))
        << c.shortKey.size();
  }
}
