// TVexBTreeRecordIndex: definition to key reference, index creation from the table's records,
// navigation by index order, record numbers, unique checks and key maintenance.
#include "engine/storage/VexBTreeRecordIndex.h"

#include <cstring>

#include "engine/base/VexBaseSession.h"
#include "engine/base/VexCursor.h"
#include "engine/base/VexExcept.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexIndexPositionCache.h"
#include "engine/base/VexRecordBitmap.h"
#include "engine/base/VexRecordManager.h"
#include "engine/base/VexScanSearchCondition.h"
#include "engine/base/VexTableData.h"
#include "engine/base/VexTypesRoutines.h"

namespace {

// Compares over a number of key columns for the life of a scope.
class TColumnCountScope {
 public:
  TColumnCountScope(TVexRecordKeyRef& ref, int32_t count) : ref_(ref), saved_(ref.ColumnCount) {
    ref.SetColumnCount(count > 0 ? count : int32_t(ref.Columns.size()));
  }
  ~TColumnCountScope() { ref_.SetColumnCount(saved_); }
  TColumnCountScope(const TColumnCountScope&) = delete;
  TColumnCountScope& operator=(const TColumnCountScope&) = delete;

 private:
  TVexRecordKeyRef& ref_;
  int32_t saved_;
};

}  // namespace

TVexBTreeRecordIndex::TVexBTreeRecordIndex(TVexBaseIndexManager* indexManager)
    : TVexIndex(indexManager) {}

TVexBTreeRecordIndex::~TVexBTreeRecordIndex() = default;

int32_t TVexBTreeRecordIndex::SessionOf(const TVexCursor& cursor) {
  return cursor.Session ? cursor.Session->SessionID : -2;
}

TVexRecordIDBytes TVexBTreeRecordIndex::IdFromData(const uint8_t* data) {
  TVexRecordIDBytes id{};
  std::memcpy(id.data(), data, id.size());
  return id;
}

void TVexBTreeRecordIndex::Prepare(const TVexIndexDef& indexDef) {
  TVexTableData* table = IndexManager ? IndexManager->Table : nullptr;
  if (!table || !table->FieldManager) throw EVexException(20044, "Pointer is nil");
  const TVexFieldDefs& fields = table->FieldManager->FieldDefs();
  if (fields.Count() == 0) throw EVexException(20045, "Pointer is nil");
  keyRef_.ClearColumns();
  for (const TVexIndexColumn& column : indexDef.Columns) {
    const int32_t fieldNo = fields.IndexOfName(column.FieldName);
    if (fieldNo < 0) throw EVexException(20043, "Cannot find index field '%s'", {column.FieldName});
    const TVexFieldDef& field = fields[fieldNo];
    if (IsBlobStorageType(field.StorageType()))
      throw EVexException(20295,
                          "Cannot index BLOB field '%s'. Direct indexing of BLOB fields is not "
                          "supported yet, please use CAST(blob_field, string) function to "
                          "convert BLOB field to a string expression before indexing.",
                          {column.FieldName});
    keyRef_.AddColumn(field.StorageType(), field.RecordBufferSize(), field.RecordBufferOffset(),
                      field.StoredOffset(), fieldNo, column.PrefixLength, column.Descending != 0,
                      column.CaseInsensitive != 0);
  }
  key_.assign(size_t(keyRef_.KeySize), 0);
  fullKey_.assign(size_t(keyRef_.FullKeySize), 0);
  fullKey2_.assign(size_t(keyRef_.FullKeySize), 0);
  // Room for the record and the trailer a cursor keeps after it.
  record_ = TVexMemoryBlock(fields.RecordBufferSize() + 16, true);
  fetchRecord_ = TVexMemoryBlock(fields.RecordBufferSize() + 16, true);
  keyRef_.FetchFullKey = [this](int32_t sessionID, const uint8_t* recordID, uint8_t* fullKey) {
    if (!ReadRecord(sessionID, IdFromData(recordID), fetchRecord_.Data())) return false;
    keyRef_.BuildFullKey(fetchRecord_.Data(), fullKey);
    return true;
  };
  auto* pageManager = dynamic_cast<TVexPageManager*>(IndexManager->PageManagerFor(indexDef));
  if (!pageManager) throw EVexException(20299, "Pointer is nil");
  tree_ = std::make_unique<TVexBTreePage>(*pageManager, keyRef_);
  tree_->RootPageNo = indexDef.RootPage;
}

