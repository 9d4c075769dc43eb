// TVexBaseFieldManager: a table's field definitions, the per-field autoincrement counters
// (stored in the table header) and the application of defaults and autoincrement values.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class TVexBaseSession;
class TVexFieldDef;
class TVexFieldDefs;
class TVexStream;
class TVexTableData;

class TVexBaseFieldManager {
 public:
  explicit TVexBaseFieldManager(TVexTableData* table);
  TVexBaseFieldManager(const TVexBaseFieldManager&) = delete;
  TVexBaseFieldManager& operator=(const TVexBaseFieldManager&) = delete;
  virtual ~TVexBaseFieldManager();

  // ---- Virtual operations in slot order.
  // Advances the field's counter by its step (1 when the step is 0). Past a maximum other
  // than 0: 20160 "Autoinc max value exceeded for field '%s'", or back to the minimum when the
  // field cycles. 30402 for a field number outside the definitions.
  virtual int64_t NextCounterValue(int32_t fieldNo);
  // Writes every non-NULL default (the evaluated default expression, or the default value)
  // into recordBuffer and clears the field's null bit.
  virtual void ApplyDefaults(TVexBaseSession* session, uint8_t* recordBuffer);
  // Fills NULL autoincrement fields with the next value; a given value above the counter
  // becomes the counter. Both are recorded in the session.
  virtual void ApplyAutoIncs(TVexBaseSession* session, uint8_t* recordBuffer);
  // NextCounterValue, recorded in the session as the field's last sequence value.
  virtual int64_t NextSessionValue(TVexBaseSession* session, int32_t fieldNo);
  // The session's last value for the field; without one: 30012 in multi-user mode, else the
  // counter. 30403 for a field number outside the definitions.
  virtual int64_t LastSessionValue(TVexBaseSession* session, int32_t fieldNo);

  // ---- Counters: one per field, the last autoincrement value handed out (0 for others).
  // Stored form: count (4 bytes), then count values of 8 bytes.
  void LoadCounters(TVexStream& stream);
  void SaveCounters(TVexStream& stream) const;
  // Every counter back to its field's initial value (0 for fields that are not autoincrement).
  void ResetCounters();
  int64_t Counter(int32_t fieldNo) const;
  void SetCounter(int32_t fieldNo, int64_t value);
  const std::vector<int64_t>& Counters() const { return Counters_; }

  bool HasBlobFields() const;
  // Copies between a stored record and a record buffer by the field layout.
  void StoredRecordToRecordBuffer(const uint8_t* stored, uint8_t* recordBuffer) const;
  void RecordBufferToStoredRecord(const uint8_t* recordBuffer, uint8_t* stored) const;
  // True when the null bitmaps and every field slot (its stored size) are byte-equal.
  bool RecordsEqual(const uint8_t* a, const uint8_t* b) const;

  TVexFieldDefs& FieldDefs() const { return *FieldDefs_; }
  TVexTableData* Table;  // not owned

 protected:
  const TVexFieldDef& FieldDefAt(int32_t fieldNo, int32_t code) const;
  // Remembers value as the session's last value of the field.
  void RecordSessionValue(TVexBaseSession* session, const TVexFieldDef& field, int64_t value);

 private:
  std::unique_ptr<TVexFieldDefs> FieldDefs_;
  std::vector<int64_t> Counters_;
};
