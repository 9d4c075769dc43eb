// The base database object: sessions, table objects, transactions, and the process-wide list
// of database objects.
#include "engine/base/VexDatabaseData.h"

#include <algorithm>

#include "engine/base/VexBasePageManager.h"
#include "engine/base/VexBaseSession.h"
#include "engine/base/VexCursor.h"
#include "engine/base/VexMetaObjectDef.h"
#include "engine/base/VexTableData.h"

TVexDatabaseData::TVexDatabaseData(std::string fileName) : FileName(std::move(fileName)) {}

TVexDatabaseData::~TVexDatabaseData() {
  // Table objects first: they may still reach the database while they close.
  while (!Tables.empty()) Tables.pop_back();
}

void TVexDatabaseData::ConnectSession(TVexBaseSession& session) {
  std::lock_guard guard(CriticalSection);
  if (std::find(Sessions.begin(), Sessions.end(), &session) == Sessions.end())
    Sessions.push_back(&session);
  session.SessionID = 0;
}

void TVexDatabaseData::DisconnectSession(TVexBaseSession& session) {
  std::lock_guard guard(CriticalSection);
  Sessions.erase(std::remove(Sessions.begin(), Sessions.end(), &session), Sessions.end());
}

bool TVexDatabaseData::FreeIfUnused() {
  {
    std::lock_guard guard(CriticalSection);
    if (!Sessions.empty()) return false;
  }
  // Nothing of this object may be touched after the list has freed it.
  return TVexDatabaseDataList::Instance().Remove(this);
}

void TVexDatabaseData::GetTableNames(std::vector<std::string>& names) {
  std::lock_guard guard(CriticalSection);
  for (const auto& table : Tables) names.push_back(table->TableName);
}

void TVexDatabaseData::CreateDatabase() {}

TVexTableData* TVexDatabaseData::FindTableData(TVexCursor& cursor) {
  std::lock_guard guard(CriticalSection);
  for (const auto& table : Tables)
    if (SameDefName(table->TableName, cursor.TableName)) return table.get();
  return nullptr;
}

TVexTableData& TVexDatabaseData::GetTableData(TVexCursor& cursor) {
  std::lock_guard guard(CriticalSection);
  if (TVexTableData* table = FindTableData(cursor)) return *table;
  return CreateTableData(cursor);
}

void TVexDatabaseData::CommitTransaction(TVexBaseSession& session, bool /*flush*/) {
  std::lock_guard guard(CriticalSection);
  if (PageManager) PageManager->Commit(session.SessionID);
}

void TVexDatabaseData::RollbackTransaction(TVexBaseSession& session) {
  std::lock_guard guard(CriticalSection);
  if (PageManager) PageManager->Rollback(session.SessionID);
  for (const auto& table : Tables) table->RefreshSession(session);
}

void TVexDatabaseData::FlushBuffers() {}

bool TVexDatabaseData::TableExists(const std::string& tableName) {
  std::lock_guard guard(CriticalSection);
  std::vector<std::string> names;
  GetTableNames(names);
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& name) { return SameDefName(name, tableName); });
}

TVexTableData& TVexDatabaseData::AddTableData(std::unique_ptr<TVexTableData> table) {
  std::lock_guard guard(CriticalSection);
  Tables.push_back(std::move(table));
  return *Tables.back();
}

void TVexDatabaseData::FreeTableData(TVexTableData* table) {
  std::lock_guard guard(CriticalSection);
  auto it = std::find_if(Tables.begin(), Tables.end(),
                         [&](const auto& item) { return item.get() == table; });
  if (it == Tables.end()) return;
  // Out of the list before it is freed, so that its destruction sees a consistent list.
  std::unique_ptr<TVexTableData> freed = std::move(*it);
  Tables.erase(it);
}

TVexDatabaseDataList& TVexDatabaseDataList::Instance() {
  static TVexDatabaseDataList list;
  return list;
}

TVexDatabaseData& TVexDatabaseDataList::Add(std::unique_ptr<TVexDatabaseData> database) {
  std::lock_guard guard(Mutex_);
  Items_.push_back(std::move(database));
  return *Items_.back();
}

bool TVexDatabaseDataList::Remove(TVexDatabaseData* database) {
  std::unique_ptr<TVexDatabaseData> freed;
  {
    std::lock_guard guard(Mutex_);
    auto it = std::find_if(Items_.begin(), Items_.end(),
                           [&](const auto& item) { return item.get() == database; });
    if (it == Items_.end()) return false;
    freed = std::move(*it);
    Items_.erase(it);
  }
  return true;  // freed outside the list's lock
}

bool TVexDatabaseDataList::Contains(const TVexDatabaseData* database) {
  std::lock_guard guard(Mutex_);
  return std::any_of(Items_.begin(), Items_.end(),
                     [&](const auto& item) { return item.get() == database; });
}

TVexDatabaseData* TVexDatabaseDataList::FindByFileName(const std::string& fileName) {
  std::lock_guard guard(Mutex_);
  for (const auto& item : Items_)
    if (item->FileName == fileName) return item.get();
  return nullptr;
}
