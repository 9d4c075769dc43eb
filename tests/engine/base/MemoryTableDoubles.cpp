// The in-memory stand-ins of the table layer used by the table tests.
#include "tests/engine/base/MemoryTableDoubles.h"

#include <algorithm>
#include <cstring>

#include "engine/base/VexAccessPath.h"
#include "engine/base/VexConstraintManager.h"
#include "engine/base/VexCursor.h"
#include "engine/base/VexExcept.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexRecordLayout.h"
#include "engine/base/VexScanSearchCondition.h"
#include "engine/base/VexVariant.h"

TVexRecordIDBytes MemRecordID(int32_t row) {
  TVexRecordIDBytes id{};
  std::memcpy(id.data(), &row, 4);
  return id;
}

int32_t MemRowOf(const TVexRecordIDBytes& recordID) {
  int32_t row;
  std::memcpy(&row, recordID.data(), 4);
  return row;
}

// ---- Record manager.

void TMemRecordManager::DeleteAllRecords(int32_t) {
  Rows.clear();
  RecordCount = 0;
  ++ChangeCounter;
}

bool TMemRecordManager::AddRecord(int32_t, const uint8_t* recordBuffer,
                                  TVexRecordIDBytes& recordID) {
  const int32_t row = NextRow++;
  Rows[row].assign(recordBuffer, recordBuffer + RowSize);
  recordID = MemRecordID(row);
  ++RecordCount;
  ++ChangeCounter;
  return true;
}

bool TMemRecordManager::ModifyRecord(int32_t, const uint8_t* recordBuffer,
                                     const TVexRecordIDBytes& recordID) {
  auto it = Rows.find(MemRowOf(recordID));
  if (it == Rows.end()) return false;
  it->second.assign(recordBuffer, recordBuffer + RowSize);
  ++ChangeCounter;
  return true;
}

bool TMemRecordManager::RemoveRecord(int32_t, const TVexRecordIDBytes& recordID) {
  if (Rows.erase(MemRowOf(recordID)) == 0) return false;
  --RecordCount;
  ++ChangeCounter;
  return true;
}

void TMemRecordManager::NavigateRecord(int32_t, TVexNavigationRequest& request) {
  request.Result = vnrEOF;
  if (Rows.empty()) return;
  auto found = Rows.end();
  const int32_t row = MemRowOf(request.RecordID);
  if (request.Mode == grmCurrent) {
    found = request.Bof || request.Eof ? Rows.end() : Rows.find(row);
    if (found == Rows.end()) {
      request.Result = vnrNotFound;
      return;
    }
  } else if (request.Mode == grmNext) {
    if (request.Eof) return;
    found = request.Bof ? Rows.begin() : Rows.upper_bound(row);
    if (found == Rows.end()) return;
  } else {
    request.Result = vnrBOF;
    if (request.Bof) return;
    auto it = request.Eof ? Rows.end() : Rows.lower_bound(row);
    if (it == Rows.begin()) return;
    found = std::prev(it);
  }
  request.RecordID = MemRecordID(found->first);
  if (request.RecordBuffer)
    std::memcpy(request.RecordBuffer, found->second.data(), size_t(RowSize));
  request.Bof = request.Eof = false;
  request.Result = vnrFound;
}

