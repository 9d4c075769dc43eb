// The base of every index: its own copy of its definition and the order of two conditions.
#include "engine/base/VexIndex.h"

#include "engine/base/VexIndexDef.h"
#include "engine/base/VexScanSearchCondition.h"

TVexIndex::TVexIndex(TVexBaseIndexManager* indexManager) : IndexManager(indexManager) {}

TVexIndex::~TVexIndex() = default;

void TVexIndex::CreateIndex(TVexCursor* /*cursor*/, const TVexIndexDef& indexDef) {
  auto copy = std::make_unique<TVexIndexDef>();
  copy->AssignDef(indexDef);
  IndexDef_ = std::move(copy);
}

void TVexIndex::OpenIndex(const TVexIndexDef& indexDef) {
  TVexIndex::CreateIndex(nullptr, indexDef);
}

void TVexIndex::FreeKeyPath(TVexOwned<TVexKeyPath>& path) {
  path.reset();
}

void TVexIndex::FreeScanState(TVexOwned<TVexScanState>& state) {
  state.reset();
}

int32_t TVexIndex::ConditionOrder(const TVexScanSearchCondition& a,
                                  const TVexScanSearchCondition& /*b*/) {
  switch (a.CompareType) {
    case vscGreater:
    case vscGreaterOrEqual:
      return -1;
    case vscLess:
    case vscLessOrEqual:
      return 1;
    default:
      return 0;
  }
}
