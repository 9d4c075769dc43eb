// Constraint definitions and the constraint list, with their stored forms.
#include "engine/base/VexConstraintDef.h"

#include "engine/base/VexExcept.h"

namespace {
// Error codes of the members of a stored constraint (after its base part), and of its type byte.
constexpr int32_t kReadMember = 10389, kWriteMember = 10390;
constexpr int32_t kReadType = 10220, kWriteType = 10219;

// A text stored as a prefix L (1 or 4 bytes) = length + 1, then L bytes: length byte, characters.
std::string LoadPrefixedText(TVexStream& stream, bool widePrefix) {
  const int32_t size =
      widePrefix ? ReadStoredInt32(stream, kReadMember) : ReadStoredByte(stream, kReadMember);
  if (size < 1 || size > 256) RaiseInvalidStoredValue("constraint text size", size);
  const uint8_t length = ReadStoredByte(stream, kReadMember);
  if (length > size - 1) RaiseInvalidStoredValue("constraint text length", length);
  std::string text = ReadStoredChars(stream, length, kReadMember);
  ReadStoredChars(stream, size - 1 - length, kReadMember);
  return text;
}

void SavePrefixedText(TVexStream& stream, const std::string& text, bool widePrefix) {
  // The 1-byte prefix counts the length byte too, so it holds texts of up to 254 characters.
  CheckStoredTextLength(text, widePrefix ? 255 : 254);
  const int32_t size = int32_t(text.size()) + 1;
  if (widePrefix)
    WriteStoredInt32(stream, size, kWriteMember);
  else
    WriteStoredByte(stream, uint8_t(size), kWriteMember);
  WriteStoredByte(stream, uint8_t(text.size()), kWriteMember);
  WriteStoredChars(stream, text, kWriteMember);
}
}  // namespace

std::unique_ptr<TVexConstraintDef> TVexConstraintDef::Create(uint8_t constraintType) {
  switch (constraintType) {
    case vctPrimaryKey:
      return std::make_unique<TVexConstraintDefPrimary>();
    case vctUnique:
      return std::make_unique<TVexConstraintDefUnique>();
    case vctNotNull:
      return std::make_unique<TVexConstraintDefNotNull>();
    case vctCheck:
      return std::make_unique<TVexConstraintDefCheck>();
    default:
      throw EVexException(30316, "Unknown Constraint Type: '%d'", {constraintType});
  }
}

void TVexConstraintDef::AssignDef(const TVexMetaObjectDef& source) {
  TVexMetaObjectDef::AssignDef(source);
  const auto& s = static_cast<const TVexConstraintDef&>(source);
  for (int i = 0; i < 3; ++i) References[i] = s.References[i];
}

void TVexConstraintDef::LoadReferences(TVexStream& stream, bool widePrefix) {
  for (TVexConstraintReference& r : References) r.ID = ReadStoredInt32(stream, kReadMember);
  for (TVexConstraintReference& r : References) r.Name = LoadPrefixedText(stream, widePrefix);
}

void TVexConstraintDef::SaveReferences(TVexStream& stream, bool widePrefix) const {
  for (const TVexConstraintReference& r : References) WriteStoredInt32(stream, r.ID, kWriteMember);
  for (const TVexConstraintReference& r : References) SavePrefixedText(stream, r.Name, widePrefix);
}

void TVexConstraintDefNotNull::LoadFromStream(TVexStream& stream) {
  TVexMetaObjectDef::LoadFromStream(stream);
  LoadReferences(stream, false);
}

void TVexConstraintDefNotNull::SaveToStream(TVexStream& stream) const {
  TVexMetaObjectDef::SaveToStream(stream);
  SaveReferences(stream, false);
}

void TVexConstraintDefCheck::AssignDef(const TVexMetaObjectDef& source) {
  TVexConstraintDef::AssignDef(source);
  const auto& s = static_cast<const TVexConstraintDefCheck&>(source);
  MinValue.Assign(s.MinValue, true);
  MaxValue.Assign(s.MaxValue, true);
}

