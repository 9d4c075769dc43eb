// TVexBaseIndexManager: a table's index definitions and its open index objects: lookup and
// creation (also of temporary indexes for a search), key maintenance on every row change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/VexNavigation.h"

class TVexBasePageManager;
class TVexBaseSession;
class TVexCursor;
class TVexIndex;
class TVexIndexDef;
class TVexIndexDefs;
class TVexIndexPositionCache;
class TVexStream;
class TVexTableData;

class TVexBaseIndexManager {
 public:
  TVexBaseIndexManager(TVexTableData* table, TVexBasePageManager* pageManager,
                       TVexBasePageManager* temporaryPageManager);
  TVexBaseIndexManager(const TVexBaseIndexManager&) = delete;
  TVexBaseIndexManager& operator=(const TVexBaseIndexManager&) = delete;
  virtual ~TVexBaseIndexManager();

  // ---- Virtual operations in slot order.
  virtual void LoadDefs(TVexStream& stream);
  virtual void SaveDefs(TVexStream& stream) const;
  virtual void AssignDefs(const TVexIndexDefs& indexDefs);

  // ---- Index objects. An engine decides which class an index is.
  virtual std::unique_ptr<TVexIndex> NewIndex() = 0;

  int32_t FindIndexForFields(const std::vector<std::string>& fieldNames,
                             const std::vector<std::string>& directions,
                             const std::vector<std::string>& caseModes, int32_t sessionID) const;
  bool IndexExistsForFields(const std::vector<std::string>& fieldNames,
                            const std::vector<std::string>& directions,
                            const std::vector<std::string>& caseModes, int32_t sessionID) const;
  // A temporary index for the fields, owned by the cursor's session, built from the table's
  // records; returns its definition's object ID.
  int32_t CreateTemporaryIndex(TVexCursor& cursor, const std::vector<std::string>& fieldNames,
                               const std::vector<std::string>& directions,
                               const std::vector<std::string>& caseModes);
  // Finds an index for the fields, else creates a temporary one; created tells which.
  int32_t PrepareIndexForFields(TVexCursor& cursor, const std::vector<std::string>& fieldNames,
                                const std::vector<std::string>& directions,
                                const std::vector<std::string>& caseModes, bool& created);
  // Adds the definition (with a new object ID when it has none) and builds the index from the
  // table's rows (none without a cursor); returns the object ID.
  int32_t CreateIndex(TVexCursor* cursor, const TVexIndexDef& indexDef);
  // The open index object of the ID, opened on demand; 20018 "Index not found".
  TVexIndex& GetIndex(int32_t indexID);
  void CloseIndex(int32_t indexID);
  void DropIndex(int32_t sessionID, int32_t indexID);
  void EmptyIndexes(int32_t sessionID);
  // Key maintenance of every index in definition order.
  void InsertKeys(TVexCursor& cursor);
  void UpdateKeys(TVexCursor& cursor, bool deletePhase);
  void DeleteKeys(TVexCursor& cursor);
  void RenameFieldInIndexes(const std::string& oldName, const std::string& newName);
  // One step in the order of request.IndexID.
  void NavigateByIndex(int32_t sessionID, TVexNavigationRequest& request,
                       TVexIndexPositionCache* positionCache);

  TVexIndexDefs& IndexDefs() const { return *IndexDefs_; }
  // The page manager an index of that definition keeps its pages in.
  TVexBasePageManager* PageManagerFor(const TVexIndexDef& indexDef) const;

  TVexTableData* Table;                       // not owned
  TVexBasePageManager* PageManager;           // permanent indexes (the table's); not owned
  TVexBasePageManager* TemporaryPageManager;  // temporary indexes; not owned
  bool Flag = false;

 private:
  struct TOpenIndex {
    int32_t IndexID;
    std::unique_ptr<TVexIndex> Index;
  };
  // After a maintenance call: counts the change and copies a moved root into the definition.
  void AfterKeyChange(TVexIndex& index);

  std::unique_ptr<TVexIndexDefs> IndexDefs_;
  std::vector<TOpenIndex> OpenIndexes_;
};
