// Reading and writing single fields of a cursor's record buffers: as variants, in the dataset's
// form of a value, and the canonical form of text slots for byte-wise comparison.
#include <cstring>

#include "engine/base/VexCursor.h"
#include "engine/base/VexExcept.h"
#include "engine/base/VexRecordLayout.h"
#include "engine/base/VexTypesRoutines.h"
#include "engine/base/VexValueConvert.h"

namespace {
constexpr const char* kInvalidFieldNo = "Invalid field number - FieldNo = %d, FieldCount = %d";

int32_t CountOf(const std::unique_ptr<TVexFieldDefs>& defs) {
  return defs ? defs->Count() : 0;
}

// Little-endian integers of 1, 2, 4 or 8 bytes.
int64_t LoadInt(const uint8_t* p, int32_t width, bool isSigned) {
  uint64_t v = 0;
  for (int32_t i = width - 1; i >= 0; --i) v = v << 8 | p[i];
  if (isSigned && width < 8 && (v >> (width * 8 - 1)) & 1) v |= ~uint64_t(0) << (width * 8);
  return int64_t(v);
}

void StoreInt(uint8_t* p, int32_t width, int64_t value) {
  uint64_t v = uint64_t(value);
  for (int32_t i = 0; i < width; ++i, v >>= 8) p[i] = uint8_t(v);
}

// Width and signedness of an integer storage type.
void IntegerStorage(TVexStorageType t, int32_t& width, bool& isSigned) {
  width = StorageTypeSize(t, 0);
  isSigned = t >= vstShortInt && t <= vstLargeInt;
}

// Width and signedness of the dataset's integer form of a declared type: the dataset field
// type decides (SHORTINT travels as a 16-bit value, CARDINAL as a 64-bit one).
void DatasetInteger(TVexDataType t, int32_t& width, bool& isSigned) {
  switch (DataTypeToFieldType(t)) {
    case ftSmallint:
      width = 2, isSigned = true;
      return;
    case ftWord:
      width = 2, isSigned = false;
      return;
    case ftLargeint:
      width = 8, isSigned = true;
      return;
    default:  // ftInteger, ftAutoInc
      width = 4, isSigned = true;
      return;
  }
}
}  // namespace

const TVexFieldDef& TVexCursor::FieldDefFor(int32_t fieldNo, bool physical, int32_t physicalCode,
                                            int32_t visibleCode) const {
  const auto& defs = physical ? FieldDefs : VisibleFieldDefs;
  const int32_t count = CountOf(defs);
  if (fieldNo < 0 || fieldNo >= count)
    throw EVexException(physical ? physicalCode : visibleCode, kInvalidFieldNo, {fieldNo, count});
  const TVexFieldDef& def = (*defs)[fieldNo];
  // The null bit of a visible field is its physical field's number.
  if (!physical && (def.FieldNo < 0 || def.FieldNo >= CountOf(FieldDefs)))
    throw EVexException(visibleCode, kInvalidFieldNo, {def.FieldNo, CountOf(FieldDefs)});
  return def;
}

void TVexCursor::GetFieldValue(TVexVariant& value, int32_t fieldNo, bool physical) const {
  const TVexFieldDef& def = FieldDefFor(fieldNo, physical, 20191, 10317);
  const uint8_t* buffer = RecordBuffer.Data();
  if (!buffer) throw EVexException(10001, "Nil pointer occured");
  if (GetNullBit(buffer, physical ? fieldNo : def.FieldNo)) {
    value.SetNull();
    return;
  }
  value.SetFromBuffer(buffer + def.RecordBufferOffset(), def.RecordBufferSize(), true,
                      def.StorageType());
}

void TVexCursor::SetFieldValue(const TVexVariant& value, int32_t fieldNo, uint8_t* buffer,
                               bool physical) {
  const TVexFieldDef& def = FieldDefFor(fieldNo, physical, 20192, 20193);
  if (!buffer) buffer = RecordBuffer.Data();
  if (!buffer) throw EVexException(10001, "Nil pointer occured");
  const int32_t bit = physical ? fieldNo : def.FieldNo;
  if (value.IsNull()) {
    SetNullBit(buffer, bit, true);
    return;
  }
  TVexVariant converted;
  converted.Assign(value, true);
  converted.CastTo(def.StorageType());
  uint8_t* slot = buffer + def.RecordBufferOffset();
  const int32_t size = def.RecordBufferSize();
  // A value too large for the slot raises before anything is written; an empty text writes
  // nothing and leaves the field NULL, as an empty text is everywhere.
  const bool written = converted.WriteToBuffer(slot, size);
  if (written) std::memset(slot + converted.ValueSize(), 0, size_t(size - converted.ValueSize()));
  SetNullBit(buffer, bit, !written);
}

