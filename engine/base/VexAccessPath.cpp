// Merging of search conditions and the choice of access path.
#include "engine/base/VexAccessPath.h"

#include <algorithm>
#include <map>
#include <vector>

#include "engine/base/VexCursor.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexIndex.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexIndexManager.h"
#include "engine/base/VexRecordManager.h"
#include "engine/base/VexScanSearchCondition.h"
#include "engine/base/VexTableData.h"
#include "engine/base/VexTypesRoutines.h"

namespace {

enum class TBoundKind { Equal, Low, High, Other };

TBoundKind KindOf(const TVexScanSearchCondition& c) {
  switch (c.CompareType) {
    case vscEqual:
      return TBoundKind::Equal;
    case vscGreater:
    case vscGreaterOrEqual:
      return TBoundKind::Low;
    case vscLess:
    case vscLessOrEqual:
      return TBoundKind::High;
    default:
      return TBoundKind::Other;
  }
}

bool Holds(int32_t comparison, uint8_t compareType) {
  switch (compareType) {
    case vscEqual:
      return comparison == 0;
    case vscLess:
      return comparison < 0;
    case vscGreater:
      return comparison > 0;
    case vscLessOrEqual:
      return comparison <= 0;
    case vscGreaterOrEqual:
      return comparison >= 0;
    default:
      return true;
  }
}

bool IsKeyCondition(const TVexScanSearchCondition& c) {
  return c.HasIndex() && c.KeyBuffer != nullptr && KindOf(c) != TBoundKind::Other;
}

// The outcome of merging two conditions on one index.
enum class TMerge { Keep, DropFirst, DropSecond, Contradiction };

TMerge MergePair(TVexIndex& index, const TVexScanSearchCondition& a,
                 const TVexScanSearchCondition& b) {
  const TBoundKind ka = KindOf(a), kb = KindOf(b);
  if (a.KeyFieldCount != b.KeyFieldCount) {
    // Only an equality that covers at least the bound's key fields can decide the bound.
    const TVexScanSearchCondition* equal = nullptr;
    const TVexScanSearchCondition* bound = nullptr;
    if (ka == TBoundKind::Equal && kb != TBoundKind::Equal) equal = &a, bound = &b;
    if (kb == TBoundKind::Equal && ka != TBoundKind::Equal) equal = &b, bound = &a;
    if (!equal || equal->KeyFieldCount < bound->KeyFieldCount) return TMerge::Keep;
    const int32_t c =
        index.CompareRecordKeys(equal->KeyBuffer, bound->KeyBuffer, bound->KeyFieldCount);
    if (!Holds(c, bound->CompareType)) return TMerge::Contradiction;
    return bound == &a ? TMerge::DropFirst : TMerge::DropSecond;
  }
  const int32_t c = index.CompareRecordKeys(a.KeyBuffer, b.KeyBuffer, a.KeyFieldCount);
  if (ka == TBoundKind::Equal && kb == TBoundKind::Equal)
    return c == 0 ? TMerge::DropSecond : TMerge::Contradiction;
  if (ka == TBoundKind::Equal)
    return Holds(c, b.CompareType) ? TMerge::DropSecond : TMerge::Contradiction;
  if (kb == TBoundKind::Equal)
    return Holds(-c, a.CompareType) ? TMerge::DropFirst : TMerge::Contradiction;
  if (ka == kb) {
    // Two bounds of one kind: the tighter stays; at equal keys the exclusive one.
    const bool aExclusive = a.CompareType == vscGreater || a.CompareType == vscLess;
    const bool bExclusive = b.CompareType == vscGreater || b.CompareType == vscLess;
    if (c == 0) return aExclusive || !bExclusive ? TMerge::DropSecond : TMerge::DropFirst;
    const bool aTighter = ka == TBoundKind::Low ? c > 0 : c < 0;
    return aTighter ? TMerge::DropSecond : TMerge::DropFirst;
  }
  // A lower and an upper bound form a range, unless it is empty.
  const TVexScanSearchCondition& low = ka == TBoundKind::Low ? a : b;
  const TVexScanSearchCondition& high = ka == TBoundKind::Low ? b : a;
  const int32_t lowToHigh = ka == TBoundKind::Low ? c : -c;
  if (lowToHigh > 0) return TMerge::Contradiction;
  if (lowToHigh == 0 && (low.CompareType == vscGreater || high.CompareType == vscLess))
    return TMerge::Contradiction;
  return TMerge::Keep;
}

}  // namespace

bool KeyConditionHolds(TVexIndex& index, const uint8_t* recordBuffer,
                       const TVexScanSearchCondition& condition) {
  if (!condition.KeyBuffer) return true;
  return Holds(index.CompareRecordKeys(recordBuffer, condition.KeyBuffer, condition.KeyFieldCount),
               condition.CompareType);
}

