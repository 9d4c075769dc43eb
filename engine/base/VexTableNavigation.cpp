// Navigation of a cursor through a table: direct steps, the search under filters, ranges, key
// positions and extra conditions, the record test, record bitmaps and record numbers.
#include <algorithm>
#include <cstring>

#include "engine/base/VexAccessPath.h"
#include "engine/base/VexBaseSession.h"
#include "engine/base/VexCursor.h"
#include "engine/base/VexExcept.h"
#include "engine/base/VexExpressionHooks.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexIndex.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexIndexManager.h"
#include "engine/base/VexIndexPositionCache.h"
#include "engine/base/VexRecordBitmap.h"
#include "engine/base/VexRecordManager.h"
#include "engine/base/VexScanSearchCondition.h"
#include "engine/base/VexTableData.h"

namespace {

// Holds the database's critical section for one table operation.
class TTableLock {
 public:
  explicit TTableLock(TVexTableData& table) : Table_(table) { Table_.Lock(); }
  ~TTableLock() { Table_.Unlock(); }
  TTableLock(const TTableLock&) = delete;
  TTableLock& operator=(const TTableLock&) = delete;

 private:
  TVexTableData& Table_;
};

bool TestExpression(TVexExpression* expression, TVexCursor& cursor, const uint8_t* record) {
  if (!expression) return true;
  if (!ExpressionHooks().Test) throw EVexException(30036, "Not implemented yet");
  return ExpressionHooks().Test(expression, cursor, record);
}

// The size of a work buffer that holds one row of the table with its trailer.
int32_t WorkBufferSize(const TVexTableData& table, const TVexCursor& cursor) {
  return std::max(cursor.RecordBufferSize, table.FieldManager->FieldDefs().RecordBufferSize() + 7);
}

TVexIndexPositionCache* PositionCache(TVexCursor& cursor) {
  if (!cursor.IndexPositionCache)
    cursor.IndexPositionCache =
        MakeOwned<TVexIndexPositionCache>(std::make_unique<TVexIndexPositionCache>());
  return cursor.IndexPositionCache.get();
}

void CheckManagers(const TVexTableData& table) {
  if (!table.RecordManager) throw EVexException(10015, "Nil pointer occured");
  if (!table.FieldManager) throw EVexException(10016, "Nil pointer occured");
}

// One search of the next or prior record that passes every condition of the cursor and the
// extra ones.
class TSearch {
 public:
  TSearch(TVexTableData& table, TVexCursor& cursor, TVexGetRecordMode mode)
      : Table_(table),
        Cursor_(cursor),
        Mode_(mode),
        SessionID_(CursorSessionID(cursor)),
        Work_(WorkBufferSize(table, cursor), true) {}