int32_t TMemRecordManager::CompareRecordIds(const TVexRecordIDBytes& a,
                                            const TVexRecordIDBytes& b) {
  const int32_t x = MemRowOf(a), y = MemRowOf(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

int64_t TMemRecordManager::EstimateRecordNumber(int32_t, const TVexRecordIDBytes& recordID) {
  auto it = Rows.find(MemRowOf(recordID));
  if (it == Rows.end()) return -1;
  return std::distance(Rows.begin(), it) + 1;
}

const uint8_t* TMemRecordManager::Row(const TVexRecordIDBytes& recordID) const {
  auto it = Rows.find(MemRowOf(recordID));
  return it == Rows.end() ? nullptr : it->second.data();
}

// ---- Index.

TMemRecordManager& TMemIndex::Records() const {
  return static_cast<TMemRecordManager&>(*IndexManager->Table->RecordManager);
}

void TMemIndex::CreateIndex(TVexCursor* cursor, const TVexIndexDef& indexDef) {
  TVexIndex::CreateIndex(cursor, indexDef);
  Build();
}

void TMemIndex::OpenIndex(const TVexIndexDef& indexDef) {
  // Like a stored index, an opened one starts from its keys; this one keeps none across opens.
  TVexIndex::OpenIndex(indexDef);
}

void TMemIndex::RebuildIndex(TVexCursor*) {
  Build();
}

void TMemIndex::Build() {
  Entries.clear();
  if (!IndexManager->Table->RecordManager) return;
  for (const auto& [row, bytes] : Records().Rows) Insert(bytes.data(), MemRecordID(row));
}

int32_t TMemIndex::CompareRecordKeys(const uint8_t* a, const uint8_t* b, int32_t keyFieldCount) {
  const TVexFieldDefs& fields = IndexManager->Table->FieldManager->FieldDefs();
  const int32_t count = std::min(keyFieldCount, IndexDef()->ColumnCount());
  for (int32_t i = 0; i < count; ++i) {
    const TVexIndexColumn& column = IndexDef()->Columns[size_t(i)];
    const int32_t fieldNo = fields.IndexOfName(column.FieldName);
    if (fieldNo < 0) throw EVexException(20043, "Cannot find index field '%s'", {column.FieldName});
    const TVexFieldDef& field = fields[fieldNo];
    const bool nullA = GetNullBit(a, fieldNo), nullB = GetNullBit(b, fieldNo);
    int32_t c = 0;
    if (nullA || nullB) {
      c = nullA == nullB ? 0 : nullA ? -1 : 1;
    } else {
      TVexVariant va, vb;
      va.SetFromBuffer(a + field.RecordBufferOffset(), field.RecordBufferSize(), false,
                       field.StorageType());
      vb.SetFromBuffer(b + field.RecordBufferOffset(), field.RecordBufferSize(), false,
                       field.StorageType());
      const int r = va.Compare(vb, false, false, column.CaseInsensitive != 0);
      c = r == 0 ? 0 : r == 1 ? -1 : 1;
    }
    if (column.Descending) c = -c;
    if (c != 0) return c;
  }
  return 0;
}

bool TMemIndex::Before(const uint8_t* rowA, const TVexRecordIDBytes& a, const uint8_t* rowB,
                       const TVexRecordIDBytes& b) {
  const int32_t c = CompareRecordKeys(rowA, rowB, IndexDef()->ColumnCount());
  return c != 0 ? c < 0 : MemRowOf(a) < MemRowOf(b);
}

void TMemIndex::Insert(const uint8_t* row, const TVexRecordIDBytes& recordID) {
  auto it = std::find_if(Entries.begin(), Entries.end(), [&](const TVexRecordIDBytes& e) {
    return Before(row, recordID, Records().Row(e), e);
  });
  Entries.insert(it, recordID);
}

void TMemIndex::Remove(const TVexRecordIDBytes& recordID) {
  auto it = std::find(Entries.begin(), Entries.end(), recordID);
  if (it == Entries.end())
    throw EVexException(20027, "Index error: cannot delete entry. Entry not found");
  Entries.erase(it);
}

void TMemIndex::GetRecord(int32_t sessionID, TVexNavigationRequest& request,
                          TVexIndexPositionCache*) {
  if (request.Mode == grmCurrent)
    throw EVexException(20053, "Invalid get record mode for index: grmCurrent");
  const bool next = request.Mode == grmNext;
  int64_t position;
  if (request.Bof)
    position = next ? 0 : -1;
  else if (request.Eof)
    position = next ? int64_t(Entries.size()) : int64_t(Entries.size()) - 1;
  else {
    auto it = std::find(Entries.begin(), Entries.end(), request.RecordID);
    if (it == Entries.end()) {
      request.Result = vnrNotFound;
      return;
    }
    position = (it - Entries.begin()) + (next ? 1 : -1);
  }
  if (position < 0 || position >= int64_t(Entries.size())) {
    request.Result = next ? vnrEOF : vnrBOF;
    return;
  }
  TVexNavigationRequest read;
  read.Mode = grmCurrent;
  read.RecordID = Entries[size_t(position)];
  read.RecordBuffer = request.RecordBuffer;
  Records().NavigateRecord(sessionID, read);
  request.RecordID = read.RecordID;
  request.Result = read.Result;
  request.Bof = request.Eof = false;
}

void TMemIndex::FindNearest(int32_t, TVexNavigationRequest&) {
  throw EVexException(30036, "Not implemented yet");
}

bool TMemIndex::FindRecord(int32_t, const TVexRecordIDBytes& recordID, TVexKeyPath&,
                           const uint8_t*) {
  return std::find(Entries.begin(), Entries.end(), recordID) != Entries.end();
}

int64_t TMemIndex::GetRecordNumber(int32_t, const TVexRecordIDBytes& recordID, const uint8_t*) {
  auto it = std::find(Entries.begin(), Entries.end(), recordID);
  return it == Entries.end() ? -1 : (it - Entries.begin()) + 1;
}

void TMemIndex::GoToRecordNumber(int32_t, TVexRecordIDBytes& recordID, int64_t recordNumber) {
  if (Entries.empty()) throw EVexException(20074, "Cannot retreive record from empty index");
  if (recordNumber < 1 || recordNumber > int64_t(Entries.size()))
    throw EVexException(20075, "Cannot set RecNo greater than RecordCount");
  recordID = Entries[size_t(recordNumber - 1)];
}

void TMemIndex::FilterBitmap(int32_t, TVexRecordBitmap&, int32_t) {
  throw EVexException(30036, "Not implemented yet");
}

namespace {
struct TMemScanState : TVexScanState {
  int64_t Position = 0;
};
}  // namespace

TVexOwned<TVexScanState> TMemIndex::CreateScanState() {
  return MakeOwned<TVexScanState>(std::make_unique<TMemScanState>());
}

bool TMemIndex::Satisfies(const uint8_t* row, const TVexScanSearchCondition* condition) {
  return !condition || KeyConditionHolds(*this, row, *condition);
}

bool TMemIndex::ScanNext(int32_t sessionID, bool firstCall, TVexScanState& state,
                         TVexRecordIDBytes& recordID, uint8_t* recordBuffer,
                         const TVexScanSearchCondition* low, const TVexScanSearchCondition* high,
                         bool ascending) {
  auto& scan = static_cast<TMemScanState&>(state);
  const int64_t size = int64_t(Entries.size());
  if (firstCall) scan.Position = ascending ? -1 : size;
  for (;;) {
    scan.Position += ascending ? 1 : -1;
    if (scan.Position < 0 || scan.Position >= size) return false;
    const TVexRecordIDBytes& id = Entries[size_t(scan.Position)];
    const uint8_t* row = Records().Row(id);
    const bool aboveLow = Satisfies(row, low), belowHigh = Satisfies(row, high);
    if (ascending ? !belowHigh : !aboveLow) return false;  // past the end of the range
    if (!aboveLow || !belowHigh) continue;
    recordID = id;
    TVexNavigationRequest read;
    read.Mode = grmCurrent;
    read.RecordID = id;
    read.RecordBuffer = recordBuffer;
    Records().NavigateRecord(sessionID, read);
    return true;
  }
}

int64_t TMemIndex::EstimateRange(int32_t, const TVexScanSearchCondition* a,
                                 const TVexScanSearchCondition* b, int64_t) {
  int64_t count = 0;
  for (const TVexRecordIDBytes& id : Entries)
    if (Satisfies(Records().Row(id), a) && Satisfies(Records().Row(id), b)) ++count;
  return count;
}

bool TMemIndex::CheckUnique(int32_t, const uint8_t* recordBuffer) {
  if (!IndexDef()->IsUnique()) return true;
  for (const TVexRecordIDBytes& id : Entries)
    if (CompareRecordKeys(recordBuffer, Records().Row(id), IndexDef()->ColumnCount()) == 0)
      return false;
  return true;
}

bool TMemIndex::CheckUniqueOnUpdate(int32_t sessionID, const uint8_t* oldRecord,
                                    const uint8_t* newRecord) {
  if (CompareRecordKeys(oldRecord, newRecord, IndexDef()->ColumnCount()) == 0) return true;
  return CheckUnique(sessionID, newRecord);
}

void TMemIndex::InsertKey(TVexCursor& cursor) {
  Insert(cursor.RecordBuffer.Data(), cursor.CurrentRecordID);
}

void TMemIndex::DeleteKey(TVexCursor& cursor) {
  Remove(cursor.CurrentRecordID);
}

void TMemIndex::UpdateKey(TVexCursor& cursor, bool deletePhase) {
  if (deletePhase)
    Remove(cursor.CurrentRecordID);
  else
    Insert(cursor.RecordBuffer.Data(), cursor.CurrentRecordID);
}

// ---- Table and database.

void TMemTable::CreateRecordManager() {
  RecordManager = std::make_unique<TMemRecordManager>(FieldManager->FieldDefs().RecordBufferSize());
  RecordManager->StoredRecordSize = FieldManager->FieldDefs().StoredRecordSize();
}

void TMemTable::CreateTable(TVexCursor&, const TVexFieldDefs& fieldDefs,
                            const TVexIndexDefs& indexDefs,
                            const TVexConstraintDefs& constraintDefs) {
  CreateFieldManager(fieldDefs);
  CreateRecordManager();
  CreateIndexManager(indexDefs);
  CreateConstraintManager(constraintDefs);
}

int64_t TMemTable::GetRecordNumberLimit(int32_t) {
  return Records().NextRow;
}

bool TMemTable::InsertRecord(TVexCursor& cursor) {
  uint8_t* buffer = cursor.RecordBuffer.Data();
  FieldManager->ApplyAutoIncs(cursor.Session, buffer);
  ConstraintManager->CheckRecord(CursorSessionID(cursor), buffer, true, cursor.CurrentRecordID,
                                 true);
  TVexRecordIDBytes id{};
  if (!RecordManager->AddRecord(CursorSessionID(cursor), buffer, id)) return false;
  cursor.CurrentRecordID = id;
  IndexManager->InsertKeys(cursor);
  cursor.Bof = cursor.Eof = false;
  return true;
}

bool TMemTable::DeleteRecord(TVexCursor& cursor) {
  IndexManager->DeleteKeys(cursor);
  return RecordManager->RemoveRecord(CursorSessionID(cursor), cursor.CurrentRecordID);
}

bool TMemTable::UpdateRecord(TVexCursor& cursor) {
  ConstraintManager->CheckRecord(CursorSessionID(cursor), cursor.RecordBuffer.Data(), false,
                                 cursor.CurrentRecordID, true);
  IndexManager->UpdateKeys(cursor, true);
  const bool done = RecordManager->ModifyRecord(CursorSessionID(cursor), cursor.RecordBuffer.Data(),
                                                cursor.CurrentRecordID);
  IndexManager->UpdateKeys(cursor, false);
  return done;
}

void TMemTable::GoToPhysicalRecordNumber(TVexCursor& cursor, int64_t recordNumber) {
  auto& rows = Records().Rows;
  if (recordNumber < 1 || recordNumber > int64_t(rows.size()))
    throw EVexException(20113, "Cannot set RecNo greater than RecordCount");
  auto it = std::next(rows.begin(), recordNumber - 1);
  cursor.CurrentRecordID = MemRecordID(it->first);
  std::memcpy(cursor.RecordBuffer.Data(), it->second.data(), it->second.size());
  cursor.Bof = cursor.Eof = false;
}

int64_t TMemTable::GetPhysicalRecordNumber(TVexCursor& cursor) {
  return RecordManager->EstimateRecordNumber(CursorSessionID(cursor), cursor.CurrentRecordID);
}

int64_t TMemTable::GetRecordCount(TVexCursor&) {
  return RecordManager->RecordCount;
}

TVexTableData& TMemDatabase::CreateTableData(TVexCursor& cursor) {
  return AddTableData(std::make_unique<TMemTable>(this, cursor.TableName));
}
