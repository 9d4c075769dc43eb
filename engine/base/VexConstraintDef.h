// Constraint definitions (NOT NULL, CHECK, UNIQUE, PRIMARY KEY) and a table's list of them
// (TVexConstraintDefs), whose stored form writes each definition's type byte in front of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/VexMetaObjectDef.h"
#include "engine/base/VexVariant.h"

// Constraint type codes (1 is not used).
enum TVexConstraintType : uint8_t {
  vctPrimaryKey = 0,
  vctUnique = 2,
  vctNotNull = 3,
  vctCheck = 4,
};

// A name (at most 255 characters) and an object ID that a constraint refers to.
struct TVexConstraintReference {
  std::string Name;
  int32_t ID = -1;
};

class TVexConstraintDef : public TVexMetaObjectDef {
 public:
  explicit TVexConstraintDef(TVexConstraintType type) : ConstraintType_(type) {}

  void AssignDef(const TVexMetaObjectDef& source) override;
  const char* ClassName() const override { return "TVexConstraintDef"; }

  TVexConstraintType ConstraintType() const { return ConstraintType_; }
  // A new definition of the class that the type code stands for; 30316 for other codes.
  static std::unique_ptr<TVexConstraintDef> Create(uint8_t constraintType);

  // The first two are carried and stored unchanged (the table name is written into the
  // second, which also takes part in generated names); the third names the object the
  // constraint is about: the field (NOT NULL, CHECK) or the backing index (UNIQUE, PRIMARY KEY).
  TVexConstraintReference References[3];

 protected:
  // The three references: IDs, then texts with a 1-byte or a 4-byte prefix that counts the
  // text's length byte and its characters.
  void LoadReferences(TVexStream& stream, bool widePrefix);
  void SaveReferences(TVexStream& stream, bool widePrefix) const;

 private:
  TVexConstraintType ConstraintType_;
};

// NOT NULL: the stored form after the base part is three IDs, then three texts, each text with
// a 1-byte prefix that counts its length byte and its characters.
class TVexConstraintDefNotNull : public TVexConstraintDef {
 public:
  TVexConstraintDefNotNull() : TVexConstraintDef(vctNotNull) {}
  void LoadFromStream(TVexStream& stream) override;
  void SaveToStream(TVexStream& stream) const override;
  const char* ClassName() const override { return "TVexConstraintDefNotNull"; }
};

// CHECK: as NOT NULL, followed by the minimum and the maximum value in the variant stream form.
class TVexConstraintDefCheck : public TVexConstraintDef {
 public:
  TVexConstraintDefCheck() : TVexConstraintDef(vctCheck) {}
  void AssignDef(const TVexMetaObjectDef& source) override;
  void LoadFromStream(TVexStream& stream) override;
  void SaveToStream(TVexStream& stream) const override;
  const char* ClassName() const override { return "TVexConstraintDefCheck"; }

  TVexVariant MinValue;
  TVexVariant MaxValue;
};

// One column of a UNIQUE or PRIMARY KEY constraint.
struct TVexConstraintColumn {
  std::string FieldName;
  int32_t FieldID = -1;
};

// UNIQUE: three IDs, three texts with 4-byte prefixes, then the column list.
class TVexConstraintDefUnique : public TVexConstraintDef {
 public:
  TVexConstraintDefUnique() : TVexConstraintDef(vctUnique) {}
  void AssignDef(const TVexMetaObjectDef& source) override;
  void LoadFromStream(TVexStream& stream) override;
  void SaveToStream(TVexStream& stream) const override;
  const char* ClassName() const override { return "TVexConstraintDefUnique"; }

  std::vector<TVexConstraintColumn> Columns;

 protected:
  explicit TVexConstraintDefUnique(TVexConstraintType type) : TVexConstraintDef(type) {}
};

class TVexConstraintDefPrimary : public TVexConstraintDefUnique {
 public:
  TVexConstraintDefPrimary() : TVexConstraintDefUnique(vctPrimaryKey) {}
  const char* ClassName() const override { return "TVexConstraintDefPrimary"; }
};

class TVexConstraintDefs : public TVexTypedDefs<TVexConstraintDef, TVexMetaObjectDefs> {
 public:
  // Each definition is read after its type byte, which decides its class.
  void LoadFromStream(TVexStream& stream) override;
  void SaveToStream(TVexStream& stream) const override;
  // Copies every definition with its class. Names are not checked for duplicates: unnamed
  // constraints are copied before the table generates their names.
  void AssignDefs(const TVexMetaObjectDefs& source) override;
  const char* ClassName() const override { return "TVexConstraintDefs"; }

  TVexConstraintDefNotNull& AddNotNull();
  TVexConstraintDefCheck& AddCheck();
  TVexConstraintDefPrimary& AddPrimary();
  TVexConstraintDefUnique& AddUnique();

 private:
  template <class D>
  D& Append();
};