  // Gathers the conditions in their order: key search, extra expression, filter, second
  // condition, range start and end, the key position.
  void Gather(TVexScanSearchCondition* keyCondition, TVexExpression* extra) {
    if (keyCondition) {
      if (Cursor_.ActiveIndexID == -1)
        throw EVexException(20258,
                            "No active index is set for Key search. Set Table.IndexName to the "
                            "index on search fields.");
      auto key = std::make_unique<TVexScanSearchCondition>();
      key->IndexID = Cursor_.ActiveIndexID;
      key->CompareType =
          keyCondition->CompareType == vscNone ? uint8_t(vscEqual) : keyCondition->CompareType;
      key->KeyFieldCount = keyCondition->KeyFieldCount;
      key->Expression = keyCondition->Expression;
      key->BorrowKey(keyCondition->KeyBuffer, keyCondition->KeySize);
      Conditions_.Add(std::move(key));
    }
    if (extra) Conditions_.Add(TVexScanSearchCondition::MakeExpression(extra));
    if (Cursor_.FilterExpression)
      Conditions_.Add(TVexScanSearchCondition::MakeExpression(Cursor_.FilterExpression.get()));
    if (Cursor_.ConditionExpression)
      Conditions_.Add(TVexScanSearchCondition::MakeExpression(Cursor_.ConditionExpression));
    if (Cursor_.HasActiveIndex()) {
      if (Cursor_.RangeStart)
        AddBound(Cursor_.RangeStart.Data(),
                 Cursor_.RangeStartExclusive ? vscGreater : vscGreaterOrEqual,
                 Cursor_.RangeStartKeyCount);
      if (Cursor_.RangeEnd)
        AddBound(Cursor_.RangeEnd.Data(), Cursor_.RangeEndExclusive ? vscLess : vscLessOrEqual,
                 Cursor_.RangeEndKeyCount);
      if (Cursor_.HasKeyFields() && !Cursor_.Bof && !Cursor_.Eof && Cursor_.RecordBuffer) {
        // The current row, kept while the search runs, is the key to continue from.
        Cursor_.PositionKeyBuffer = Cursor_.AllocKeyBuffer();
        std::memcpy(Cursor_.PositionKeyBuffer.Data(), Cursor_.RecordBuffer.Data(),
                    size_t(Cursor_.RecordSizeWithPosition));
        AddBound(Cursor_.PositionKeyBuffer.Data(), Mode_ == grmNext ? vscGreater : vscLess,
                 Cursor_.KeyFieldCount);
      }
    }
    if (ExpressionHooks().AddIndexConditions) {
      const int32_t count = Conditions_.Count();
      for (int32_t i = 0; i < count; ++i)
        if (TVexExpression* e = Conditions_.Item(i).Expression;
            e && !Conditions_.Item(i).HasIndex())
          ExpressionHooks().AddIndexConditions(e, Cursor_, Table_, Conditions_);
    }
  }

  // Finds the record; recordID receives it.
  bool Run(TVexRecordIDBytes& recordID) {
    if (!MergeSearchConditions(Table_, Conditions_)) return false;
    const TVexAccessPath path = ChooseAccessPath(Table_, Cursor_, Conditions_);
    if (path.IndexID == -1) return ScanTable(recordID);
    if (path.IndexID == Cursor_.ActiveIndexID) return WalkActiveIndex(path, recordID);
    return WalkOtherIndex(path, recordID);
  }

  ~TSearch() { Cursor_.PositionKeyBuffer.Reset(); }

 private:
  void AddBound(const uint8_t* key, uint8_t compareType, int32_t keyFieldCount) {
    auto bound = std::make_unique<TVexScanSearchCondition>();
    bound->IndexID = Cursor_.ActiveIndexID;
    bound->CompareType = compareType;
    bound->KeyFieldCount = keyFieldCount;
    bound->BorrowKey(const_cast<uint8_t*>(key), Cursor_.RecordSizeWithPosition);
    Conditions_.Add(std::move(bound));
  }

  // Every condition and the record filter.
  bool Passes(const uint8_t* record) {
    for (int32_t i = 0; i < Conditions_.Count(); ++i) {
      const TVexScanSearchCondition& c = Conditions_.Item(i);
      if (c.Expression && !TestExpression(c.Expression, Cursor_, record)) return false;
      if (c.HasIndex() && !c.Expression &&
          !KeyConditionHolds(Table_.IndexManager->GetIndex(c.IndexID), record, c))
        return false;
    }
    return !Cursor_.RecordFilter || Cursor_.RecordFilter(record);
  }

  TVexNavigationRequest StartRequest() {
    TVexNavigationRequest request;
    request.Mode = Mode_;
    request.IndexID = Cursor_.ActiveIndexID;
    request.RecordID = Cursor_.CurrentRecordID;
    request.RecordBuffer = Work_.Data();
    request.Bof = Cursor_.Bof;
    request.Eof = Cursor_.Eof;
    return request;
  }

  // One step in the cursor's order (active index, else physical).
  void Step(TVexNavigationRequest& request) {
    if (Cursor_.HasActiveIndex())
      Table_.IndexManager->NavigateByIndex(SessionID_, request, PositionCache(Cursor_));
    else
      Table_.RecordManager->NavigateRecord(SessionID_, request);
    if (request.Result == vnrFound) request.Bof = request.Eof = false;
  }

