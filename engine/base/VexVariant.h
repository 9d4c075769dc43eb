// The engine's typed value holder: one value in the storage representation of one storage
// type, or NULL. Field defaults, constraint bounds, SQL parameters, expression results and
// values moved to and from record buffers are all variants.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/VexConverts.h"
#include "engine/base/VexMemory.h"
#include "engine/base/VexPlatformVariant.h"
#include "engine/base/VexStreamConcepts.h"
#include "engine/base/VexTypes.h"

class TVexVariant {
 public:
  // Null marker values.
  static constexpr uint8_t kNotNull = 0;
  static constexpr uint8_t kNull = 255;
  // Error codes of the stream form: reading the header, the size, the value; writing; a
  // stored value that cannot be right.
  static constexpr int32_t kReadHeaderCode = 10093;
  static constexpr int32_t kReadSizeCode = 10094;
  static constexpr int32_t kReadValueCode = 10095;
  static constexpr int32_t kWriteCode = 10096;
  static constexpr int32_t kInvalidStoredValueCode = 30140;

  explicit TVexVariant(TVexStorageType type = vstUnknown) : Type_(type) {}
  // Copies are deep.
  TVexVariant(const TVexVariant& other);
  TVexVariant& operator=(const TVexVariant& other);
  TVexVariant(TVexVariant&& other) noexcept;
  TVexVariant& operator=(TVexVariant&& other) noexcept;
  ~TVexVariant() = default;

  TVexStorageType StorageType() const { return Type_; }
  int32_t ValueSize() const { return Size_; }
  // The value bytes (owned or borrowed); null when there is no block.
  const uint8_t* ValueData() const { return Data_; }
  bool IsBorrowed() const { return Data_ != nullptr && !Owned_; }
  uint8_t NullMarker() const { return NullMarker_; }

  // Frees an owned block; the variant becomes NULL of the given type.
  void Clear(TVexStorageType type);
  // Marks NULL, keeping type and block.
  void SetNull() { NullMarker_ = kNull; }
  // Copies type, size and null state; deep copies the bytes into an owned block, shallow
  // borrows the source's block.
  void Assign(const TVexVariant& source, bool deep);

  bool IsNull() const { return NullMarker_ != kNotNull || Data_ == nullptr; }
  void CheckNotNull() const;  // 30016 "Value is Null"
  bool IsText() const;
  bool IsWideText() const;
  bool IsNumeric() const;
  bool IsDateTime() const;
  bool IsBlob() const;
  // Characters of a text value; -1 for NULL or a value that is not text.
  int32_t TextLength() const;

  // Takes a value from a record buffer slot: copied into an owned block (reusing it when it
  // is owned and of the same size) or borrowed. The value is then not NULL.
  void SetFromBuffer(const void* address, int32_t size, bool copy, TVexStorageType type);
  // Copies the value into a slot; false (nothing written) for NULL and empty text. A limit
  // other than -1 below the value size raises 20056 "Buffer size exceeded".
  bool WriteToBuffer(void* address, int32_t limit) const;

  // Stream form: type (1 byte), null marker (1 byte; 0 = a value follows), then for a value
  // its size (signed 32-bit) and bytes.
  template <TVexCheckedReader R>
  void LoadFromStream(R& reader);
  template <TVexCheckedWriter W>
  void SaveToStream(W& writer) const;

