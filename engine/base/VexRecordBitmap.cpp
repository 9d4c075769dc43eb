// The record bitmap's stamp against the table's change counter.
#include "engine/base/VexRecordBitmap.h"

#include "engine/base/VexTableData.h"

bool TVexRecordBitmap::IsStale() const {
  return ChangeCounter == -1 || !Table || Table->ChangeCounter() != ChangeCounter;
}

void TVexRecordBitmap::Reset() {
  Bits.SetSize(0);
  Complete = false;
  IndexOrder = false;
  ChangeCounter = -1;
}

void TVexRecordBitmap::MarkBuilt() {
  ChangeCounter = Table ? Table->ChangeCounter() : -1;
  Complete = true;
}