  bool ScanTable(TVexRecordIDBytes& recordID) {
    TVexNavigationRequest request = StartRequest();
    for (;;) {
      Step(request);
      if (request.Result != vnrFound) return false;
      if (Passes(Work_.Data())) {
        recordID = request.RecordID;
        return true;
      }
    }
  }

  // A range scan of the index between the path's bounds; visit answers true to stop.
  template <class Visit>
  void WalkRange(const TVexAccessPath& path, bool ascending, Visit visit) {
    TVexIndex& index = Table_.IndexManager->GetIndex(path.IndexID);
    TVexOwned<TVexScanState> state = index.CreateScanState();
    TVexRecordIDBytes id{};
    bool first = true;
    while (index.ScanNext(SessionID_, first, *state, id, Work_.Data(), path.Low, path.High,
                          ascending)) {
      first = false;
      if (visit(id)) break;
    }
    index.FreeScanState(state);
  }

  bool WalkActiveIndex(const TVexAccessPath& path, TVexRecordIDBytes& recordID) {
    const bool fromEnd = (Mode_ == grmNext && Cursor_.Bof) || (Mode_ == grmPrior && Cursor_.Eof);
    const bool keyPosition =
        Cursor_.PositionKeyBuffer &&
        ((path.Low && path.Low->KeyBuffer == Cursor_.PositionKeyBuffer.Data()) ||
         (path.High && path.High->KeyBuffer == Cursor_.PositionKeyBuffer.Data()));
    if (fromEnd || keyPosition) {
      bool found = false;
      WalkRange(path, Mode_ == grmNext, [&](const TVexRecordIDBytes& id) {
        if (!Passes(Work_.Data())) return false;
        recordID = id;
        found = true;
        return true;
      });
      return found;
    }
    // From the current row, step in index order until a row passes or the range is left.
    TVexIndex& index = Table_.IndexManager->GetIndex(path.IndexID);
    const TVexScanSearchCondition* ahead = Mode_ == grmNext ? path.High : path.Low;
    TVexNavigationRequest request = StartRequest();
    for (;;) {
      Step(request);
      if (request.Result != vnrFound) return false;
      if (ahead && PastBound(index, Work_.Data(), *ahead)) return false;
      if (Passes(Work_.Data())) {
        recordID = request.RecordID;
        return true;
      }
    }
  }

  // Whether a row lies beyond the bound in the direction of travel (not merely outside it: a
  // row before the start of the range is still ahead of it).
  bool PastBound(TVexIndex& index, const uint8_t* row, const TVexScanSearchCondition& bound) {
    if (!bound.KeyBuffer) return false;
    const int32_t c = index.CompareRecordKeys(row, bound.KeyBuffer, bound.KeyFieldCount);
    if (Mode_ == grmNext) return bound.CompareType == vscLess ? c >= 0 : c > 0;
    return bound.CompareType == vscGreater ? c <= 0 : c < 0;
  }

  // The range of another index (or of an index while none is active): the passing row
  // nearest to the current one in the cursor's order.
  bool WalkOtherIndex(const TVexAccessPath& path, TVexRecordIDBytes& recordID) {
    TVexIndex* active =
        Cursor_.HasActiveIndex() ? &Table_.IndexManager->GetIndex(Cursor_.ActiveIndexID) : nullptr;
    const int32_t activeColumns =
        active && active->IndexDef() ? active->IndexDef()->ColumnCount() : 0;
    const bool positioned = !(Mode_ == grmNext ? Cursor_.Bof : Cursor_.Eof);
    const uint8_t* current = Cursor_.RecordBuffer.Data();
    TVexMemoryBlock best(WorkBufferSize(Table_, Cursor_), true);
    bool found = false;
    // Order of (row a, id a) against (row b, id b) in the cursor's order.
    auto compare = [&](const uint8_t* a, const TVexRecordIDBytes& ia, const uint8_t* b,
                       const TVexRecordIDBytes& ib) {
      if (active) {
        const int32_t c = active->CompareRecordKeys(a, b, activeColumns);
        if (c != 0) return c;
      }
      return Table_.RecordManager->CompareRecordIds(ia, ib);
    };
    WalkRange(path, true, [&](const TVexRecordIDBytes& id) {
      if (!Passes(Work_.Data())) return false;
      const int32_t sign = Mode_ == grmNext ? 1 : -1;
      if (positioned && sign * compare(Work_.Data(), id, current, Cursor_.CurrentRecordID) <= 0)
        return false;
      if (found && sign * compare(Work_.Data(), id, best.Data(), recordID) >= 0) return false;
      std::memcpy(best.Data(), Work_.Data(), size_t(best.Size()));
      recordID = id;
      found = true;
      return false;
    });
    return found;
  }

