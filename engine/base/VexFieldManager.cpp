// The field manager: autoincrement counters and their per-session last values, defaults, the
// counters' stored form and the record image helpers over the table's field layout.
#include "engine/base/VexFieldManager.h"

#include <algorithm>
#include <cstring>

#include "engine/base/VexBaseSession.h"
#include "engine/base/VexDatabaseData.h"
#include "engine/base/VexExcept.h"
#include "engine/base/VexExpressionHooks.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexRecordLayout.h"
#include "engine/base/VexStoredForm.h"
#include "engine/base/VexStream.h"
#include "engine/base/VexTableData.h"
#include "engine/base/VexTypesRoutines.h"

namespace {

// Codes of the counters' stored form.
constexpr int32_t kReadCounterCountCode = 10186;
constexpr int32_t kReadCounterCode = 10185;
constexpr int32_t kWriteCounterCode = 10184;

// An integer slot of a record buffer (host order, as the record buffer holds it).
int64_t ReadIntegerSlot(const uint8_t* slot, TVexStorageType type) {
  switch (type) {
    case vstShortInt:
      return int8_t(slot[0]);
    case vstByte:
      return slot[0];
    case vstSmallInt: {
      int16_t v;
      std::memcpy(&v, slot, 2);
      return v;
    }
    case vstWord: {
      uint16_t v;
      std::memcpy(&v, slot, 2);
      return v;
    }
    case vstInteger: {
      int32_t v;
      std::memcpy(&v, slot, 4);
      return v;
    }
    case vstCardinal: {
      uint32_t v;
      std::memcpy(&v, slot, 4);
      return v;
    }
    case vstLargeInt: {
      int64_t v;
      std::memcpy(&v, slot, 8);
      return v;
    }
    default:
      throw EVexException(30404, "Invalid autoinc field type");
  }
}

void WriteIntegerSlot(uint8_t* slot, TVexStorageType type, int64_t value) {
  switch (type) {
    case vstShortInt:
    case vstByte:
      slot[0] = uint8_t(value);
      return;
    case vstSmallInt:
    case vstWord: {
      uint16_t v = uint16_t(value);
      std::memcpy(slot, &v, 2);
      return;
    }
    case vstInteger:
    case vstCardinal: {
      uint32_t v = uint32_t(value);
      std::memcpy(slot, &v, 4);
      return;
    }
    case vstLargeInt:
      std::memcpy(slot, &value, 8);
      return;
    default:
      throw EVexException(30405, "Invalid autoinc field type");
  }
}

bool IsAutoIncField(const TVexFieldDef& field) {
  return IsAutoIncDataType(field.DataType());
}

}  // namespace

TVexBaseFieldManager::TVexBaseFieldManager(TVexTableData* table)
    : Table(table), FieldDefs_(std::make_unique<TVexFieldDefs>()) {}

TVexBaseFieldManager::~TVexBaseFieldManager() = default;

const TVexFieldDef& TVexBaseFieldManager::FieldDefAt(int32_t fieldNo, int32_t code) const {
  if (fieldNo < 0 || fieldNo >= FieldDefs_->Count())
    throw EVexException(code, "Field #%d not found", {fieldNo});
  return (*FieldDefs_)[fieldNo];
}

int64_t TVexBaseFieldManager::NextCounterValue(int32_t fieldNo) {
  const TVexFieldDef& field = FieldDefAt(fieldNo, 30402);
  if (Counters_.size() < size_t(FieldDefs_->Count())) Counters_.resize(size_t(FieldDefs_->Count()));
  int64_t& counter = Counters_[size_t(fieldNo)];
  const int64_t step = field.AutoIncStep == 0 ? 1 : field.AutoIncStep;
  int64_t next;
  // A counter that would leave the 64-bit range counts as past the maximum.
  const bool overflow = __builtin_add_overflow(counter, step, &next);
  if (overflow || (field.AutoIncMax != 0 && next > field.AutoIncMax)) {
    if (!field.AutoIncCycled)
      throw EVexException(20160, "Autoinc max value exceeded for field '%s'", {field.Name});
    next = field.AutoIncMin;
  }
  counter = next;
  return counter;
}

void TVexBaseFieldManager::ApplyDefaults(TVexBaseSession* session, uint8_t* recordBuffer) {
  for (int32_t i = 0; i < FieldDefs_->Count(); ++i) {
    const TVexFieldDef& field = (*FieldDefs_)[i];
    if (!field.DefaultExpression() && field.DefaultValue.IsNull()) continue;
    TVexVariant value;
    if (field.DefaultExpression()) {
      if (!ExpressionHooks().Evaluate) throw EVexException(30036, "Not implemented yet");
      ExpressionHooks().Evaluate(field.DefaultExpression(), session, value);
    } else {
      value.Assign(field.DefaultValue, true);
    }
    if (value.IsNull()) continue;
    value.CastTo(field.StorageType());
    uint8_t* slot = recordBuffer + field.RecordBufferOffset();
    // A text default longer than the field is cut to the field: the slot must never overflow.
    if (value.IsText() && value.ValueSize() > field.RecordBufferSize()) {
      if (IsWideStorageType(field.StorageType())) {
        std::u16string text = value.AsWideString();
        text.resize(size_t(field.RecordBufferSize() / 2 - 1));
        value.SetAsWideString(text);
      } else {
        std::string text = value.AsString();
        text.resize(size_t(field.RecordBufferSize() - 1));
        value.SetAsString(text);
      }
    }
    std::memset(slot, 0, size_t(field.RecordBufferSize()));
    if (value.WriteToBuffer(slot, field.RecordBufferSize())) SetNullBit(recordBuffer, i, false);
  }
}