TVexBTreePage& TVexBTreeRecordIndex::CheckedTree(int32_t code) {
  if (!tree_ || tree_->RootPageNo < 0) throw EVexException(code, "Invalid page number");
  return *tree_;
}

bool TVexBTreeRecordIndex::ReadRecord(int32_t sessionID, const TVexRecordIDBytes& recordID,
                                      uint8_t* buffer) {
  TVexTableData* table = IndexManager->Table;
  if (!table->RecordManager) throw EVexException(20044, "Pointer is nil");
  TVexNavigationRequest request;
  request.Mode = grmCurrent;
  request.RecordID = recordID;
  request.RecordBuffer = buffer;
  table->RecordManager->NavigateRecord(sessionID, request);
  return request.Result == vnrFound;
}

const uint8_t* TVexBTreeRecordIndex::SearchKeyOf(const uint8_t* recordBuffer) {
  keyRef_.BuildKey(recordBuffer, key_.data());
  if (keyRef_.HasPrefixColumns) {
    keyRef_.BuildFullKey(recordBuffer, fullKey_.data());
    keyRef_.SearchFullKey = fullKey_.data();
  }
  return key_.data();
}

void TVexBTreeRecordIndex::CreateIndex(TVexCursor* cursor, const TVexIndexDef& indexDef) {
  TVexIndex::CreateIndex(cursor, indexDef);
  Prepare(*IndexDef());
  const int32_t sessionID = cursor ? SessionOf(*cursor) : -2;
  IndexDef()->RootPage = tree_->CreateRoot(sessionID);
  TVexBaseRecordManager* records = IndexManager->Table->RecordManager.get();
  if (!cursor || !records) return;
  // Every record of the table in physical order gives its key.
  TVexNavigationRequest request;
  request.Mode = grmNext;
  request.Bof = true;
  request.RecordBuffer = record_.Data();
  for (;;) {
    records->NavigateRecord(sessionID, request);
    if (request.Result != vnrFound) break;
    request.Bof = request.Eof = false;
    keyRef_.BuildKey(record_.Data(), key_.data());
    tree_->InsertEntry(sessionID, key_.data(), request.RecordID.data());
  }
}

void TVexBTreeRecordIndex::DropIndex(int32_t sessionID) {
  if (tree_ && tree_->RootPageNo >= 0) tree_->FreeTree(sessionID, false);
  if (IndexDef()) IndexDef()->RootPage = -1;
}

void TVexBTreeRecordIndex::EmptyIndex(int32_t sessionID) {
  CheckedTree(20120).FreeTree(sessionID, true);
}

void TVexBTreeRecordIndex::OpenIndex(const TVexIndexDef& indexDef) {
  TVexIndex::OpenIndex(indexDef);
  Prepare(*IndexDef());
}

void TVexBTreeRecordIndex::RebuildIndex(TVexCursor* cursor) {
  if (!IndexDef()) throw EVexException(20078, "Index error: invalid params");
  TVexIndexDef definition;
  definition.AssignDef(*IndexDef());
  DropIndex(cursor ? SessionOf(*cursor) : -2);
  definition.RootPage = -1;
  CreateIndex(cursor, definition);
}

