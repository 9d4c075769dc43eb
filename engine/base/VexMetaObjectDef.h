// The base of every metadata definition (a name and an object ID) and the owning, ordered
// list of definitions that fields, indexes and constraints share, with its stored form.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/VexStoredForm.h"

// True when two definition names are equal after upper-casing both in the user's locale.
bool SameDefName(const std::string& a, const std::string& b);

class TVexMetaObjectDef {
 public:
  TVexMetaObjectDef() = default;
  TVexMetaObjectDef(const TVexMetaObjectDef&) = delete;
  TVexMetaObjectDef& operator=(const TVexMetaObjectDef&) = delete;
  virtual ~TVexMetaObjectDef() = default;

  // Copies every member from a definition of the same class; another class raises 30035.
  virtual void AssignDef(const TVexMetaObjectDef& source);
  // Stored form of the base part: name (length byte and characters), object ID (4 bytes).
  virtual void LoadFromStream(TVexStream& stream);
  virtual void SaveToStream(TVexStream& stream) const;

  // The class name, as messages name it.
  virtual const char* ClassName() const { return "TVexMetaObjectDef"; }

  std::string Name;       // at most 255 characters
  int32_t ObjectID = -1;  // unique within its list; -1 until assigned
  // Kept in memory only: copied by AssignDef, never stored.
  std::string Description;
  int32_t Tag = -1;

 protected:
  // Raises 30035 unless source is of this definition's class.
  void CheckSameClass(const TVexMetaObjectDef& source) const;
};

class TVexMetaObjectDefs {
 public:
  TVexMetaObjectDefs() = default;
  TVexMetaObjectDefs(const TVexMetaObjectDefs&) = delete;
  TVexMetaObjectDefs& operator=(const TVexMetaObjectDefs&) = delete;
  virtual ~TVexMetaObjectDefs() = default;

  virtual int32_t Count() const { return int32_t(Items_.size()); }
  // Appends a definition; the list takes ownership.
  virtual void AddDef(std::unique_ptr<TVexMetaObjectDef> def);
  // Creates a definition of the list's class, appends and returns it. The base list has no
  // class of its own and raises 30339.
  virtual TVexMetaObjectDef& AddNew();
  // Clears the list, reads the count (4 bytes), then each definition in its stored form.
  virtual void LoadFromStream(TVexStream& stream);
  // Writes the count (4 bytes), then each definition in its stored form.
  virtual void SaveToStream(TVexStream& stream) const;
  // Clears the list and copies every definition of source; a name that is already present
  // raises 10424 "Duplicate field name %s".
  virtual void AssignDefs(const TVexMetaObjectDefs& source);
  virtual void DeleteDef(int32_t index);
  virtual void InsertDef(int32_t index, std::unique_ptr<TVexMetaObjectDef> def);
  virtual void MoveDef(int32_t fromIndex, int32_t toIndex);
  virtual void ClearDefs();

  virtual const char* ClassName() const { return "TVexMetaObjectDefs"; }

  // An index outside 0..Count()-1 raises 10006.
  TVexMetaObjectDef& GetDef(int32_t index) const;
  // Replaces the definition at index; the old one is freed.
  void ReplaceDef(int32_t index, std::unique_ptr<TVexMetaObjectDef> def);
  // Position of the first definition with that name (SameDefName), or -1.
  int32_t IndexOfName(const std::string& name) const;
  TVexMetaObjectDef* FindDefByName(const std::string& name) const;
  // Position of the first definition with that object ID, or -1.
  int32_t IndexOfObjectID(int32_t objectID) const;
  TVexMetaObjectDef* FindDefByObjectID(int32_t objectID) const;

 protected:
  void CheckIndex(int32_t index, bool allowEnd = false) const;
  // Raises 30035 when no definition or one of another class is handed to a typed list.
  void CheckAccepted(const TVexMetaObjectDef* def) const;
  // Reads the count of a stored list (code 10159); a negative count is a format error.
  static int32_t LoadCount(TVexStream& stream);

  std::vector<std::unique_ptr<TVexMetaObjectDef>> Items_;
  // Set by the typed lists: whether a definition is of the list's class.
  bool (*Accepts_)(const TVexMetaObjectDef&) = nullptr;
};

// Typed access for the concrete lists: the definitions of a list of class D.
template <class D, class Base>
class TVexTypedDefs : public Base {
 public:
  TVexTypedDefs() {
    this->Accepts_ = [](const TVexMetaObjectDef& def) {
      return dynamic_cast<const D*>(&def) != nullptr;
    };
  }
  D& operator[](int32_t index) const { return static_cast<D&>(this->GetDef(index)); }
  D* FindByName(const std::string& name) const {
    return static_cast<D*>(this->FindDefByName(name));
  }
  D* FindByObjectID(int32_t objectID) const {
    return static_cast<D*>(this->FindDefByObjectID(objectID));
  }
};
