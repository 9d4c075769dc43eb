// The block cipher base class: key set-up from bytes or from a password digest, the chaining
// of whole blocks and of a last partial block (mode 0), and wiping of all key material.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/base/VexHash.h"
#include "engine/base/VexProtection.h"

class TCipher;

// A cipher class: its name, its geometry (block size, maximum key size, key-schedule size)
// and how to create an object of it.
struct TCipherClass {
  const char* ClassName;
  int32_t BlockSize;
  int32_t MaxKeySize;
  int32_t KeyScheduleSize;
  std::unique_ptr<TCipher> (*Create)();
};

class TCipher : public TProtection {
 public:
  ~TCipher() override;
  TCipher(const TCipher&) = delete;
  TCipher& operator=(const TCipher&) = delete;

  // Creates an object of the class, wiped and not keyed.
  static std::unique_ptr<TCipher> Create(const TCipherClass& cls);
  // Creates an object of the class keyed from the password with InitKey (default hash).
  static std::unique_ptr<TCipher> Create(const TCipherClass& cls, std::string_view password);

  // Sets or clears bit index of the state flags (bit 0 keyed from a password, bit 1
  // initialised).
  virtual void SetStateFlag(int32_t bit, bool value);
  // Last step of Init: the initial value (copied, or the encrypted 0xFF block when none), the
  // feedback block from it, and the initialised flag.
  virtual void FinishInit(const uint8_t* initialValue);
  // Encrypts or decrypts one block of BlockSize bytes in place.
  virtual void EncryptBlock(uint8_t* block) = 0;
  virtual void DecryptBlock(uint8_t* block) = 0;
  // Keys the cipher with the first length bytes of key (negative counts as 0, more than the
  // maximum key size is cut) and an initial value of BlockSize bytes or none.
  virtual void Init(const void* key, int32_t length, const uint8_t* initialValue);
  // Restarts the chaining from the initial value (the last feedback goes to the scratch block).
  virtual void ResetChain();
  // Clears the state flags and overwrites every block and the key schedule.
  virtual void Wipe();

  // Keys the cipher from the digest of the password's bytes with the current hash class.
  void InitKey(std::string_view password, const uint8_t* initialValue);
  // Enciphers or deciphers count bytes from source to dest (which may be the same memory).
  void EncryptData(const void* source, void* dest, int32_t count);
  void DecryptData(const void* source, void* dest, int32_t count);
  // Chooses the hash class for InitKey (nullptr means the default, RIPEMD-256); the hash
  // object is dropped when the class changes.
  void SetHashClass(const THashClass* hashClass);
  THash& HashObject();

  const TCipherClass& Class() const { return Class_; }
  int32_t BlockSize() const { return Class_.BlockSize; }
  int32_t MaxKeySize() const { return Class_.MaxKeySize; }
  uint8_t ChainingMode() const { return Mode_; }
  int32_t StateFlags() const { return Flags_; }
  uint8_t* InitialValue() { return InitialValue_.data(); }
  const uint8_t* Feedback() const { return Feedback_.data(); }

 protected:
  explicit TCipher(const TCipherClass& cls);
  // Builds the key schedule from length (0..MaxKeySize) key bytes.
  virtual void SetupKey(const uint8_t* key, int32_t length) = 0;
  // Releases the key schedule; the primitives wipe their key material when released.
  virtual void WipeKeySchedule() = 0;
  // Decrypts count consecutive blocks from in to out (different memory); one by one with
  // DecryptBlock unless the primitive can do better.
  virtual void DecryptBlocks(const uint8_t* in, uint8_t* out, size_t count);

 private:
  void CheckInitialized() const;
  // The last r (0 < r < block size) bytes of either direction: xored with K := E(F), then
  // F := K xor F.
  void CodeRemainder(const uint8_t* in, uint8_t* out, size_t left);

  uint8_t Mode_ = 0;  // chaining mode; always 0 (the only one used)
  std::unique_ptr<THash> Hash_;
  const THashClass* HashClass_ = &THash_RipeMD256::Class;
  const TCipherClass& Class_;
  std::vector<uint8_t> Scratch_;
  std::vector<uint8_t> InitialValue_;
  std::vector<uint8_t> Feedback_;
  int32_t Flags_ = 0;
};