  TVexTableData& Table_;
  TVexCursor& Cursor_;
  TVexGetRecordMode Mode_;
  int32_t SessionID_;
  TVexMemoryBlock Work_;
  TVexScanSearchConditionArray Conditions_;
};

// Reads the record into the cursor's buffer and makes it current.
bool ReadCurrent(TVexTableData& table, TVexCursor& cursor, const TVexRecordIDBytes& recordID) {
  if (!cursor.RecordBuffer) cursor.RecordBuffer = cursor.AllocRecordBuffer();
  TVexNavigationRequest request;
  request.Mode = grmCurrent;
  request.IndexID = -1;
  request.RecordID = recordID;
  request.RecordBuffer = cursor.RecordBuffer.Data();
  table.RecordManager->NavigateRecord(CursorSessionID(cursor), request);
  if (request.Result != vnrFound) return false;
  cursor.CurrentRecordID = recordID;
  if (cursor.RecordBufferSize >= cursor.PositionOffset + kVexRecordIDSize &&
      cursor.PositionOffset > 0)
    cursor.SetRecordID(cursor.RecordBuffer.Data(), recordID);
  cursor.Bof = cursor.Eof = false;
  return true;
}

}  // namespace

bool TVexTableData::RecordPasses(TVexCursor& cursor, const uint8_t* recordBuffer) {
  if (cursor.HasActiveIndex() && (cursor.RangeStart || cursor.RangeEnd)) {
    TVexIndex& index = IndexManager->GetIndex(cursor.ActiveIndexID);
    if (cursor.RangeStart) {
      const int32_t c = index.CompareRecordKeys(recordBuffer, cursor.RangeStart.Data(),
                                                cursor.RangeStartKeyCount);
      if (cursor.RangeStartExclusive ? c <= 0 : c < 0) return false;
    }
    if (cursor.RangeEnd) {
      const int32_t c =
          index.CompareRecordKeys(recordBuffer, cursor.RangeEnd.Data(), cursor.RangeEndKeyCount);
      if (cursor.RangeEndExclusive ? c >= 0 : c > 0) return false;
    }
  }
  if (!TestExpression(cursor.FilterExpression.get(), cursor, recordBuffer)) return false;
  if (!TestExpression(cursor.ConditionExpression, cursor, recordBuffer)) return false;
  return !cursor.RecordFilter || cursor.RecordFilter(recordBuffer);
}

