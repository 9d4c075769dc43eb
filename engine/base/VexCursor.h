// The engine's abstract cursor: one session's handle on one open table. It fixes the 46
// operations that table engines implement and keeps the state they share: the definitions as
// the cursor sees them, the record buffer geometry, the position, the filter and the range.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/base/VexConstraintDef.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexMemory.h"
#include "engine/base/VexOwned.h"
#include "engine/base/VexStream.h"
#include "engine/base/VexVariant.h"

class TVexBaseSession;
class TVexExpression;
class TVexRecordBitmap;
class TVexIndexPositionCache;

enum TVexGetRecordMode : uint8_t { grmCurrent = 0, grmNext = 1, grmPrior = 2 };

// Results of GetRecord.
enum : int32_t {
  vgrOK = 0,        // a record was delivered into the current record buffer
  vgrBOF = 1,       // the move ran past the beginning
  vgrEOF = 2,       // the move ran past the end, or the table is empty
  vgrNotFound = 3,  // grmCurrent: the record is gone or no longer passes filter and range
};

// The table engine's 6-byte record identifier, as the cursor carries it.
constexpr int32_t kVexRecordIDSize = 6;
using TVexRecordIDBytes = std::array<uint8_t, kVexRecordIDSize>;

// Size of a saved position: BOF flag, EOF flag, record ID.
constexpr int32_t kVexSavedPositionSize = 8;

class TVexCursor {
 public:
  TVexCursor();
  TVexCursor(const TVexCursor&) = delete;
  TVexCursor& operator=(const TVexCursor&) = delete;
  virtual ~TVexCursor();

  // ---- The 46 operations, in slot order.
  virtual void CreateTable(const TVexFieldDefs& fieldDefs, const TVexIndexDefs& indexDefs,
                           const TVexConstraintDefs& constraintDefs) = 0;
  virtual void DeleteTable() = 0;
  virtual void EmptyTable() = 0;
  virtual void RenameTable(const std::string& newName) = 0;
  virtual void InitFieldDefs() = 0;
  virtual void OpenCursor() = 0;
  virtual void CloseCursor() = 0;
  virtual void LockData() = 0;
  virtual void UnlockData() = 0;
  virtual bool LockTable(int32_t lockType, int32_t retryCount, int32_t delayMs) = 0;
  virtual void UnlockTable(int32_t lockType) = 0;
  // Renames a visible field: 30345 "Field '%s' not found", 30346 "Cannot rename field '%s'.
  // Field '%s' already exists".
  virtual void RenameField(const std::string& oldName, const std::string& newName);
  // The index definitions (an empty list before the cursor has any).
  virtual TVexIndexDefs& GetIndexDefs();
  virtual void CreateIndex(const TVexIndexDef& indexDef) = 0;
  virtual void DropIndex(const std::string& indexName) = 0;
  virtual void DropAllIndexes() = 0;
  // Finds or creates (temporary) an index for the fields; returns whether it was created.
  virtual bool PrepareIndexForFields(const std::vector<std::string>& fieldNames,
                                     const std::vector<std::string>& directions,
                                     const std::vector<std::string>& caseModes,
                                     std::string& indexName) = 0;
  virtual bool IndexExistsForFields(const std::vector<std::string>& fieldNames,
                                    const std::vector<std::string>& directions,
                                    const std::vector<std::string>& caseModes,
                                    std::string& indexName) = 0;
  virtual void CopyFieldValue(int32_t fieldNo, bool physical, TVexCursor& destination,
                              int32_t destinationFieldNo) = 0;
  // Prepares a record buffer: every field NULL (null bitmap all ones), slots zero. Engines
  // override it to apply default values when asked and defaults are not suppressed.
  virtual void InitRecord(uint8_t* buffer, bool applyDefaults);
  // Releases the buffer's BLOB caches (engines) and frees it.
  virtual void FreeRecordBuffer(TVexMemoryBlock& buffer);
  virtual int32_t GetRecordCount() = 0;
  virtual int32_t GetRecord(TVexGetRecordMode mode) = 0;
  virtual void SetRecNo(int32_t recNo) = 0;
  virtual int32_t GetRecNo() = 0;
  virtual void First() = 0;
  virtual void Last() = 0;
  virtual void Refresh() = 0;
  // Record operations answer 0 or a negative record-operation result.
  virtual int32_t BeginEdit() = 0;
  virtual void CancelEdit(bool cancelInsert) = 0;
  virtual int32_t Post(bool insert) = 0;
  virtual int32_t DeleteRecord() = 0;
  virtual void SetIndex(const std::vector<std::string>& fieldNames,
                        const std::vector<std::string>& directions,
                        const std::vector<std::string>& caseModes, int32_t keyFieldCount) = 0;
  virtual void SetFilter(const std::string& filterText, uint32_t options) = 0;
  virtual void ResetFilterCache() = 0;
  virtual bool Locate(const std::vector<std::string>& fieldNames,
                      std::span<const TVexVariant* const> values, uint32_t options) = 0;
  virtual bool FindKey(std::span<const TVexVariant* const> keyValues) = 0;
  virtual bool Lookup(const std::vector<std::string>& fieldNames,
                      std::span<const TVexVariant* const> values) = 0;
  // mode: 0 write, 1 read, 2 read-write. The stream joins BlobStreams, which owns it.
  virtual TVexStream* OpenBlob(int32_t fieldNo, uint8_t mode, bool insert, bool edit,
                               bool browse) = 0;
  virtual void WriteBlob(int32_t fieldNo) = 0;
  virtual void CloseBlobs(bool onlyWritable) = 0;
  virtual int64_t GetNextAutoIncValue(int32_t fieldNo) = 0;
  virtual void BeginSession() = 0;
  virtual void CommitSession() = 0;
  virtual void RollbackSession() = 0;
  virtual void CheckConstraints() = 0;