void TVexBTreeRecordIndex::GetRecord(int32_t sessionID, TVexNavigationRequest& request,
                                     TVexIndexPositionCache* positionCache) {
  if (request.Mode == grmCurrent)
    throw EVexException(20053, "Invalid get record mode for index: grmCurrent");
  TVexBTreePage& tree = CheckedTree(20121);
  const bool next = request.Mode == grmNext;
  const int32_t indexID = IndexDef()->ObjectID;
  TVexKeyPath path;
  bool found;
  if (request.Bof || request.Eof) {
    if (request.Bof != next) {  // stepping out of the index from its edge
      request.Result = next ? vnrEOF : vnrBOF;
      (next ? request.Eof : request.Bof) = true;
      return;
    }
    found = next ? tree.FirstEntry(sessionID, path) : tree.LastEntry(sessionID, path);
    if (!found) {
      request.Result = next ? vnrEOF : vnrBOF;
      (next ? request.Eof : request.Bof) = true;
      return;
    }
  } else {
    // A kept path is used only while its leaf still holds this record there: other changes of
    // the tree may have moved the entry.
    if (positionCache && positionCache->Describes(indexID, request.RecordID) &&
        tree.PathHolds(sessionID, *positionCache->Path, request.RecordID.data())) {
      path = *positionCache->Path;
    } else if (!FindRecord(sessionID, request.RecordID, path, nullptr)) {
      request.Result = vnrNotFound;
      return;
    }
    if (!(next ? tree.Next(sessionID, path) : tree.Prior(sessionID, path))) {
      request.Result = next ? vnrEOF : vnrBOF;
      (next ? request.Eof : request.Bof) = true;
      return;
    }
  }
  uint8_t data[6];
  tree.ReadEntry(sessionID, path, nullptr, data);
  const TVexRecordIDBytes recordID = IdFromData(data);
  if (request.RecordBuffer && !ReadRecord(sessionID, recordID, request.RecordBuffer)) {
    request.Result = vnrNotFound;
    return;
  }
  request.RecordID = recordID;
  request.Result = vnrFound;
  request.Bof = request.Eof = false;
  if (positionCache) {
    if (!positionCache->Path) positionCache->Path = CreateKeyPath();
    *positionCache->Path = path;
    positionCache->IndexID = indexID;
    positionCache->RecordID = recordID;
  }
}

void TVexBTreeRecordIndex::FindNearest(int32_t sessionID, TVexNavigationRequest& request) {
  TVexBTreePage& tree = CheckedTree(20122);
  if (!request.RecordBuffer || request.Mode == grmCurrent)
    throw EVexException(20078, "Index error: invalid params");
  const bool next = request.Mode == grmNext;
  TVexKeyPath path;
  if (!tree.Search(sessionID, next, path, next ? vscGreater : vscLess,
                   SearchKeyOf(request.RecordBuffer))) {
    request.Result = next ? vnrEOF : vnrBOF;
    (next ? request.Eof : request.Bof) = true;
    return;
  }
  uint8_t data[6];
  tree.ReadEntry(sessionID, path, nullptr, data);
  request.RecordID = IdFromData(data);
  request.Result =
      ReadRecord(sessionID, request.RecordID, request.RecordBuffer) ? vnrFound : vnrNotFound;
  if (request.Result == vnrFound) request.Bof = request.Eof = false;
}

TVexOwned<TVexKeyPath> TVexBTreeRecordIndex::CreateKeyPath() {
  return MakeOwned<TVexKeyPath>(std::make_unique<TVexKeyPath>());
}

bool TVexBTreeRecordIndex::FindRecord(int32_t sessionID, const TVexRecordIDBytes& recordID,
                                      TVexKeyPath& path, const uint8_t* recordBuffer) {
  TVexBTreePage& tree = CheckedTree(20123);
  if (!recordBuffer) {
    if (!ReadRecord(sessionID, recordID, record_.Data())) return false;
    recordBuffer = record_.Data();
  }
  return tree.FindEntry(sessionID, SearchKeyOf(recordBuffer), recordID.data(), path);
}

int32_t TVexBTreeRecordIndex::ComparePaths(const TVexKeyPath& a, const TVexKeyPath& b) {
  return TVexBTreePage::ComparePaths(a, b);
}