bool TVexCursor::GetFieldData(int32_t fieldNo, void* destination,
                              const uint8_t* recordBuffer) const {
  const TVexFieldDef& def = FieldDefFor(fieldNo, false, 10000, 10000);
  const int32_t offset = def.RecordBufferOffset(), size = def.RecordBufferSize();
  auto fault = [&] {
    return EVexException(
        10002, "Error getting field data - FieldNo = %d, MemoryOffset = %d, MemoryDataSize = %d",
        {fieldNo, offset, size});
  };
  if (!recordBuffer || offset < 0 || offset + size > DataSize) throw fault();
  if (GetNullBit(recordBuffer, def.FieldNo)) return false;
  if (IsBlobDataType(def.DataType())) return true;
  if (!destination) throw fault();
  const uint8_t* slot = recordBuffer + offset;
  auto* out = static_cast<uint8_t*>(destination);
  const TVexStorageType st = def.StorageType();
  if (IsIntegerStorageType(st)) {
    int32_t width, outWidth;
    bool isSigned, outSigned;
    IntegerStorage(st, width, isSigned);
    DatasetInteger(def.DataType(), outWidth, outSigned);
    StoreInt(out, outWidth, LoadInt(slot, width, isSigned));
  } else if (st == vstSingle) {
    float f;
    std::memcpy(&f, slot, 4);
    const double d = f;
    std::memcpy(out, &d, 8);
  } else if (st == vstExtended) {
    const double d = double(ReadExtended(slot));
    std::memcpy(out, &d, 8);
  } else {
    std::memcpy(out, slot, size_t(size));
  }
  return true;
}

void TVexCursor::SetFieldData(int32_t fieldNo, const void* source, uint8_t* recordBuffer) {
  const TVexFieldDef& def = FieldDefFor(fieldNo, false, 10004, 10004);
  if (!recordBuffer) throw EVexException(10001, "Nil pointer occured");
  const TVexStorageType st = def.StorageType();
  const int32_t size = def.RecordBufferSize();
  uint8_t* slot = recordBuffer + def.RecordBufferOffset();
  const auto* in = static_cast<const uint8_t*>(source);
  const bool ansi = st == vstChar || st == vstString;
  const bool wide = IsWideStorageType(st);
  if (!in || (ansi && in[0] == 0) || (wide && in[0] == 0 && in[1] == 0)) {
    SetNullBit(recordBuffer, def.FieldNo, true);
    return;
  }
  if (IsBlobDataType(def.DataType())) return;  // BLOB values are written through streams
  SetNullBit(recordBuffer, def.FieldNo, false);
  if (IsIntegerStorageType(st)) {
    int32_t width, inWidth;
    bool isSigned, inSigned;
    IntegerStorage(st, width, isSigned);
    DatasetInteger(def.DataType(), inWidth, inSigned);
    StoreInt(slot, width, LoadInt(in, inWidth, inSigned));
  } else if (st == vstSingle) {
    double d;
    std::memcpy(&d, in, 8);
    const float f = float(d);
    std::memcpy(slot, &f, 4);
  } else if (st == vstExtended) {
    double d;
    std::memcpy(&d, in, 8);
    WriteExtended(slot, d);
  } else if (ansi || wide) {
    // Text is read up to its terminator, never past the slot; the rest of the slot is zero.
    const int32_t unit = wide ? 2 : 1;
    int32_t n = 0;
    while (n + unit < size && (in[n] != 0 || (wide && in[n + 1] != 0))) n += unit;
    std::memset(slot, 0, size_t(size));
    std::memcpy(slot, in, size_t(n));
  } else {
    std::memcpy(slot, in, size_t(size));
  }
}

void TVexCursor::CanonicalizeRecord(uint8_t* buffer) const {
  if (buffer && FieldDefs) CanonicaliseRecordBuffer(FieldDefs->Layout().Fields, buffer);
}
