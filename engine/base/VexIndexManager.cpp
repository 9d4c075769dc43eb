// The index manager: index definitions, open index objects, temporary indexes for searches
// and the key maintenance that every row change passes through.
#include "engine/base/VexIndexManager.h"

#include <algorithm>

#include "engine/base/VexBaseSession.h"
#include "engine/base/VexCursor.h"
#include "engine/base/VexDatabaseData.h"
#include "engine/base/VexExcept.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexIndex.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexRecordManager.h"
#include "engine/base/VexStrUtils.h"
#include "engine/base/VexTableData.h"

TVexBaseIndexManager::TVexBaseIndexManager(TVexTableData* table, TVexBasePageManager* pageManager,
                                           TVexBasePageManager* temporaryPageManager)
    : Table(table),
      PageManager(pageManager),
      TemporaryPageManager(temporaryPageManager),
      IndexDefs_(std::make_unique<TVexIndexDefs>()) {}

TVexBaseIndexManager::~TVexBaseIndexManager() {
  // Index objects refer to the definitions; they go first.
  OpenIndexes_.clear();
}

void TVexBaseIndexManager::LoadDefs(TVexStream& stream) {
  OpenIndexes_.clear();
  IndexDefs_->LoadFromStream(stream);
}

void TVexBaseIndexManager::SaveDefs(TVexStream& stream) const {
  IndexDefs_->SaveToStream(stream);
}

void TVexBaseIndexManager::AssignDefs(const TVexIndexDefs& indexDefs) {
  OpenIndexes_.clear();
  IndexDefs_->AssignDefs(indexDefs);
}

int32_t TVexBaseIndexManager::FindIndexForFields(const std::vector<std::string>& fieldNames,
                                                 const std::vector<std::string>& directions,
                                                 const std::vector<std::string>& caseModes,
                                                 int32_t sessionID) const {
  if (!Table || !Table->FieldManager) throw EVexException(20044, "Pointer is nil");
  return IndexDefs_->FindIndexForFields(fieldNames, directions, caseModes,
                                        Table->FieldManager->FieldDefs(), sessionID);
}

bool TVexBaseIndexManager::IndexExistsForFields(const std::vector<std::string>& fieldNames,
                                                const std::vector<std::string>& directions,
                                                const std::vector<std::string>& caseModes,
                                                int32_t sessionID) const {
  return FindIndexForFields(fieldNames, directions, caseModes, sessionID) != -1;
}

int32_t TVexBaseIndexManager::CreateTemporaryIndex(TVexCursor& cursor,
                                                   const std::vector<std::string>& fieldNames,
                                                   const std::vector<std::string>& directions,
                                                   const std::vector<std::string>& caseModes) {
  TVexIndexDef def;
  do {
    def.Name = VexUniqueName("TEMPORARY_INDEX_");
  } while (IndexDefs_->IndexOfName(def.Name) >= 0);
  def.Kind = 0;
  def.Temporary = 255;
  def.OwnerSessionID = cursor.Session ? cursor.Session->SessionID : -1;
  def.ChangeCounter = Table && Table->RecordManager ? Table->RecordManager->ChangeCounter : 0;
  def.Unique = 0;
  def.Primary = 0;
  def.SetColumns(fieldNames, directions, caseModes);
  return CreateIndex(&cursor, def);
}

int32_t TVexBaseIndexManager::PrepareIndexForFields(TVexCursor& cursor,
                                                    const std::vector<std::string>& fieldNames,
                                                    const std::vector<std::string>& directions,
                                                    const std::vector<std::string>& caseModes,
                                                    bool& created) {
  const int32_t sessionID = cursor.Session ? cursor.Session->SessionID : -1;
  created = false;
  const int32_t found = FindIndexForFields(fieldNames, directions, caseModes, sessionID);
  if (found != -1) return found;
  try {
    const int32_t indexID = CreateTemporaryIndex(cursor, fieldNames, directions, caseModes);
    created = true;
    return indexID;
  } catch (...) {
    // The session's changes of the table go back with the failed index.
    if (cursor.Session && Table) Table->RollbackSession(*cursor.Session, false);
    throw;
  }
}