int32_t TVexTableData::GetRecord(TVexCursor& cursor, TVexGetRecordMode mode) {
  TTableLock lock(*this);
  CheckManagers(*this);
  if (RecordManager->RecordCount == 0) return vnrEOF;
  if (cursor.IsRestricted() && mode != grmCurrent) {
    TVexRecordIDBytes recordID{};
    bool found;
    {
      TSearch search(*this, cursor, mode);
      search.Gather(nullptr, nullptr);
      found = search.Run(recordID);
    }
    if (!found) {
      cursor.Bof = mode == grmPrior;
      cursor.Eof = mode == grmNext;
      return mode == grmNext ? vnrEOF : vnrBOF;
    }
    return ReadCurrent(*this, cursor, recordID) ? vnrFound : vnrNotFound;
  }

  if (!cursor.RecordBuffer) cursor.RecordBuffer = cursor.AllocRecordBuffer();
  TVexNavigationRequest request;
  request.Mode = mode;
  request.IndexID = cursor.ActiveIndexID;
  request.RecordID = cursor.CurrentRecordID;
  request.RecordBuffer = cursor.RecordBuffer.Data();
  request.Bof = cursor.Bof;
  request.Eof = cursor.Eof;
  const int32_t sessionID = CursorSessionID(cursor);
  if (cursor.HasActiveIndex() && mode != grmCurrent) {
    if (!IndexManager) throw EVexException(10380, "Nil pointer occured");
    IndexManager->NavigateByIndex(sessionID, request, PositionCache(cursor));
  } else {
    RecordManager->NavigateRecord(sessionID, request);
  }
  if (request.Result == vnrFound && mode == grmCurrent && cursor.IsRestricted() &&
      !RecordPasses(cursor, cursor.RecordBuffer.Data()))
    return vnrNotFound;
  switch (request.Result) {
    case vnrFound:
      cursor.CurrentRecordID = request.RecordID;
      if (cursor.PositionOffset > 0 &&
          cursor.RecordBufferSize >= cursor.PositionOffset + kVexRecordIDSize)
        cursor.SetRecordID(cursor.RecordBuffer.Data(), request.RecordID);
      cursor.Bof = cursor.Eof = false;
      break;
    case vnrBOF:
      cursor.Bof = true;
      cursor.Eof = false;
      break;
    case vnrEOF:
      cursor.Eof = true;
      cursor.Bof = false;
      break;
    default:
      break;
  }
  return request.Result;
}

bool TVexTableData::FindByCondition(TVexCursor& cursor, TVexExpression* expression,
                                    TVexGetRecordMode mode) {
  TTableLock lock(*this);
  CheckManagers(*this);
  if (RecordManager->RecordCount == 0) return false;
  TVexRecordIDBytes recordID{};
  bool found;
  {
    TSearch search(*this, cursor, mode);
    search.Gather(nullptr, expression);
    found = search.Run(recordID);
  }
  // Not found: the cursor keeps its place.
  return found && ReadCurrent(*this, cursor, recordID);
}

bool TVexTableData::FindByKey(TVexCursor& cursor, TVexScanSearchCondition& keyCondition,
                              TVexGetRecordMode mode) {
  TTableLock lock(*this);
  CheckManagers(*this);
  if (cursor.ActiveIndexID == -1)
    throw EVexException(20258,
                        "No active index is set for Key search. Set Table.IndexName to the index "
                        "on search fields.");
  if (RecordManager->RecordCount == 0) return false;
  TVexRecordIDBytes recordID{};
  bool found;
  {
    TSearch search(*this, cursor, mode);
    search.Gather(&keyCondition, nullptr);
    found = search.Run(recordID);
  }
  return found && ReadCurrent(*this, cursor, recordID);
}

void TVexTableData::BuildRecordBitmap(TVexCursor& cursor) {
  CheckManagers(*this);
  if (!cursor.RecordBitmap)
    cursor.RecordBitmap = MakeOwned<TVexRecordBitmap>(std::make_unique<TVexRecordBitmap>(this));
  TVexRecordBitmap& bitmap = *cursor.RecordBitmap;
  if (bitmap.Complete && !bitmap.IsStale()) return;
  bitmap.Reset();
  const int32_t sessionID = CursorSessionID(cursor);
  const bool indexOrder = cursor.HasActiveIndex();
  bitmap.IndexOrder = indexOrder;
  const int64_t size = indexOrder ? RecordManager->RecordCount : GetRecordNumberLimit(sessionID);
  if (size > INT32_MAX) throw EVexException(10381, "Too many records for a record bitmap");
  bitmap.Bits.SetSize(int32_t(size));

  TVexIndex* index = indexOrder ? &IndexManager->GetIndex(cursor.ActiveIndexID) : nullptr;
  TVexMemoryBlock work(WorkBufferSize(*this, cursor), true);
  TVexMemoryBlock lastKept(WorkBufferSize(*this, cursor), true);
  bool kept = false;
  TVexNavigationRequest request;
  request.Mode = grmNext;
  request.IndexID = cursor.ActiveIndexID;
  request.RecordBuffer = work.Data();
  request.Bof = true;
  TVexIndexPositionCache cache;
  for (int64_t ordinal = 0;; ++ordinal) {
    if (index)
      IndexManager->NavigateByIndex(sessionID, request, &cache);
    else
      RecordManager->NavigateRecord(sessionID, request);
    if (request.Result != vnrFound) break;
    request.Bof = request.Eof = false;
    if (!RecordPasses(cursor, work.Data())) continue;
    // Key positioning: one row per distinct key.
    if (index && cursor.HasKeyFields() && kept &&
        index->CompareRecordKeys(work.Data(), lastKept.Data(), cursor.KeyFieldCount) == 0)
      continue;
    const int64_t bit = index ? ordinal : RecordIdToNumber(request.RecordID);
    if (bit < 0 || bit >= bitmap.Bits.BitCount())
      bitmap.Bits.SetSize(int32_t(std::min<int64_t>(INT32_MAX, bit + 1)));
    bitmap.Bits.SetBit(int32_t(bit), true);
    std::memcpy(lastKept.Data(), work.Data(), size_t(lastKept.Size()));
    kept = true;
  }
  bitmap.MarkBuilt();
}