int64_t TVexBTreeRecordIndex::GetRecordNumber(int32_t sessionID, const TVexRecordIDBytes& recordID,
                                              const uint8_t* recordBuffer) {
  TVexKeyPath path;
  if (!FindRecord(sessionID, recordID, path, recordBuffer)) return -1;
  return tree_->PathPosition(sessionID, path) + 1;
}

void TVexBTreeRecordIndex::GoToRecordNumber(int32_t sessionID, TVexRecordIDBytes& recordID,
                                            int64_t recordNumber) {
  TVexBTreePage& tree = CheckedTree(20124);
  const int64_t count = tree.CountEntries(sessionID);
  if (count == 0) throw EVexException(20074, "Cannot retreive record from empty index");
  if (recordNumber > count) throw EVexException(20075, "Cannot set RecNo greater than RecordCount");
  TVexKeyPath path;
  if (!tree.PathAtPosition(sessionID, recordNumber < 1 ? 0 : recordNumber - 1, path))
    throw EVexException(20075, "Cannot set RecNo greater than RecordCount");
  uint8_t data[6];
  tree.ReadEntry(sessionID, path, nullptr, data);
  recordID = IdFromData(data);
}

void TVexBTreeRecordIndex::FilterBitmap(int32_t sessionID, TVexRecordBitmap& bitmap,
                                        int32_t columnCount) {
  TVexBTreePage& tree = CheckedTree(20125);
  TColumnCountScope columns(keyRef_, columnCount);
  std::vector<uint8_t> kept(key_.size()), keptData(6), entry(key_.size());
  uint8_t data[6];
  bool haveKept = false;
  TVexKeyPath path;
  int64_t ordinal = 0;
  for (bool ok = tree.FirstEntry(sessionID, path); ok; ok = tree.Next(sessionID, path), ++ordinal) {
    tree.ReadEntry(sessionID, path, entry.data(), data);
    const int64_t number =
        bitmap.IndexOrder ? ordinal : IndexManager->Table->RecordIdToNumber(IdFromData(data));
    if (number < 0 || number >= bitmap.Bits.BitCount() || !bitmap.Bits.GetBit(int32_t(number)))
      continue;
    bool same = false;
    if (haveKept) {
      if (keyRef_.HasPrefixColumns) {
        // Truncated keys cannot tell values apart: the records' full keys do.
        if (!keyRef_.FetchFullKey(sessionID, keptData.data(), fullKey_.data()) ||
            !keyRef_.FetchFullKey(sessionID, data, fullKey2_.data()))
          throw EVexException(20170, "Cannot retreive record for index");
        same = keyRef_.CompareFullKeys(fullKey_.data(), fullKey2_.data()) == 0;
      } else {
        same =
            keyRef_.CompareKeys(kept.data(), entry.data(), nullptr, nullptr, sessionID, false) == 0;
      }
    }
    if (same) {
      bitmap.Bits.SetBit(int32_t(number), false);
    } else {
      kept = entry;
      std::memcpy(keptData.data(), data, 6);
      haveKept = true;
    }
  }
}

TVexOwned<TVexScanState> TVexBTreeRecordIndex::CreateScanState() {
  return MakeOwned<TVexScanState>(std::make_unique<TVexBTreeScanState>());
}

namespace {
// Sorts two conditions into the lower and the upper bound of a range; an equality bounds both
// sides. False for a condition without a comparison or key.
bool SplitBounds(const TVexScanSearchCondition* a, const TVexScanSearchCondition* b,
                 const TVexScanSearchCondition*& lower, const TVexScanSearchCondition*& upper) {
  lower = upper = nullptr;
  for (const TVexScanSearchCondition* c : {a, b}) {
    if (!c) continue;
    if (!c->KeyBuffer) return false;
    switch (c->CompareType) {
      case vscEqual:
        if (!lower) lower = c;
        if (!upper) upper = c;
        break;
      case vscGreater:
      case vscGreaterOrEqual:
        lower = c;
        break;
      case vscLess:
      case vscLessOrEqual:
        upper = c;
        break;
      default:
        return false;
    }
  }
  return true;
}
}  // namespace

