// The base of every metadata definition and the owning list of definitions.
#include "engine/base/VexMetaObjectDef.h"

#include <typeinfo>

#include "engine/base/VexExcept.h"
#include "engine/base/VexStrUtils.h"

namespace {
// Error codes of the stored form of the base part and of list counts.
constexpr int32_t kReadNameLength = 10166, kReadName = 10167, kReadObjectID = 10169;
constexpr int32_t kWriteNameLength = 10164, kWriteName = 10165, kWriteObjectID = 10168;
constexpr int32_t kReadCount = 10159, kWriteCount = 10158;
}  // namespace

bool SameDefName(const std::string& a, const std::string& b) {
  // Case mapping keeps the length, so texts of different length never match.
  return a.size() == b.size() && VexAnsiUpperCase(a) == VexAnsiUpperCase(b);
}

void TVexMetaObjectDef::CheckSameClass(const TVexMetaObjectDef& source) const {
  if (typeid(source) != typeid(*this))
    throw EVexException(30035, "Cannot assign definition of class '%s' to class '%s'",
                        {source.ClassName(), ClassName()});
}

void TVexMetaObjectDef::AssignDef(const TVexMetaObjectDef& source) {
  CheckSameClass(source);
  Name = source.Name;
  ObjectID = source.ObjectID;
  Description = source.Description;
  Tag = source.Tag;
}

void TVexMetaObjectDef::LoadFromStream(TVexStream& stream) {
  Name = ReadStoredShortString(stream, kReadNameLength, kReadName);
  ObjectID = ReadStoredInt32(stream, kReadObjectID);
}

void TVexMetaObjectDef::SaveToStream(TVexStream& stream) const {
  WriteStoredShortString(stream, Name, kWriteNameLength, kWriteName);
  WriteStoredInt32(stream, ObjectID, kWriteObjectID);
}

void TVexMetaObjectDefs::CheckIndex(int32_t index, bool allowEnd) const {
  if (index < 0 || index > Count() - (allowEnd ? 0 : 1))
    throw EVexException(10006, "List index out of bounds (%d)", {index});
}

void TVexMetaObjectDefs::CheckAccepted(const TVexMetaObjectDef* def) const {
  if (!def) throw EVexException(30035, "Nil pointer occured");
  if (Accepts_ && !Accepts_(*def))
    throw EVexException(30035, "Cannot assign definition of class '%s' to class '%s'",
                        {def->ClassName(), ClassName()});
}

int32_t TVexMetaObjectDefs::LoadCount(TVexStream& stream) {
  const int32_t count = ReadStoredInt32(stream, kReadCount);
  if (count < 0) RaiseInvalidStoredValue("definition count", count);
  return count;
}

void TVexMetaObjectDefs::AddDef(std::unique_ptr<TVexMetaObjectDef> def) {
  CheckAccepted(def.get());
  Items_.push_back(std::move(def));
}

TVexMetaObjectDef& TVexMetaObjectDefs::AddNew() {
  throw EVexException(30339, "The method '%s' not overrided in class '%s'",
                      {"InternalAddCreated", ClassName()});
}

void TVexMetaObjectDefs::LoadFromStream(TVexStream& stream) {
  ClearDefs();
  const int32_t count = LoadCount(stream);
  // Definitions are added as they are read, so a damaged count costs nothing in advance.
  for (int32_t i = 0; i < count; ++i) AddNew().LoadFromStream(stream);
}

void TVexMetaObjectDefs::SaveToStream(TVexStream& stream) const {
  WriteStoredInt32(stream, Count(), kWriteCount);
  for (const auto& def : Items_) def->SaveToStream(stream);
}

void TVexMetaObjectDefs::AssignDefs(const TVexMetaObjectDefs& source) {
  if (&source == this) return;
  ClearDefs();
  for (const auto& def : source.Items_) {
    if (IndexOfName(def->Name) >= 0)
      throw EVexException(10424, "Duplicate field name %s", {def->Name});
    AddNew().AssignDef(*def);
  }
}

void TVexMetaObjectDefs::DeleteDef(int32_t index) {
  CheckIndex(index);
  Items_.erase(Items_.begin() + index);
}

void TVexMetaObjectDefs::InsertDef(int32_t index, std::unique_ptr<TVexMetaObjectDef> def) {
  CheckIndex(index, true);
  CheckAccepted(def.get());
  Items_.insert(Items_.begin() + index, std::move(def));
}

void TVexMetaObjectDefs::MoveDef(int32_t fromIndex, int32_t toIndex) {
  CheckIndex(fromIndex);
  CheckIndex(toIndex);
  auto def = std::move(Items_[fromIndex]);
  Items_.erase(Items_.begin() + fromIndex);
  Items_.insert(Items_.begin() + toIndex, std::move(def));
}

void TVexMetaObjectDefs::ClearDefs() {
  Items_.clear();
}

TVexMetaObjectDef& TVexMetaObjectDefs::GetDef(int32_t index) const {
  CheckIndex(index);
  return *Items_[index];
}

void TVexMetaObjectDefs::ReplaceDef(int32_t index, std::unique_ptr<TVexMetaObjectDef> def) {
  CheckIndex(index);
  CheckAccepted(def.get());
  Items_[index] = std::move(def);
}

int32_t TVexMetaObjectDefs::IndexOfName(const std::string& name) const {
  for (size_t i = 0; i < Items_.size(); ++i)
    if (SameDefName(Items_[i]->Name, name)) return int32_t(i);
  return -1;
}

TVexMetaObjectDef* TVexMetaObjectDefs::FindDefByName(const std::string& name) const {
  const int32_t i = IndexOfName(name);
  return i < 0 ? nullptr : Items_[i].get();
}

int32_t TVexMetaObjectDefs::IndexOfObjectID(int32_t objectID) const {
  for (size_t i = 0; i < Items_.size(); ++i)
    if (Items_[i]->ObjectID == objectID) return int32_t(i);
  return -1;
}

TVexMetaObjectDef* TVexMetaObjectDefs::FindDefByObjectID(int32_t objectID) const {
  const int32_t i = IndexOfObjectID(objectID);
  return i < 0 ? nullptr : Items_[i].get();
}