void TVexConstraintDefCheck::LoadFromStream(TVexStream& stream) {
  TVexMetaObjectDef::LoadFromStream(stream);
  LoadReferences(stream, false);
  MinValue.LoadFromStream(stream);
  MaxValue.LoadFromStream(stream);
}

void TVexConstraintDefCheck::SaveToStream(TVexStream& stream) const {
  TVexMetaObjectDef::SaveToStream(stream);
  SaveReferences(stream, false);
  MinValue.SaveToStream(stream);
  MaxValue.SaveToStream(stream);
}

void TVexConstraintDefUnique::AssignDef(const TVexMetaObjectDef& source) {
  TVexConstraintDef::AssignDef(source);
  Columns = static_cast<const TVexConstraintDefUnique&>(source).Columns;
}

void TVexConstraintDefUnique::LoadFromStream(TVexStream& stream) {
  TVexMetaObjectDef::LoadFromStream(stream);
  LoadReferences(stream, true);
  const int32_t count = ReadStoredInt32(stream, kReadMember);
  if (count < 0) RaiseInvalidStoredValue("constraint column count", count);
  Columns.clear();
  for (int32_t i = 0; i < count; ++i) {
    TVexConstraintColumn& column = Columns.emplace_back();
    column.FieldID = ReadStoredInt32(stream, kReadMember);
    column.FieldName = LoadPrefixedText(stream, true);
  }
}

void TVexConstraintDefUnique::SaveToStream(TVexStream& stream) const {
  TVexMetaObjectDef::SaveToStream(stream);
  SaveReferences(stream, true);
  WriteStoredInt32(stream, int32_t(Columns.size()), kWriteMember);
  for (const TVexConstraintColumn& column : Columns) {
    WriteStoredInt32(stream, column.FieldID, kWriteMember);
    SavePrefixedText(stream, column.FieldName, true);
  }
}

void TVexConstraintDefs::LoadFromStream(TVexStream& stream) {
  ClearDefs();
  const int32_t count = LoadCount(stream);
  for (int32_t i = 0; i < count; ++i) {
    auto def = TVexConstraintDef::Create(ReadStoredByte(stream, kReadType));
    def->LoadFromStream(stream);
    AddDef(std::move(def));
  }
}

void TVexConstraintDefs::SaveToStream(TVexStream& stream) const {
  WriteStoredInt32(stream, Count(), 10158);
  for (int32_t i = 0; i < Count(); ++i) {
    const TVexConstraintDef& def = (*this)[i];
    WriteStoredByte(stream, def.ConstraintType(), kWriteType);
    def.SaveToStream(stream);
  }
}

void TVexConstraintDefs::AssignDefs(const TVexMetaObjectDefs& source) {
  if (&source == this) return;
  ClearDefs();
  for (int32_t i = 0; i < source.Count(); ++i) {
    const auto* from = dynamic_cast<const TVexConstraintDef*>(&source.GetDef(i));
    if (!from)
      throw EVexException(30035, "Cannot assign definition of class '%s' to class '%s'",
                          {source.GetDef(i).ClassName(), ClassName()});
    auto def = TVexConstraintDef::Create(from->ConstraintType());
    def->AssignDef(*from);
    AddDef(std::move(def));
  }
}

template <class D>
D& TVexConstraintDefs::Append() {
  auto def = std::make_unique<D>();
  D& ref = *def;
  AddDef(std::move(def));
  return ref;
}

TVexConstraintDefNotNull& TVexConstraintDefs::AddNotNull() {
  return Append<TVexConstraintDefNotNull>();
}
TVexConstraintDefCheck& TVexConstraintDefs::AddCheck() {
  return Append<TVexConstraintDefCheck>();
}
TVexConstraintDefPrimary& TVexConstraintDefs::AddPrimary() {
  return Append<TVexConstraintDefPrimary>();
}
TVexConstraintDefUnique& TVexConstraintDefs::AddUnique() {
  return Append<TVexConstraintDefUnique>();
}
