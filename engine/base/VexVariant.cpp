// The variant's life cycle, buffer exchange, stream checks, typed access and casts.
#include "engine/base/VexVariant.h"

#include <cstring>

#include "engine/base/VexExcept.h"
#include "engine/base/VexStrUtils.h"
#include "engine/base/VexTypesRoutines.h"
#include "engine/base/VexValueConvert.h"

TVexVariant::TVexVariant(const TVexVariant& other) {
  Assign(other, true);
}

TVexVariant& TVexVariant::operator=(const TVexVariant& other) {
  if (this != &other) Assign(other, true);
  return *this;
}

TVexVariant::TVexVariant(TVexVariant&& other) noexcept
    : Type_(other.Type_),
      Size_(other.Size_),
      Data_(other.Data_),
      Owned_(std::move(other.Owned_)),
      NullMarker_(other.NullMarker_) {
  other.Data_ = nullptr;
  other.Size_ = 0;
  other.NullMarker_ = kNull;
}

TVexVariant& TVexVariant::operator=(TVexVariant&& other) noexcept {
  if (this != &other) {
    Type_ = other.Type_;
    Size_ = other.Size_;
    Data_ = other.Data_;
    Owned_ = std::move(other.Owned_);
    NullMarker_ = other.NullMarker_;
    other.Data_ = nullptr;
    other.Size_ = 0;
    other.NullMarker_ = kNull;
  }
  return *this;
}

void TVexVariant::Clear(TVexStorageType type) {
  Owned_ = TVexMemoryBlock();
  Data_ = nullptr;
  Size_ = 0;
  Type_ = type;
  NullMarker_ = kNull;
}

void TVexVariant::Adopt(TVexStorageType type, TVexMemoryBlock block, int32_t size) {
  Owned_ = std::move(block);
  Data_ = Owned_.Data();
  Size_ = size;
  Type_ = type;
  NullMarker_ = kNotNull;
}

void TVexVariant::Assign(const TVexVariant& source, bool deep) {
  if (&source == this) return;
  if (deep) {
    TVexMemoryBlock copy;
    if (source.Data_ && source.Size_ > 0) copy = MakeBytesBlock(source.Data_, source.Size_);
    Owned_ = std::move(copy);
    Data_ = Owned_.Data();
  } else {
    Owned_ = TVexMemoryBlock();
    Data_ = source.Data_;
  }
  Type_ = source.Type_;
  Size_ = source.Size_;
  NullMarker_ = source.NullMarker_;
}

void TVexVariant::CheckNotNull() const {
  if (IsNull()) throw EVexException(30016, "Value is Null");
}

bool TVexVariant::IsText() const {
  return IsTextStorageType(Type_);
}
bool TVexVariant::IsWideText() const {
  return IsWideStorageType(Type_);
}
bool TVexVariant::IsNumeric() const {
  return IsNumericStorageType(Type_);
}
bool TVexVariant::IsDateTime() const {
  return IsDateTimeStorageType(Type_);
}
bool TVexVariant::IsBlob() const {
  return IsBlobStorageType(Type_);
}

int32_t TVexVariant::TextLength() const {
  if (IsNull() || !IsText()) return -1;
  if (IsWideText()) return int32_t(ReadStoredWide(Data_, Size_).size());
  return int32_t(ReadStoredAnsi(Data_, Size_).size());
}

void TVexVariant::SetFromBuffer(const void* address, int32_t size, bool copy,
                                TVexStorageType type) {
  if (copy) {
    if (!(Owned_ && Owned_.Size() == size)) Owned_ = TVexMemoryBlock(size);
    std::memcpy(Owned_.Data(), address, size_t(size));
    Data_ = Owned_.Data();
  } else {
    Owned_ = TVexMemoryBlock();
    Data_ = static_cast<uint8_t*>(const_cast<void*>(address));
  }
  Type_ = type;
  Size_ = size;
  NullMarker_ = kNotNull;
}

bool TVexVariant::WriteToBuffer(void* address, int32_t limit) const {
  if (IsNull()) return false;
  if (limit != -1 && limit < Size_) throw EVexException(20056, "Buffer size exceeded");
  if (IsText() && Size_ <= 1) return false;
  std::memcpy(address, Data_, size_t(Size_));
  return true;
}

void TVexVariant::CheckStoredValue(uint8_t type, bool isNull, int32_t size,
                                   int64_t remaining) const {
  const bool badType = type > kVexMaxStorageType || (!isNull && type == vstUnknown);
  const int32_t fixed = FixedValueSize(TVexStorageType(type));
  if (badType || (!isNull && size < 0) || (!isNull && fixed > 0 && size != fixed))
    throw EVexException(kInvalidStoredValueCode, "Invalid stored value: type %d, size %d",
                        {int(type), size});
  if (!isNull && size > remaining)
    throw EVexException(kReadValueCode, "Stream size = %d too small. Should be at least = %d",
                        {remaining, size});
}