bool MergeSearchConditions(TVexTableData& table, TVexScanSearchConditionArray& conditions) {
  // Duplicates: the same expression twice, or the same bound twice.
  for (int32_t i = 0; i < conditions.Count(); ++i)
    for (int32_t j = conditions.Count() - 1; j > i; --j) {
      const TVexScanSearchCondition& a = conditions.Item(i);
      const TVexScanSearchCondition& b = conditions.Item(j);
      if (!a.HasIndex() && !b.HasIndex() && a.Expression == b.Expression) conditions.Delete(j);
    }
  bool merged = true;
  while (merged) {
    merged = false;
    for (int32_t i = 0; i < conditions.Count() && !merged; ++i) {
      for (int32_t j = i + 1; j < conditions.Count() && !merged; ++j) {
        const TVexScanSearchCondition& a = conditions.Item(i);
        const TVexScanSearchCondition& b = conditions.Item(j);
        if (!IsKeyCondition(a) || !IsKeyCondition(b) || a.IndexID != b.IndexID) continue;
        if (a.Expression || b.Expression) continue;  // also tested by their expression
        TVexIndex& index = table.IndexManager->GetIndex(a.IndexID);
        switch (MergePair(index, a, b)) {
          case TMerge::Keep:
            break;
          case TMerge::DropFirst:
            conditions.Delete(i);
            merged = true;
            break;
          case TMerge::DropSecond:
            conditions.Delete(j);
            merged = true;
            break;
          case TMerge::Contradiction:
            return false;
        }
      }
    }
  }
  // Index conditions first, expression-only conditions after them, each in their order.
  std::vector<std::unique_ptr<TVexScanSearchCondition>> indexed, expressions;
  while (conditions.Count() > 0) {
    auto c = conditions.Extract(0);
    (c->HasIndex() ? indexed : expressions).push_back(std::move(c));
  }
  for (auto& c : indexed) conditions.Add(std::move(c));
  for (auto& c : expressions) conditions.Add(std::move(c));
  return true;
}

TVexAccessPath ChooseAccessPath(TVexTableData& table, TVexCursor& cursor,
                                const TVexScanSearchConditionArray& conditions) {
  // The bounds of each index: the first lower (or equality) and upper (or equality) bound.
  std::map<int32_t, TVexAccessPath> candidates;
  std::vector<int32_t> order;
  for (int32_t i = 0; i < conditions.Count(); ++i) {
    const TVexScanSearchCondition& c = conditions.Item(i);
    if (!IsKeyCondition(c)) continue;
    auto [it, added] = candidates.try_emplace(c.IndexID);
    if (added) {
      it->second.IndexID = c.IndexID;
      order.push_back(c.IndexID);
    }
    const TBoundKind kind = KindOf(c);
    if ((kind == TBoundKind::Equal || kind == TBoundKind::Low) && !it->second.Low)
      it->second.Low = &c;
    if ((kind == TBoundKind::Equal || kind == TBoundKind::High) && !it->second.High)
      it->second.High = &c;
  }
  if (candidates.empty()) return {};

  const TVexIndexDefs& defs = table.IndexManager->IndexDefs();
  const TVexFieldDefs& fields = table.FieldManager->FieldDefs();
  // A whole-key equality on an index that cannot hold two equal keys finds one row at once.
  for (int32_t indexID : order) {
    const TVexAccessPath& path = candidates[indexID];
    if (!path.Low || path.Low->CompareType != vscEqual) continue;
    const TVexIndexDef* def = defs.FindByObjectID(indexID);
    if (!def || def->Columns.empty()) continue;
    const TVexFieldDef* first = fields.FindByName(def->Columns[0].FieldName);
    const bool unique = def->IsUnique() || (first && IsAutoIncDataType(first->DataType()));
    if (unique && path.Low->KeyFieldCount >= def->ColumnCount())
      return {indexID, path.Low, path.Low};
  }
  if (candidates.size() == 1 && order[0] == cursor.ActiveIndexID) return candidates[order[0]];

  const int32_t sessionID = CursorSessionID(cursor);
  const double recordCount = double(table.RecordManager->RecordCount);
  const double pageSize = table.CostPageSize > 0 ? table.CostPageSize : 4096;
  const double recordSize = table.RecordManager->StoredRecordSize > 0
                                ? table.RecordManager->StoredRecordSize
                                : fields.StoredRecordSize();
  TVexAccessPath best;
  double bestCost = 0;
  for (int32_t indexID : order) {
    const TVexAccessPath& path = candidates[indexID];
    TVexIndex& index = table.IndexManager->GetIndex(indexID);
    const double keys = double(
        index.EstimateRange(sessionID, path.Low, path.High, table.RecordManager->RecordCount));
    int32_t entriesPerPage = 0, rest = 0;
    index.GetEntriesPerPage(entriesPerPage, rest);
    const double keyPages = keys / std::max(entriesPerPage, 1);
    // Rows must be read when something besides these bounds decides.
    bool undecided = bool(cursor.RecordFilter);
    for (int32_t i = 0; i < conditions.Count() && !undecided; ++i) {
      const TVexScanSearchCondition& c = conditions.Item(i);
      undecided = &c != path.Low && &c != path.High;
    }
    double cost = keyPages + (undecided ? keys * recordSize / pageSize : 0);
    if (indexID != cursor.ActiveIndexID) cost += keyPages;
    if (best.IndexID == -1 || cost < bestCost) {
      best = path;
      bestCost = cost;
    }
  }
  if (bestCost >= recordCount) return {};
  double estimate = 0;
  if (!cursor.Bof && !cursor.Eof)
    estimate = std::max<double>(
        0, double(table.RecordManager->EstimateRecordNumber(sessionID, cursor.CurrentRecordID)));
  const double remaining = std::max(0.0, recordCount - estimate);
  const double scanCost = cursor.HasActiveIndex() ? remaining : remaining * recordSize / pageSize;
  if (scanCost < bestCost) return {};
  return best;
}