  // ---- Concrete operations on the cursor's own state.

  // Stores the name and makes that index active (-1 when there is none of that name).
  void SetIndexName(const std::string& indexName);
  // A zero-filled record buffer (RecordBufferSize bytes).
  TVexMemoryBlock AllocRecordBuffer() const;
  // A zero-filled key buffer (RecordSizeWithPosition bytes): a row and its record ID.
  TVexMemoryBlock AllocKeyBuffer() const;
  void ClearKeyBuffer(uint8_t* keyBuffer) const;

  // The trailer of a record buffer: the row's record ID at DataSize, the status byte after it.
  TVexRecordIDBytes GetRecordID(const uint8_t* buffer) const;
  void SetRecordID(uint8_t* buffer, const TVexRecordIDBytes& recordID) const;
  uint8_t GetRecordStatus(const uint8_t* buffer) const;
  void SetRecordStatus(uint8_t* buffer, uint8_t status) const;

  // A field of the current record as a variant. physical: fieldNo indexes the physical
  // fields, else the visible ones (20191 / 10317 for a wrong number).
  void GetFieldValue(TVexVariant& value, int32_t fieldNo, bool physical) const;
  // Stores a variant into a field of buffer (null: the current record); NULL sets the null bit,
  // any other value is converted to the field's storage type (20192 / 20193).
  void SetFieldValue(const TVexVariant& value, int32_t fieldNo, uint8_t* buffer, bool physical);
  // A visible field in the dataset's form (integers widened to the dataset field's width,
  // SINGLE and EXTENDED as double); false when NULL. BLOB fields answer true without copying.
  bool GetFieldData(int32_t fieldNo, void* destination, const uint8_t* recordBuffer) const;
  // The reverse; a null source or empty text sets the field NULL.
  void SetFieldData(int32_t fieldNo, const void* source, uint8_t* recordBuffer);
  // Zeroes what follows the terminator in every text slot and every NULL text slot.
  void CanonicalizeRecord(uint8_t* buffer) const;
  // Makes the visible fields copies of the named physical fields, renamed where asked.
  void SetProjection(const std::vector<std::string>& sourceNames,
                     const std::vector<std::string>& newNames);

  TVexMemoryBlock SavePosition() const;
  void RestorePosition(const TVexMemoryBlock& position);
  void FreePosition(TVexMemoryBlock& position) const { position.Reset(); }

