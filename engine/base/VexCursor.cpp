// The abstract cursor's own state: definitions and record buffer geometry, record buffers and
// their trailer, projections, saved positions, the active index and the range.
#include "engine/base/VexCursor.h"

#include <cstring>

#include "engine/base/VexExcept.h"
#include "engine/base/VexRecordLayout.h"

TVexCursor::TVexCursor() = default;
TVexCursor::~TVexCursor() = default;

void TVexCursor::RenameField(const std::string& oldName, const std::string& newName) {
  TVexFieldDefs* visible = VisibleFieldDefs.get();
  const int32_t index = visible ? visible->IndexOfName(oldName) : -1;
  if (index < 0) throw EVexException(30345, "Field '%s' not found", {oldName});
  const int32_t existing = visible->IndexOfName(newName);
  if (existing >= 0 && existing != index)
    throw EVexException(30346, "Cannot rename field '%s'. Field '%s' already exists",
                        {oldName, newName});
  (*visible)[index].Name = newName;
}

TVexIndexDefs& TVexCursor::GetIndexDefs() {
  if (!IndexDefs) IndexDefs = std::make_unique<TVexIndexDefs>();
  return *IndexDefs;
}

void TVexCursor::InitRecord(uint8_t* buffer, bool /*applyDefaults*/) {
  if (!buffer) return;
  std::memset(buffer, 0, size_t(DataSize));
  std::memset(buffer, 0xFF, size_t(NullBitmapSize(FieldDefs ? FieldDefs->Count() : 0)));
}

void TVexCursor::FreeRecordBuffer(TVexMemoryBlock& buffer) {
  buffer.Reset();
}

void TVexCursor::SetupFieldDefs(const TVexFieldDefs& tableFields,
                                const TVexConstraintDefs& tableConstraints) {
  auto physical = std::make_unique<TVexFieldDefs>();
  physical->AssignDefs(tableFields);
  for (int32_t i = 0; i < physical->Count(); ++i) (*physical)[i].FieldNo = i;
  physical->CalculateLayout();

  const int32_t count = physical->Count();
  FirstFieldOffset = count > 0 ? (*physical)[0].RecordBufferOffset() : 0;
  DataSize = count > 0 ? (*physical)[count - 1].RecordBufferOffset() +
                             (*physical)[count - 1].RecordBufferSize()
                       : 0;
  PositionOffset = DataSize;
  RecordSizeWithPosition = DataSize + kVexRecordIDSize;
  RecordBufferSize = DataSize + kVexRecordIDSize + 1;

  if (!VisibleFieldsGiven) {
    auto visible = std::make_unique<TVexFieldDefs>();
    visible->AssignDefs(*physical);
    visible->CalculateLayout();
    for (int32_t i = 0; i < visible->Count(); ++i) (*visible)[i].FieldNo = i;
    VisibleFieldDefs = std::move(visible);
  }
  FieldDefs = std::move(physical);

  auto constraints = std::make_unique<TVexConstraintDefs>();
  constraints->AssignDefs(tableConstraints);
  ConstraintDefs = std::move(constraints);
}

void TVexCursor::SetIndexName(const std::string& indexName) {
  IndexName = indexName;
  const TVexIndexDef* def = IndexDefs ? IndexDefs->FindByName(indexName) : nullptr;
  ActiveIndexID = def ? def->ObjectID : -1;
}

TVexMemoryBlock TVexCursor::AllocRecordBuffer() const {
  return TVexMemoryBlock(RecordBufferSize, true);
}

TVexMemoryBlock TVexCursor::AllocKeyBuffer() const {
  return TVexMemoryBlock(RecordSizeWithPosition, true);
}

void TVexCursor::ClearKeyBuffer(uint8_t* keyBuffer) const {
  if (keyBuffer) std::memset(keyBuffer, 0, size_t(RecordSizeWithPosition));
}

TVexRecordIDBytes TVexCursor::GetRecordID(const uint8_t* buffer) const {
  TVexRecordIDBytes id;
  std::memcpy(id.data(), buffer + PositionOffset, id.size());
  return id;
}

void TVexCursor::SetRecordID(uint8_t* buffer, const TVexRecordIDBytes& recordID) const {
  std::memcpy(buffer + PositionOffset, recordID.data(), recordID.size());
}

uint8_t TVexCursor::GetRecordStatus(const uint8_t* buffer) const {
  return buffer[PositionOffset + kVexRecordIDSize];
}

void TVexCursor::SetRecordStatus(uint8_t* buffer, uint8_t status) const {
  buffer[PositionOffset + kVexRecordIDSize] = status;
}

void TVexCursor::SetProjection(const std::vector<std::string>& sourceNames,
                               const std::vector<std::string>& newNames) {
  CheckListLengths(sourceNames.size(), newNames.size(), 10321);
  if (sourceNames.empty())
    throw EVexException(10322, "No fields were specified while setting projection");
  auto visible = std::make_unique<TVexFieldDefs>();
  for (size_t i = 0; i < sourceNames.size(); ++i) {
    const int32_t fieldNo = FieldDefs ? FieldDefs->IndexOfName(sourceNames[i]) : -1;
    if (fieldNo < 0) throw EVexException(10323, "Cannot find field %s", {sourceNames[i]});
    TVexFieldDef& def = visible->AddFieldDef();
    def.AssignDef((*FieldDefs)[fieldNo]);
    def.FieldNo = fieldNo;
    if (newNames[i].empty()) continue;
    // A new name that an earlier visible field already has gets "_1", "_2" ... appended.
    auto takenBefore = [&](const std::string& name) {
      const int32_t k = visible->IndexOfName(name);
      return k >= 0 && k < int32_t(i);
    };
    std::string name = newNames[i];
    for (int suffix = 1; takenBefore(name); ++suffix)
      name = newNames[i] + "_" + std::to_string(suffix);
    def.Name = name;
  }
  VisibleFieldDefs = std::move(visible);
  VisibleFieldsGiven = true;
}

TVexMemoryBlock TVexCursor::SavePosition() const {
  TVexMemoryBlock position(kVexSavedPositionSize, true);
  position.Data()[0] = Bof;
  position.Data()[1] = Eof;
  std::memcpy(position.Data() + 2, CurrentRecordID.data(), CurrentRecordID.size());
  return position;
}

void TVexCursor::RestorePosition(const TVexMemoryBlock& position) {
  if (!position) return;
  Bof = position.Data()[0] != 0;
  Eof = position.Data()[1] != 0;
  std::memcpy(CurrentRecordID.data(), position.Data() + 2, CurrentRecordID.size());
}

void TVexCursor::SetRangeBuffers(const uint8_t* start, const uint8_t* end, bool endExclusive,
                                 bool startExclusive, int32_t endKeyCount, int32_t startKeyCount) {
  auto copyKey = [this](const uint8_t* key) {
    TVexMemoryBlock block;
    if (key) {
      block = AllocKeyBuffer();
      std::memcpy(block.Data(), key, size_t(RecordSizeWithPosition));
    }
    return block;
  };
  RangeStart = copyKey(start);
  RangeEnd = copyKey(end);
  RangeEndExclusive = endExclusive;
  RangeStartExclusive = startExclusive;
  RangeEndKeyCount = endKeyCount;
  RangeStartKeyCount = startKeyCount;
  ResetRecordBitmap();
}

void TVexCursor::ClearRange() {
  RangeStart.Reset();
  RangeEnd.Reset();
  RangeStartExclusive = RangeEndExclusive = false;
  RangeStartKeyCount = RangeEndKeyCount = 0;
  ResetRecordBitmap();
}