  // Typed access: the getter converts from the variant's type, the setter converts into it
  // (an untyped variant takes the setter's type).
  int8_t AsShortInt() const;
  void SetAsShortInt(int8_t v);
  int16_t AsSmallInt() const;
  void SetAsSmallInt(int16_t v);
  int32_t AsInteger() const;
  void SetAsInteger(int32_t v);
  int64_t AsLargeInt() const;
  void SetAsLargeInt(int64_t v);
  uint8_t AsByte() const;
  void SetAsByte(uint8_t v);
  uint16_t AsWord() const;
  void SetAsWord(uint16_t v);
  uint32_t AsCardinal() const;
  void SetAsCardinal(uint32_t v);
  float AsSingle() const;
  void SetAsSingle(float v);
  double AsFloat() const;
  void SetAsFloat(double v);
  long double AsExtended() const;
  void SetAsExtended(long double v);
  std::string AsString() const;  // ANSI; NULL gives the empty text
  void SetAsString(const std::string& v);
  std::u16string AsWideString() const;
  void SetAsWideString(const std::u16string& v);
  bool AsLogical() const;
  void SetAsLogical(bool v);
  double AsCurrency() const;
  void SetAsCurrency(double v);
  int32_t AsDateDays() const;
  void SetAsDateDays(int32_t v);
  int32_t AsTimeMs() const;
  void SetAsTimeMs(int32_t v);
  TVexDateTimeRaw AsDateTimeRaw() const;
  void SetAsDateTimeRaw(TVexDateTimeRaw v);
  TDateTime AsDate() const;
  void SetAsDate(TDateTime v);
  TDateTime AsTime() const;
  void SetAsTime(TDateTime v);
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime v);

  // A copy of the value converted to type t (NULL read as a non-text type raises 30016).
  TVexMemoryBlock ValueAs(TVexStorageType t, int32_t& size) const;

  // Converts the held value in place to another storage type.
  void CastTo(TVexStorageType type);

  // Exchange with the platform's variant: empty or null becomes NULL (type kept), other kinds
  // go through the matching setter (30113 for an unsupported kind); the reverse gives the
  // kind of the storage type (30114 for a type without one).
  void FromPlatformVariant(const TPlatformVariant& value);
  TPlatformVariant ToPlatformVariant() const;

  // Arithmetic on the variant itself (the left operand).
  void Negate();
  void Add(const TVexVariant& other);
  void Subtract(const TVexVariant& other);
  void Multiply(const TVexVariant& other);
  void Divide(const TVexVariant& other);
  // Raw mode: 0 equal, 1 less, 2 greater, 3 left NULL, 4 right NULL, 5 both NULL. Normal
  // mode folds NULLs (NULL first, NULL equals NULL) to 0, 1, 2. Partial compares only as many
  // characters as the other value's text has (prefix match).
  int Compare(const TVexVariant& other, bool raw = false, bool partial = false,
              bool caseInsensitive = false) const;

 private:
  // Stores a native value of type t (representation in bytes, size n).
  void SetNative(TVexStorageType t, const void* bytes, int32_t n);
  void CheckNotNullFor(TVexStorageType t) const;
  void Adopt(TVexStorageType type, TVexMemoryBlock block, int32_t size);
  // Runs '+', '*' or '/' with other in the promoted type of both operands.
  void ApplyOperator(char op, const TVexVariant& other);
  // Stream loading: checks a stored value's header and size before memory is taken for it.
  void CheckStoredValue(uint8_t type, bool isNull, int32_t size, int64_t remaining) const;
  void AdoptLoaded(uint8_t type, TVexMemoryBlock block, int32_t size);

  TVexStorageType Type_ = vstUnknown;
  int32_t Size_ = 0;
  uint8_t* Data_ = nullptr;  // Owned_'s bytes or a borrowed address
  TVexMemoryBlock Owned_;
  uint8_t NullMarker_ = kNull;
};

template <TVexCheckedReader R>
void TVexVariant::LoadFromStream(R& reader) {
  Clear(Type_);
  uint8_t head[2];
  reader.ReadChecked(head, 2, kReadHeaderCode);
  if (head[1] != kNotNull) {
    CheckStoredValue(head[0], true, 0, 0);
    Clear(TVexStorageType(head[0]));
    return;
  }
  uint8_t sizeBytes[4];
  reader.ReadChecked(sizeBytes, 4, kReadSizeCode);
  const int32_t size = int32_t(uint32_t(sizeBytes[0]) | uint32_t(sizeBytes[1]) << 8 |
                               uint32_t(sizeBytes[2]) << 16 | uint32_t(sizeBytes[3]) << 24);
  CheckStoredValue(head[0], false, size, reader.Remaining());
  TVexMemoryBlock block;
  if (size > 0) {
    block = TVexMemoryBlock(size);
    reader.ReadChecked(block.Data(), size, kReadValueCode);
  }
  AdoptLoaded(head[0], std::move(block), size);
}

template <TVexCheckedWriter W>
void TVexVariant::SaveToStream(W& writer) const {
  const bool isNull = IsNull();
  const uint8_t head[6] = {Type_,
                           isNull ? kNull : kNotNull,
                           uint8_t(Size_),
                           uint8_t(Size_ >> 8),
                           uint8_t(Size_ >> 16),
                           uint8_t(Size_ >> 24)};
  writer.WriteChecked(head, isNull ? 2 : 6, kWriteCode);
  if (!isNull && Size_ > 0) writer.WriteChecked(Data_, Size_, kWriteCode);
}
