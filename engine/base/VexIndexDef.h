// Index definitions: the columns of an index (TVexIndexColumn), one index (TVexIndexDef) and
// a table's list of indexes (TVexIndexDefs), with their stored forms and the search for an
// index that fits a list of fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/VexMetaObjectDef.h"

class TVexFieldDefs;

// One column of an index key.
class TVexIndexColumn {
 public:
  void LoadFromStream(TVexStream& stream);
  void SaveToStream(TVexStream& stream) const;

  std::string FieldName;
  uint8_t Descending = 0;
  uint8_t CaseInsensitive = 0;
  // Leading characters or bytes of a text or bytes field kept in the key.
  int32_t PrefixLength = 0;
};

class TVexIndexDef : public TVexMetaObjectDef {
 public:
  void AssignDef(const TVexMetaObjectDef& source) override;
  void LoadFromStream(TVexStream& stream) override;
  void SaveToStream(TVexStream& stream) const override;
  const char* ClassName() const override { return "TVexIndexDef"; }

  int32_t ColumnCount() const { return int32_t(Columns.size()); }
  // Grows the column array with empty columns or frees the surplus ones.
  void SetColumnCount(int32_t count);
  // Sets one column per name: descending when its direction is "DESC", case-insensitive when
  // its case mode is "NO_CASE", prefix length 20. Lists of unequal length raise 10278/10279.
  void SetColumns(const std::vector<std::string>& fieldNames,
                  const std::vector<std::string>& directions,
                  const std::vector<std::string>& caseModes);
  // Whether the index rejects duplicate keys.
  bool IsUnique() const { return Unique != 0 || Primary != 0; }

  uint8_t Kind = 0;  // reserved: stored and copied, not interpreted; 0 for temporary indexes
  std::vector<TVexIndexColumn> Columns;
  uint8_t Unique = 0;
  uint8_t Primary = 0;
  int32_t RootPage = -1;  // -1 until the index has pages
  // Kept in memory only.
  int32_t Temporary = 0;        // nonzero (255) for an index created on the fly for a search
  int32_t OwnerSessionID = -1;  // the session that created a temporary index
  int32_t ChangeCounter = 0;    // inserts, updates and deletes through the index manager
  int32_t Reserved = 0;
};

class TVexIndexDefs : public TVexTypedDefs<TVexIndexDef, TVexMetaObjectDefs> {
 public:
  TVexMetaObjectDef& AddNew() override;
  // Stores only the definitions whose Temporary flag is 0 (the count counts only those).
  void SaveToStream(TVexStream& stream) const override;
  const char* ClassName() const override { return "TVexIndexDefs"; }

  virtual TVexIndexDef& GetIndexDef(int32_t index) const { return (*this)[index]; }
  virtual void SetIndexDef(int32_t index, std::unique_ptr<TVexIndexDef> def) {
    ReplaceDef(index, std::move(def));
  }

  TVexIndexDef& AddIndexDef() { return static_cast<TVexIndexDef&>(AddNew()); }

  // Object ID of the first index whose leading columns fit the given fields, or -1.
  // directions: "ASC", "DESC" or anything else for no preference; caseModes: "CASE",
  // "NO_CASE" or anything else. A temporary index fits only the session that created it.
  // Lists of unequal length raise 10276/10277.
  int32_t FindIndexForFields(const std::vector<std::string>& fieldNames,
                             const std::vector<std::string>& directions,
                             const std::vector<std::string>& caseModes,
                             const TVexFieldDefs& fieldDefs, int32_t sessionID) const;
};

// Raises `code` "Error - different lists length. L1 = %d, L2 = %d" unless l1 == l2.
void CheckListLengths(size_t l1, size_t l2, int32_t code);