int64_t TVexTableData::GetCursorRecordCount(TVexCursor& cursor) {
  TTableLock lock(*this);
  if (cursor.IsRestricted()) {
    BuildRecordBitmap(cursor);
    return cursor.RecordBitmap->Bits.SetBitCount();
  }
  return GetRecordCount(cursor);
}

int64_t TVexTableData::GetRecordNumber(TVexCursor& cursor) {
  TTableLock lock(*this);
  CheckManagers(*this);
  const int32_t sessionID = CursorSessionID(cursor);
  if (cursor.IsRestricted()) {
    if (cursor.Bof || cursor.Eof) return -1;
    BuildRecordBitmap(cursor);
    const TVexRecordBitmap& bitmap = *cursor.RecordBitmap;
    const int64_t bit = bitmap.IndexOrder
                            ? IndexManager->GetIndex(cursor.ActiveIndexID)
                                      .GetRecordNumber(sessionID, cursor.CurrentRecordID,
                                                       cursor.RecordBuffer.Data()) -
                                  1
                            : RecordIdToNumber(cursor.CurrentRecordID);
    if (bit < 0 || bit >= bitmap.Bits.BitCount() || !bitmap.Bits.GetBit(int32_t(bit))) return -1;
    return int64_t(bitmap.Bits.OrdinalOfSetBit(int32_t(bit))) + 1;
  }
  if (cursor.HasActiveIndex())
    return IndexManager->GetIndex(cursor.ActiveIndexID)
        .GetRecordNumber(sessionID, cursor.CurrentRecordID, cursor.RecordBuffer.Data());
  return GetPhysicalRecordNumber(cursor);
}

void TVexTableData::GoToRecordNumber(TVexCursor& cursor, int64_t recordNumber) {
  TTableLock lock(*this);
  CheckManagers(*this);
  const int32_t sessionID = CursorSessionID(cursor);
  TVexRecordIDBytes recordID{};
  if (cursor.IsRestricted()) {
    BuildRecordBitmap(cursor);
    const TVexRecordBitmap& bitmap = *cursor.RecordBitmap;
    const int32_t bit = recordNumber >= 1 && recordNumber <= bitmap.Bits.SetBitCount()
                            ? bitmap.Bits.SetBitByOrdinal(int32_t(recordNumber - 1))
                            : -1;
    if (bit < 0) throw EVexException(20113, "Cannot set RecNo greater than RecordCount");
    if (bitmap.IndexOrder)
      IndexManager->GetIndex(cursor.ActiveIndexID).GoToRecordNumber(sessionID, recordID, bit + 1);
    else
      recordID = NumberToRecordId(bit);
  } else if (cursor.HasActiveIndex()) {
    IndexManager->GetIndex(cursor.ActiveIndexID)
        .GoToRecordNumber(sessionID, recordID, recordNumber);
  } else {
    GoToPhysicalRecordNumber(cursor, recordNumber);
    return;
  }
  if (!ReadCurrent(*this, cursor, recordID))
    throw EVexException(20253, "Cannot retreive record for index");
}
