// The constraint manager: the check of a row against the table's constraints, and the
// naming and resolving of constraint definitions.
#include "engine/base/VexConstraintManager.h"

#include <random>

#include "engine/base/VexConstraintDef.h"
#include "engine/base/VexExcept.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexIndex.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexIndexManager.h"
#include "engine/base/VexMemory.h"
#include "engine/base/VexRecordLayout.h"
#include "engine/base/VexRecordManager.h"
#include "engine/base/VexTableData.h"

namespace {

const TVexFieldDef* FieldOfColumn(const TVexFieldDefs& fields, const TVexConstraintColumn& column) {
  if (const TVexFieldDef* field = fields.FindByObjectID(column.FieldID)) return field;
  return fields.FindByName(column.FieldName);
}

int32_t FieldPosition(const TVexFieldDefs& fields, const TVexFieldDef& field) {
  return fields.IndexOfObjectID(field.ObjectID);
}

std::string JoinColumnNames(const TVexConstraintDefUnique& constraint) {
  std::string names;
  for (const TVexConstraintColumn& column : constraint.Columns) {
    if (!names.empty()) names += ",";
    names += column.FieldName;
  }
  return names;
}

uint32_t RandomBelow(uint32_t limit) {
  thread_local std::mt19937 generator{std::random_device{}()};
  return std::uniform_int_distribution<uint32_t>(0, limit - 1)(generator);
}

}  // namespace

TVexBaseConstraintManager::TVexBaseConstraintManager(TVexTableData* table)
    : Table(table), ConstraintDefs_(std::make_unique<TVexConstraintDefs>()) {}

TVexBaseConstraintManager::~TVexBaseConstraintManager() = default;

void TVexBaseConstraintManager::AssignDefs(const TVexConstraintDefs& constraintDefs) {
  ConstraintDefs_->AssignDefs(constraintDefs);
}

bool TVexBaseConstraintManager::CheckRecord(int32_t sessionID, const uint8_t* recordBuffer,
                                            bool inserting, const TVexRecordIDBytes& recordID,
                                            bool raiseError) {
  if (!Table || !Table->FieldManager) throw EVexException(10378, "Nil pointer occured");
  const TVexFieldDefs& fields = Table->FieldManager->FieldDefs();
  // The first failure: raised, or answered as false.
  auto fail = [&](int32_t code, std::string_view format, std::initializer_list<TVarRec> args) {
    if (raiseError) throw EVexException(code, format, args);
    return false;
  };
  // Whether the row is unique in the constraint's backing index.
  auto isUnique = [&](const TVexConstraintDef& constraint) {
    if (!Table->RecordManager || Table->RecordManager->RecordCount == 0) return true;
    if (!Table->IndexManager) throw EVexException(10379, "Nil pointer occured");
    TVexIndex& index = Table->IndexManager->GetIndex(constraint.References[2].ID);
    if (inserting) return index.CheckUnique(sessionID, recordBuffer);
    // The stored row being replaced.
    TVexMemoryBlock oldRecord(fields.RecordBufferSize() + 7, true);
    TVexNavigationRequest request;
    request.Mode = 0;
    request.RecordID = recordID;
    request.RecordBuffer = oldRecord.Data();
    Table->RecordManager->NavigateRecord(sessionID, request);
    if (request.Result != vnrFound) return index.CheckUnique(sessionID, recordBuffer);
    return index.CheckUniqueOnUpdate(sessionID, oldRecord.Data(), recordBuffer);
  };

  for (int32_t i = 0; i < ConstraintDefs_->Count(); ++i) {
    const TVexConstraintDef& constraint = (*ConstraintDefs_)[i];
    switch (constraint.ConstraintType()) {
      case vctPrimaryKey: {
        const auto& primary = static_cast<const TVexConstraintDefUnique&>(constraint);
        bool allNull = true;
        for (const TVexConstraintColumn& column : primary.Columns) {
          const TVexFieldDef* field = FieldOfColumn(fields, column);
          if (!field) throw EVexException(30025, "Field #%d not found", {column.FieldID});
          if (!GetNullBit(recordBuffer, FieldPosition(fields, *field))) allNull = false;
        }
        if (allNull)
          return fail(30330, "Constraint '%s' violated. Value in field '%s' cannot be null",
                      {constraint.Name, JoinColumnNames(primary)});
        if (!isUnique(constraint))
          return fail(30319, "Primary Key constraint '%s' violated. Duplicate found.",
                      {constraint.Name});
        break;
      }
      case vctUnique:
        if (!isUnique(constraint))
          return fail(30320, "Constraint unique '%s' violated. Duplicate found.",
                      {constraint.Name});
        break;
      case vctNotNull: {
        const TVexFieldDef* field = fields.FindByObjectID(constraint.References[2].ID);
        if (!field)
          throw EVexException(30024, "Field #%d not found", {constraint.References[2].ID});
        if (GetNullBit(recordBuffer, FieldPosition(fields, *field)))
          return fail(30026, "Constraint '%s' violated. Value in field '%s' cannot be null",
                      {constraint.Name, field->Name});
        break;
      }
      case vctCheck: {
        const auto& check = static_cast<const TVexConstraintDefCheck&>(constraint);
        const TVexFieldDef* field = fields.FindByObjectID(constraint.References[2].ID);
        if (!field)
          throw EVexException(30027, "Field #%d not found", {constraint.References[2].ID});
        if (GetNullBit(recordBuffer, FieldPosition(fields, *field))) break;
        TVexVariant value;
        value.SetFromBuffer(recordBuffer + field->RecordBufferOffset(), field->RecordBufferSize(),
                            false, field->StorageType());
        if (!check.MinValue.IsNull() && check.MinValue.Compare(value) == 2)
          return fail(30029,
                      "Constraint '%s' violated. Value in field '%s' cannot be lower than '%s'",
                      {constraint.Name, field->Name, check.MinValue.AsString()});
        if (!check.MaxValue.IsNull() && check.MaxValue.Compare(value) == 1)
          return fail(30030,
                      "Constraint '%s' violated. Value in field '%s' cannot be greater than '%s'",
                      {constraint.Name, field->Name, check.MaxValue.AsString()});
        break;
      }
      default:
        throw EVexException(30036, "Not implemented yet");
    }
  }
  return true;
}