  bool HasActiveIndex() const { return ActiveIndexID != -1; }
  bool HasKeyFields() const { return KeyFieldCount > 0; }
  bool HasFilter() const {
    return FilterExpression != nullptr || RecordFilter != nullptr || ConditionExpression != nullptr;
  }
  bool HasRange() const { return bool(RangeStart) || bool(RangeEnd); }
  bool IsRestricted() const { return HasFilter() || HasRange() || HasKeyFields(); }
  // Copies the key buffers (null: open end; each a row and its record ID) and drops the record
  // bitmap, which the navigation builds again for the new range.
  void SetRangeBuffers(const uint8_t* start, const uint8_t* end, bool endExclusive,
                       bool startExclusive, int32_t endKeyCount, int32_t startKeyCount);
  void ClearRange();
  // Drops the cached set of records that pass the filter and range.
  void ResetRecordBitmap() { RecordBitmap.reset(); }
  // Binds a second condition to the cursor (not owned; null unbinds).
  void SetConditionExpression(TVexExpression* expression) { ConditionExpression = expression; }

  // ---- State (members in the order the engine describes them).
  bool VisibleFieldsGiven = false;  // the visible fields came from a projection
  std::string TableName;
  std::string IndexName;
  int32_t ActiveIndexID = -1;  // -1: physical order
  bool ReadOnly = false;
  bool Exclusive = false;
  bool InMemory = false;
  bool SuppressDefaults = false;  // no default values, no constraints for new indexes
  bool NoTemporaryFiles = false;
  TVexBaseSession* Session = nullptr;  // not owned
  bool Opened = false;
  TVexMemoryBlock RecordBuffer;
  TVexMemoryBlock PositionKeyBuffer;  // only while grmNext/grmPrior runs with key fields
  TVexMemoryBlock OldRecordBuffer;    // the copy taken when editing starts
  std::unique_ptr<TVexConstraintDefs> ConstraintDefs;
  std::unique_ptr<TVexFieldDefs> FieldDefs;         // physical, in record order
  std::unique_ptr<TVexFieldDefs> VisibleFieldDefs;  // FieldNo names the physical field
  std::unique_ptr<TVexIndexDefs> IndexDefs;
  std::vector<std::unique_ptr<TVexStream>> BlobStreams;
  TVexOwned<TVexRecordBitmap> RecordBitmap;
  TVexOwned<TVexIndexPositionCache> IndexPositionCache;  // null when empty
  int32_t LastResult = 0;
  std::string LastResultText;  // the text that goes with result -8
  bool PerOperationOpen = false;
  int32_t RecordBufferSize = 0;        // D + 7 (a dataset may enlarge it)
  int32_t RecordSizeWithPosition = 0;  // D + 6
  int32_t PositionOffset = 0;          // D
  int32_t FirstFieldOffset = 0;
  int32_t DataSize = 0;  // D: end of the last field slot
  TVexOwned<TVexExpression> FilterExpression;
  TVexExpression* ConditionExpression = nullptr;  // not owned
  std::function<bool(const uint8_t* recordBuffer)> RecordFilter;
  TVexMemoryBlock RangeStart;
  TVexMemoryBlock RangeEnd;
  bool RangeStartExclusive = false;
  bool RangeEndExclusive = false;
  int32_t RangeStartKeyCount = 0;
  int32_t RangeEndKeyCount = 0;
  int32_t KeyFieldCount = 0;  // 0: no key positioning
  TVexRecordIDBytes CurrentRecordID{};
  bool Bof = false;
  bool Eof = false;

 protected:
  // The work of InitFieldDefs on the table's definitions: physical fields and their layout,
  // the buffer geometry, the visible fields unless given, the constraints.
  void SetupFieldDefs(const TVexFieldDefs& tableFields, const TVexConstraintDefs& tableConstraints);

 private:
  const TVexFieldDef& FieldDefFor(int32_t fieldNo, bool physical, int32_t physicalCode,
                                  int32_t visibleCode) const;
};