void TVexVariant::AdoptLoaded(uint8_t type, TVexMemoryBlock block, int32_t size) {
  const TVexStorageType t = TVexStorageType(type);
  if (size == 0) {
    Clear(t);  // an empty value of a text, bytes or BLOB type is NULL
    return;
  }
  // Text must end within its block: reads stop at the terminator.
  bool terminated = true;
  if (t == vstChar || t == vstString)
    terminated = std::memchr(block.Data(), 0, size_t(size)) != nullptr;
  else if (IsWideStorageType(t))
    terminated = size % 2 == 0 && int32_t(ReadStoredWide(block.Data(), size).size()) * 2 < size;
  if (!terminated)
    throw EVexException(kInvalidStoredValueCode, "Invalid stored value: type %d, size %d",
                        {int(type), size});
  Adopt(t, std::move(block), size);
}

void TVexVariant::SetNative(TVexStorageType t, const void* bytes, int32_t n) {
  if (Owned_ && !IsNull() && Type_ == t && !IsTextStorageType(t) && Size_ == n) {
    std::memcpy(Owned_.Data(), bytes, size_t(n));
    return;
  }
  const TVexStorageType target = Type_ == vstUnknown ? t : Type_;
  const bool emptyText = IsTextStorageType(t) && n <= (IsWideStorageType(t) ? 2 : 1);
  if (emptyText) {
    Clear(target);
    return;
  }
  int32_t size = n;
  TVexMemoryBlock block =
      target == t ? MakeBytesBlock(bytes, n)
                  : VexConvertValue(static_cast<const uint8_t*>(bytes), n, t, target, size);
  Adopt(target, std::move(block), size);
}

void TVexVariant::CheckNotNullFor(TVexStorageType t) const {
  if (IsNull() && !IsTextStorageType(t)) throw EVexException(30016, "Value is Null");
}

TVexMemoryBlock TVexVariant::ValueAs(TVexStorageType t, int32_t& size) const {
  CheckNotNullFor(t);
  if (Type_ == t) {
    const int32_t fixed = FixedValueSize(t);
    if (fixed > 0 && Size_ < fixed)
      throw EVexException(kInvalidStoredValueCode, "Invalid stored value: type %d, size %d",
                          {int(t), Size_});
    size = Size_;
    return MakeBytesBlock(Data_, Size_);
  }
  return VexConvertValue(Data_, Size_, Type_, t, size);
}

namespace {

// Reads a fixed-size native value of type t out of a variant.
template <class F>
auto Fixed(const TVexVariant& v, TVexStorageType t, F read) {
  int32_t size;
  TVexMemoryBlock block = v.ValueAs(t, size);
  return read(block.Data());
}

}  // namespace

#define VEX_INTEGER_ACCESS(Name, CType, StorageT)                     \
  CType TVexVariant::As##Name() const {                               \
    int32_t size;                                                     \
    TVexMemoryBlock b = ValueAs(StorageT, size);                      \
    return static_cast<CType>(ReadStoredInteger(b.Data(), StorageT)); \
  }                                                                   \
  void TVexVariant::SetAs##Name(CType v) {                            \
    uint8_t bytes[8];                                                 \
    WriteStoredInteger(bytes, StorageT, int64_t(v));                  \
    SetNative(StorageT, bytes, FixedValueSize(StorageT));             \
  }

VEX_INTEGER_ACCESS(ShortInt, int8_t, vstShortInt)
VEX_INTEGER_ACCESS(SmallInt, int16_t, vstSmallInt)
VEX_INTEGER_ACCESS(Integer, int32_t, vstInteger)
VEX_INTEGER_ACCESS(LargeInt, int64_t, vstLargeInt)
VEX_INTEGER_ACCESS(Byte, uint8_t, vstByte)
VEX_INTEGER_ACCESS(Word, uint16_t, vstWord)
VEX_INTEGER_ACCESS(Cardinal, uint32_t, vstCardinal)
#undef VEX_INTEGER_ACCESS

#define VEX_FLOAT_ACCESS(Name, CType, StorageT)                     \
  CType TVexVariant::As##Name() const {                             \
    int32_t size;                                                   \
    TVexMemoryBlock b = ValueAs(StorageT, size);                    \
    return static_cast<CType>(ReadStoredFloat(b.Data(), StorageT)); \
  }                                                                 \
  void TVexVariant::SetAs##Name(CType v) {                          \
    uint8_t bytes[10];                                              \
    WriteStoredFloat(bytes, StorageT, v);                           \
    SetNative(StorageT, bytes, FixedValueSize(StorageT));           \
  }