bool TVexBTreeRecordIndex::BoundPath(int32_t sessionID, const TVexScanSearchCondition* bound,
                                     bool forward, TVexKeyPath& path) {
  if (!bound)
    return forward ? tree_->FirstEntry(sessionID, path) : tree_->LastEntry(sessionID, path);
  TColumnCountScope columns(keyRef_, bound->KeyFieldCount);
  return tree_->Search(sessionID, forward, path, bound->CompareType, SearchKeyOf(bound->KeyBuffer));
}

bool TVexBTreeRecordIndex::ScanNext(int32_t sessionID, bool firstCall, TVexScanState& state,
                                    TVexRecordIDBytes& recordID, uint8_t* recordBuffer,
                                    const TVexScanSearchCondition* low,
                                    const TVexScanSearchCondition* high, bool ascending) {
  CheckedTree(20126);
  auto* scan = dynamic_cast<TVexBTreeScanState*>(&state);
  if (!scan) throw EVexException(20078, "Index error: invalid params");
  auto passedEnd = [&] {
    const int c = TVexBTreePage::ComparePaths(scan->CurrentPath, scan->EndPath);
    return scan->Ascending ? c > 0 : c < 0;
  };
  if (firstCall || !scan->Started) {
    const TVexScanSearchCondition *lower, *upper;
    if (!SplitBounds(low, high, lower, upper))
      throw EVexException(20078, "Index error: invalid params");
    scan->Started = true;
    scan->Ascending = ascending;
    scan->Empty = !BoundPath(sessionID, ascending ? lower : upper, ascending, scan->CurrentPath) ||
                  !BoundPath(sessionID, ascending ? upper : lower, !ascending, scan->EndPath) ||
                  passedEnd();
  } else if (!scan->Empty) {
    scan->Empty = !(scan->Ascending ? tree_->Next(sessionID, scan->CurrentPath)
                                    : tree_->Prior(sessionID, scan->CurrentPath)) ||
                  passedEnd();
  }
  if (scan->Empty) return false;
  uint8_t data[6];
  tree_->ReadEntry(sessionID, scan->CurrentPath, nullptr, data);
  recordID = IdFromData(data);
  if (recordBuffer && !ReadRecord(sessionID, recordID, recordBuffer))
    throw EVexException(20170, "Cannot retreive record for index");
  return true;
}

int32_t TVexBTreeRecordIndex::CompareRecordKeys(const uint8_t* a, const uint8_t* b,
                                                int32_t keyFieldCount) {
  TColumnCountScope columns(keyRef_, keyFieldCount);
  keyRef_.BuildFullKey(a, fullKey_.data());
  keyRef_.BuildFullKey(b, fullKey2_.data());
  return keyRef_.CompareFullKeys(fullKey_.data(), fullKey2_.data());
}

int64_t TVexBTreeRecordIndex::EstimateRange(int32_t sessionID, const TVexScanSearchCondition* a,
                                            const TVexScanSearchCondition* b, int64_t recordCount) {
  CheckedTree(20127);
  const TVexScanSearchCondition *lower, *upper;
  if (!SplitBounds(a, b, lower, upper)) throw EVexException(20078, "Index error: invalid params");
  TVexKeyPath first, last;
  if (!BoundPath(sessionID, lower, true, first) || !BoundPath(sessionID, upper, false, last))
    return 0;
  const double difference = TVexBTreePage::PathFraction(last) - TVexBTreePage::PathFraction(first);
  if (difference < 0) return 0;
  return std::min(recordCount, int64_t(difference * double(recordCount) + 0.5));
}