void TVexBaseFieldManager::ApplyAutoIncs(TVexBaseSession* session, uint8_t* recordBuffer) {
  for (int32_t i = 0; i < FieldDefs_->Count(); ++i) {
    const TVexFieldDef& field = (*FieldDefs_)[i];
    if (!IsAutoIncField(field)) continue;
    uint8_t* slot = recordBuffer + field.RecordBufferOffset();
    if (GetNullBit(recordBuffer, i)) {
      WriteIntegerSlot(slot, field.StorageType(), NextSessionValue(session, i));
      SetNullBit(recordBuffer, i, false);
    } else {
      const int64_t value = ReadIntegerSlot(slot, field.StorageType());
      if (value > Counter(i)) {
        SetCounter(i, value);
        RecordSessionValue(session, field, value);
      }
    }
  }
}

int64_t TVexBaseFieldManager::NextSessionValue(TVexBaseSession* session, int32_t fieldNo) {
  const int64_t value = NextCounterValue(fieldNo);
  RecordSessionValue(session, (*FieldDefs_)[fieldNo], value);
  return value;
}

int64_t TVexBaseFieldManager::LastSessionValue(TVexBaseSession* session, int32_t fieldNo) {
  const TVexFieldDef& field = FieldDefAt(fieldNo, 30403);
  if (session) {
    if (auto* last = dynamic_cast<TVexSessionNamedObjectSequenceValue*>(
            session->FindNamedObjectById(field.ObjectID)))
      return last->LastValue;
  }
  if (Table && Table->Database && Table->Database->MultiUser)
    throw EVexException(30012,
                        "No SequenceLastValue in session for sequence '%s'. Call GetNextVal first",
                        {field.Name});
  return Counter(fieldNo);
}

void TVexBaseFieldManager::RecordSessionValue(TVexBaseSession* session, const TVexFieldDef& field,
                                              int64_t value) {
  if (!session) return;
  session->AddNamedObject(
      std::make_unique<TVexSessionNamedObjectSequenceValue>(field.ObjectID, field.Name, value));
}

void TVexBaseFieldManager::LoadCounters(TVexStream& stream) {
  const int32_t count = ReadStoredInt32(stream, kReadCounterCountCode);
  // Each counter takes 8 bytes: a count the content cannot hold is damage, not a request.
  if (count < 0 || int64_t(count) * 8 > stream.Remaining())
    throw EVexException(20164, "Invalid table header data");
  std::vector<int64_t> counters(static_cast<size_t>(count));
  for (int64_t& counter : counters) counter = ReadStoredInt64(stream, kReadCounterCode);
  counters.resize(std::max(counters.size(), size_t(FieldDefs_->Count())));
  Counters_ = std::move(counters);
}

void TVexBaseFieldManager::SaveCounters(TVexStream& stream) const {
  WriteStoredInt32(stream, int32_t(Counters_.size()), kWriteCounterCode);
  for (int64_t counter : Counters_) WriteStoredInt64(stream, counter, kWriteCounterCode);
}

void TVexBaseFieldManager::ResetCounters() {
  Counters_.assign(size_t(FieldDefs_->Count()), 0);
  for (int32_t i = 0; i < FieldDefs_->Count(); ++i) {
    const TVexFieldDef& field = (*FieldDefs_)[i];
    if (IsAutoIncField(field)) Counters_[size_t(i)] = field.AutoIncInitial;
  }
}

int64_t TVexBaseFieldManager::Counter(int32_t fieldNo) const {
  return fieldNo >= 0 && size_t(fieldNo) < Counters_.size() ? Counters_[size_t(fieldNo)] : 0;
}

void TVexBaseFieldManager::SetCounter(int32_t fieldNo, int64_t value) {
  FieldDefAt(fieldNo, 30402);
  if (Counters_.size() <= size_t(fieldNo)) Counters_.resize(size_t(FieldDefs_->Count()));
  Counters_[size_t(fieldNo)] = value;
}

bool TVexBaseFieldManager::HasBlobFields() const {
  for (int32_t i = 0; i < FieldDefs_->Count(); ++i)
    if (IsBlobStorageType((*FieldDefs_)[i].StorageType())) return true;
  return false;
}

void TVexBaseFieldManager::StoredRecordToRecordBuffer(const uint8_t* stored,
                                                      uint8_t* recordBuffer) const {
  ::StoredRecordToRecordBuffer(FieldDefs_->Layout(), stored, recordBuffer);
}

void TVexBaseFieldManager::RecordBufferToStoredRecord(const uint8_t* recordBuffer,
                                                      uint8_t* stored) const {
  ::RecordBufferToStoredRecord(FieldDefs_->Layout(), recordBuffer, stored);
}

bool TVexBaseFieldManager::RecordsEqual(const uint8_t* a, const uint8_t* b) const {
  const int32_t bitmapSize = NullBitmapSize(FieldDefs_->Count());
  if (std::memcmp(a, b, size_t(bitmapSize)) != 0) return false;
  for (int32_t i = 0; i < FieldDefs_->Count(); ++i) {
    const TVexFieldDef& field = (*FieldDefs_)[i];
    const int32_t size = std::min(field.StoredSize(), field.RecordBufferSize());
    if (std::memcmp(a + field.RecordBufferOffset(), b + field.RecordBufferOffset(), size_t(size)) !=
        0)
      return false;
  }
  return true;
}