VEX_FLOAT_ACCESS(Single, float, vstSingle)
VEX_FLOAT_ACCESS(Float, double, vstFloat)
VEX_FLOAT_ACCESS(Extended, long double, vstExtended)
VEX_FLOAT_ACCESS(Currency, double, vstCurrency)
#undef VEX_FLOAT_ACCESS

std::string TVexVariant::AsString() const {
  if (IsNull()) return {};
  // A BLOB read as text gives its bytes.
  if (Type_ == vstBlob) return std::string(reinterpret_cast<const char*>(Data_), size_t(Size_));
  int32_t size;
  TVexMemoryBlock b = ValueAs(vstString, size);
  return ReadStoredAnsi(b.Data(), size);
}

void TVexVariant::SetAsString(const std::string& v) {
  const std::string text = v.substr(0, v.find('\0'));
  SetNative(vstString, text.c_str(), int32_t(text.size() + 1));
}

std::u16string TVexVariant::AsWideString() const {
  if (IsNull()) return {};
  if (Type_ == vstBlob)
    return AnsiToWide(std::string_view(reinterpret_cast<const char*>(Data_), size_t(Size_)));
  int32_t size;
  TVexMemoryBlock b = ValueAs(vstWideString, size);
  return ReadStoredWide(b.Data(), size);
}

void TVexVariant::SetAsWideString(const std::u16string& v) {
  int32_t size;
  TVexMemoryBlock b = MakeWideBlock(v.substr(0, v.find(u'\0')), size);
  SetNative(vstWideString, b.Data(), size);
}

bool TVexVariant::AsLogical() const {
  return Fixed(*this, vstLogical, [](const uint8_t* p) { return (p[0] | p[1]) != 0; });
}

void TVexVariant::SetAsLogical(bool v) {
  const uint8_t bytes[2] = {uint8_t(v ? 0xFF : 0), uint8_t(v ? 0xFF : 0)};
  SetNative(vstLogical, bytes, 2);
}

int32_t TVexVariant::AsDateDays() const {
  return Fixed(*this, vstDate, [](const uint8_t* p) { return ReadStoredInt32(p); });
}

void TVexVariant::SetAsDateDays(int32_t v) {
  uint8_t bytes[4];
  WriteStoredInt32(bytes, v);
  SetNative(vstDate, bytes, 4);
}

int32_t TVexVariant::AsTimeMs() const {
  return Fixed(*this, vstTime, [](const uint8_t* p) { return ReadStoredInt32(p); });
}

void TVexVariant::SetAsTimeMs(int32_t v) {
  uint8_t bytes[4];
  WriteStoredInt32(bytes, v);
  SetNative(vstTime, bytes, 4);
}

TVexDateTimeRaw TVexVariant::AsDateTimeRaw() const {
  return Fixed(*this, vstDateTime, [](const uint8_t* p) {
    return TVexDateTimeRaw{ReadStoredInt32(p), ReadStoredInt32(p + 4)};
  });
}

void TVexVariant::SetAsDateTimeRaw(TVexDateTimeRaw v) {
  uint8_t bytes[8];
  WriteStoredInt32(bytes, v.Date);
  WriteStoredInt32(bytes + 4, v.Time);
  SetNative(vstDateTime, bytes, 8);
}

TDateTime TVexVariant::AsDate() const {
  return DayNumberToDateTime(AsDateDays());
}
void TVexVariant::SetAsDate(TDateTime v) {
  SetAsDateDays(DateTimeToDayNumber(v));
}
TDateTime TVexVariant::AsTime() const {
  return MsToDateTime(AsTimeMs());
}
void TVexVariant::SetAsTime(TDateTime v) {
  SetAsTimeMs(DateTimeToMs(v));
}
TDateTime TVexVariant::AsDateTime() const {
  return DateTimeRawToDateTime(AsDateTimeRaw());
}
void TVexVariant::SetAsDateTime(TDateTime v) {
  SetAsDateTimeRaw(DateTimeToDateTimeRaw(v));
}

void TVexVariant::CastTo(TVexStorageType type) {
  if (type == Type_) return;
  if (IsNull()) {
    Clear(type);
    return;
  }
  int32_t size;
  TVexMemoryBlock block = VexConvertValue(Data_, Size_, Type_, type, size);
  Adopt(type, std::move(block), size);
}