bool TVexBTreeRecordIndex::CheckUnique(int32_t sessionID, const uint8_t* recordBuffer) {
  TVexBTreePage& tree = CheckedTree(20293);
  if (!IndexDef()->IsUnique()) return true;
  TColumnCountScope columns(keyRef_, -1);
  TVexKeyPath path;
  return !tree.Search(sessionID, true, path, vscEqual, SearchKeyOf(recordBuffer));
}

bool TVexBTreeRecordIndex::FullKeysDiffer(const uint8_t* a, const uint8_t* b) {
  keyRef_.BuildFullKey(a, fullKey_.data());
  keyRef_.BuildFullKey(b, fullKey2_.data());
  return std::memcmp(fullKey_.data(), fullKey2_.data(), fullKey_.size()) != 0;
}

bool TVexBTreeRecordIndex::CheckUniqueOnUpdate(int32_t sessionID, const uint8_t* oldRecord,
                                               const uint8_t* newRecord) {
  if (!IndexDef() || !IndexDef()->IsUnique()) return true;
  TColumnCountScope columns(keyRef_, -1);
  keyRef_.BuildFullKey(oldRecord, fullKey_.data());
  keyRef_.BuildFullKey(newRecord, fullKey2_.data());
  if (keyRef_.CompareFullKeys(fullKey_.data(), fullKey2_.data()) == 0) return true;
  return CheckUnique(sessionID, newRecord);
}

void TVexBTreeRecordIndex::InsertKey(TVexCursor& cursor) {
  TVexBTreePage& tree = CheckedTree(20119);
  keyRef_.BuildKey(cursor.RecordBuffer.Data(), key_.data());
  tree.InsertEntry(SessionOf(cursor), key_.data(), cursor.CurrentRecordID.data());
}

void TVexBTreeRecordIndex::DeleteKey(TVexCursor& cursor) {
  TVexBTreePage& tree = CheckedTree(20120);
  keyRef_.BuildKey(cursor.RecordBuffer.Data(), key_.data());
  if (!tree.DeleteEntry(SessionOf(cursor), key_.data(), cursor.CurrentRecordID.data()))
    throw EVexException(20027, "Index error: cannot delete entry. Entry not found");
}

void TVexBTreeRecordIndex::UpdateKey(TVexCursor& cursor, bool deletePhase) {
  TVexBTreePage& tree = CheckedTree(20119);
  if (!cursor.OldRecordBuffer || !cursor.RecordBuffer)
    throw EVexException(20078, "Index error: invalid params");
  const uint8_t* oldRecord = cursor.OldRecordBuffer.Data();
  const uint8_t* newRecord = cursor.RecordBuffer.Data();
  if (!FullKeysDiffer(oldRecord, newRecord)) return;
  const int32_t sessionID = SessionOf(cursor);
  if (deletePhase) {
    keyRef_.BuildKey(oldRecord, key_.data());
    if (!tree.DeleteEntry(sessionID, key_.data(), cursor.CurrentRecordID.data()))
      throw EVexException(20250, "Index error: cannot delete entry. Entry not found");
  } else {
    keyRef_.BuildKey(newRecord, key_.data());
    tree.InsertEntry(sessionID, key_.data(), cursor.CurrentRecordID.data());
  }
}

void TVexBTreeRecordIndex::GetEntriesPerPage(int32_t& entries, int32_t& rest) {
  const int32_t dataSize = tree_ ? tree_->PageManager.PageDataSize : 0;
  const int32_t entrySize = keyRef_.KeySize + 4;
  entries = dataSize / entrySize;
  rest = dataSize % entrySize;
}

void TVexBTreeRecordIndex::GetDataAtPath(int32_t sessionID, const TVexKeyPath& path,
                                         uint8_t* data) {
  CheckedTree(20127).DataAtPath(sessionID, path, data);
}

std::unique_ptr<TVexIndex> TVexBTreeIndexManager::NewIndex() {
  return std::make_unique<TVexBTreeRecordIndex>(this);
}