void TVexBaseConstraintManager::ResolveIds() {
  if (!Table || !Table->FieldManager) return;
  const TVexFieldDefs& fields = Table->FieldManager->FieldDefs();
  const TVexIndexDefs* indexes = Table->IndexManager ? &Table->IndexManager->IndexDefs() : nullptr;
  for (int32_t i = 0; i < ConstraintDefs_->Count(); ++i) {
    TVexConstraintDef& constraint = (*ConstraintDefs_)[i];
    TVexConstraintReference& about = constraint.References[2];
    if (constraint.ConstraintType() == vctNotNull || constraint.ConstraintType() == vctCheck) {
      if (const TVexFieldDef* field = fields.FindByName(about.Name)) about.ID = field->ObjectID;
      continue;
    }
    auto& unique = static_cast<TVexConstraintDefUnique&>(constraint);
    if (indexes)
      if (const TVexIndexDef* index = indexes->FindByName(about.Name)) about.ID = index->ObjectID;
    for (TVexConstraintColumn& column : unique.Columns)
      if (const TVexFieldDef* field = fields.FindByName(column.FieldName))
        column.FieldID = field->ObjectID;
  }
}

void TVexBaseConstraintManager::GenerateNames() {
  for (int32_t i = 0; i < ConstraintDefs_->Count(); ++i) {
    TVexConstraintDef& constraint = (*ConstraintDefs_)[i];
    if (!constraint.Name.empty()) continue;
    const char* kind = constraint.ConstraintType() == vctCheck ? "C_Check" : "C_NotNull";
    const std::string base = std::string("$") + kind + "$" + constraint.References[1].Name + "$" +
                             constraint.References[2].Name;
    std::string name = base;
    while (ConstraintDefs_->IndexOfName(name) >= 0)
      name = base + std::to_string(RandomBelow(65535));
    constraint.Name = name;
  }
}