int32_t TVexBaseIndexManager::CreateIndex(TVexCursor* cursor, const TVexIndexDef& indexDef) {
  auto def = std::make_unique<TVexIndexDef>();
  def->AssignDef(indexDef);
  if (def->ObjectID == -1 && Table && Table->Database)
    def->ObjectID = Table->Database->GetNextObjectId();
  const int32_t indexID = def->ObjectID;
  TVexIndexDef& stored = *def;
  IndexDefs_->AddDef(std::move(def));
  try {
    std::unique_ptr<TVexIndex> index = NewIndex();
    index->CreateIndex(cursor, stored);
    if (index->IndexDef()) stored.RootPage = index->IndexDef()->RootPage;
    OpenIndexes_.push_back({indexID, std::move(index)});
  } catch (...) {
    IndexDefs_->DeleteDef(IndexDefs_->IndexOfObjectID(indexID));
    throw;
  }
  return indexID;
}

TVexIndex& TVexBaseIndexManager::GetIndex(int32_t indexID) {
  for (const TOpenIndex& open : OpenIndexes_)
    if (open.IndexID == indexID) return *open.Index;
  const TVexIndexDef* def = IndexDefs_->FindByObjectID(indexID);
  if (!def) throw EVexException(20018, "Index not found");
  std::unique_ptr<TVexIndex> index = NewIndex();
  index->OpenIndex(*def);
  OpenIndexes_.push_back({indexID, std::move(index)});
  return *OpenIndexes_.back().Index;
}

void TVexBaseIndexManager::CloseIndex(int32_t indexID) {
  OpenIndexes_.erase(
      std::remove_if(OpenIndexes_.begin(), OpenIndexes_.end(),
                     [&](const TOpenIndex& open) { return open.IndexID == indexID; }),
      OpenIndexes_.end());
}

void TVexBaseIndexManager::DropIndex(int32_t sessionID, int32_t indexID) {
  const int32_t position = IndexDefs_->IndexOfObjectID(indexID);
  if (position < 0) throw EVexException(20018, "Index not found");
  GetIndex(indexID).DropIndex(sessionID);
  CloseIndex(indexID);
  IndexDefs_->DeleteDef(position);
}

void TVexBaseIndexManager::EmptyIndexes(int32_t sessionID) {
  for (int32_t i = 0; i < IndexDefs_->Count(); ++i) {
    TVexIndex& index = GetIndex((*IndexDefs_)[i].ObjectID);
    index.EmptyIndex(sessionID);
    AfterKeyChange(index);
  }
}

void TVexBaseIndexManager::AfterKeyChange(TVexIndex& index) {
  if (!index.IndexDef()) return;
  TVexIndexDef* def = IndexDefs_->FindByObjectID(index.IndexDef()->ObjectID);
  if (!def) return;
  ++def->ChangeCounter;
  if (def->RootPage != index.IndexDef()->RootPage) def->RootPage = index.IndexDef()->RootPage;
}

void TVexBaseIndexManager::InsertKeys(TVexCursor& cursor) {
  for (int32_t i = 0; i < IndexDefs_->Count(); ++i) {
    TVexIndex& index = GetIndex((*IndexDefs_)[i].ObjectID);
    index.InsertKey(cursor);
    AfterKeyChange(index);
  }
}

void TVexBaseIndexManager::UpdateKeys(TVexCursor& cursor, bool deletePhase) {
  for (int32_t i = 0; i < IndexDefs_->Count(); ++i) {
    TVexIndex& index = GetIndex((*IndexDefs_)[i].ObjectID);
    index.UpdateKey(cursor, deletePhase);
    AfterKeyChange(index);
  }
}

void TVexBaseIndexManager::DeleteKeys(TVexCursor& cursor) {
  for (int32_t i = 0; i < IndexDefs_->Count(); ++i) {
    TVexIndex& index = GetIndex((*IndexDefs_)[i].ObjectID);
    index.DeleteKey(cursor);
    AfterKeyChange(index);
  }
}

void TVexBaseIndexManager::RenameFieldInIndexes(const std::string& oldName,
                                                const std::string& newName) {
  auto rename = [&](TVexIndexDef& def) {
    for (TVexIndexColumn& column : def.Columns)
      if (SameDefName(column.FieldName, oldName)) column.FieldName = newName;
  };
  for (int32_t i = 0; i < IndexDefs_->Count(); ++i) rename((*IndexDefs_)[i]);
  for (TOpenIndex& open : OpenIndexes_)
    if (open.Index->IndexDef()) rename(*open.Index->IndexDef());
}

void TVexBaseIndexManager::NavigateByIndex(int32_t sessionID, TVexNavigationRequest& request,
                                           TVexIndexPositionCache* positionCache) {
  GetIndex(request.IndexID).GetRecord(sessionID, request, positionCache);
}

TVexBasePageManager* TVexBaseIndexManager::PageManagerFor(const TVexIndexDef& indexDef) const {
  return indexDef.Temporary != 0 ? TemporaryPageManager : PageManager;
}
