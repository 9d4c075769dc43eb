// TVexDiskDatabaseData: opening and closing the database file with the sessions, creating a
// database, and commits that lock the tables a session changed.
#include "engine/storage/DiskDatabaseData.h"

#include <algorithm>

#include "engine/base/VexBaseSession.h"
#include "engine/base/VexCursor.h"
#include "engine/base/VexExcept.h"
#include "engine/storage/DiskTableData.h"

TVexDiskDatabaseData::TVexDiskDatabaseData(std::string fileName)
    : TVexDatabaseData(std::move(fileName)) {}

TVexDiskDatabaseData::~TVexDiskDatabaseData() {
  // The table objects use the catalogue's page manager: they go first.
  Tables.clear();
}

void TVexDiskDatabaseData::OpenDatabase(TVexBaseSession& session) {
  auto* options = dynamic_cast<TVexDiskSessionOptions*>(&session);
  TVexPassword password = options ? options->Password : Password;
  bool multiUser = options && options->MultiUser;
  const bool exclusive = options && options->Exclusive;
  bool readOnly = ReadOnly;
  const bool repairNeeded = Catalog.Open(FileName, password, multiUser, exclusive, readOnly);
  Password = password;
  MultiUser = multiUser;
  ReadOnly = readOnly;
  PageManager = Catalog.PageManager.get();
  CreateOptions.PageSize = Catalog.PageSizeForCreate;
  CreateOptions.ExtentSize = Catalog.ExtentSizeForCreate;
  CreateOptions.MaxConnections = Catalog.MaxConnections;
  if (options) options->RepairNeeded = repairNeeded;
}

void TVexDiskDatabaseData::CloseDatabase() {
  Tables.clear();
  Modified_.clear();
  CommitLocks_.clear();
  PageManager = nullptr;
  Catalog.Close();
}

void TVexDiskDatabaseData::ConnectSession(TVexBaseSession& session) {
  std::lock_guard guard(CriticalSection);
  const bool firstOpen = !Catalog.IsOpen();
  if (firstOpen) OpenDatabase(session);
  auto* options = dynamic_cast<TVexDiskSessionOptions*>(&session);
  const bool multiUser = options && options->MultiUser;
  try {
    const int32_t sessionId = Catalog.ConnectSession(multiUser);
    ReadOnly = ReadOnly || Catalog.ReadOnly;
    TVexDatabaseData::ConnectSession(session);
    session.SessionID = sessionId;
  } catch (...) {
    if (Sessions.empty()) CloseDatabase();
    throw;
  }
}

void TVexDiskDatabaseData::DisconnectSession(TVexBaseSession& session) {
  std::lock_guard guard(CriticalSection);
  if (std::find(Sessions.begin(), Sessions.end(), &session) == Sessions.end()) return;
  try {
    Catalog.DisconnectSession(session.SessionID);
  } catch (const Exception&) {
    if (!IgnoreDisconnectErrors) {
      TVexDatabaseData::DisconnectSession(session);
      if (Sessions.empty()) CloseDatabase();
      throw;
    }
  }
  Modified_.erase(session.SessionID);
  TVexDatabaseData::DisconnectSession(session);
  if (Sessions.empty()) CloseDatabase();
}

bool TVexDiskDatabaseData::FreeIfUnused() {
  return TVexDatabaseData::FreeIfUnused();
}

void TVexDiskDatabaseData::GetTableNames(std::vector<std::string>& names) {
  std::lock_guard guard(CriticalSection);
  if (!Catalog.TableList) return;
  for (const std::string& name : Catalog.TableList->GetTableNames(-2)) names.push_back(name);
}

void TVexDiskDatabaseData::CreateDatabase() {
  std::lock_guard guard(CriticalSection);
  TVexDiskDatabaseCatalog::CreateDatabase(FileName, Password, CreateOptions);
}

TVexTableData& TVexDiskDatabaseData::CreateTableData(TVexCursor& cursor) {
  std::lock_guard guard(CriticalSection);
  if (!Catalog.IsOpen()) throw EVexException(20176, "Pointer is nil");
  return AddTableData(std::make_unique<TVexDiskTableData>(this, cursor.TableName));
}

int32_t TVexDiskDatabaseData::GetNextObjectId() {
  std::lock_guard guard(CriticalSection);
  if (!Catalog.IsOpen()) throw EVexException(20176, "Pointer is nil");
  return Catalog.PageManager->GetNextObjectId();
}

void TVexDiskDatabaseData::TableModified(int32_t sessionId, TVexDiskTableData* table) {
  std::lock_guard guard(CriticalSection);
  if (MultiUser) Modified_[sessionId].insert(table);
}

void TVexDiskDatabaseData::ReleaseCommitLocks(int32_t sessionId) {
  auto it = CommitLocks_.find(sessionId);
  if (it == CommitLocks_.end()) return;
  for (TVexDiskTableData* table : it->second)
    if (table->Storage)
      Catalog.TableLockManager->UnlockTable(sessionId, table->Storage->LocksFile, 4);
  CommitLocks_.erase(it);
}

void TVexDiskDatabaseData::CommitTransaction(TVexBaseSession& session, bool flush) {
  std::lock_guard guard(CriticalSection);
  const int32_t sessionId = session.SessionID;
  struct TRelease {
    TVexDiskDatabaseData* Self;
    int32_t SessionId;
    ~TRelease() { Self->ReleaseCommitLocks(SessionId); }
  } release{this, sessionId};
  if (MultiUser) {
    std::vector<TVexDiskTableData*>& locked = CommitLocks_[sessionId];
    for (TVexDiskTableData* table : Modified_[sessionId]) {
      if (!table->Storage || table->Storage->LocksFile.StartPageNo() < 0) continue;
      if (!Catalog.TableLockManager->LockTable(sessionId, table->Storage->LocksFile, 4,
                                               CommitLockTries, CommitLockDelayMs))
        throw EVexException(20233, "Cannot commit changes. Locks of modified tables failed");
      locked.push_back(table);
    }
    Modified_.erase(sessionId);
  }
  TVexDatabaseData::CommitTransaction(session, flush);
  // The user indexes keep their pages per process: their changes are committed alongside.
  for (const auto& table : Tables)
    if (auto* disk = dynamic_cast<TVexDiskTableData*>(table.get()); disk && disk->IndexPageManager)
      disk->IndexPageManager->Commit(sessionId);
  if (flush && Catalog.PageManager) Catalog.PageManager->DatabaseFile.FlushFileBuffers();
}

void TVexDiskDatabaseData::RollbackTransaction(TVexBaseSession& session) {
  std::lock_guard guard(CriticalSection);
  ReleaseCommitLocks(session.SessionID);
  Modified_.erase(session.SessionID);
  TVexDatabaseData::RollbackTransaction(session);
}

void TVexDiskDatabaseData::FlushBuffers() {
  std::lock_guard guard(CriticalSection);
  if (Catalog.PageManager) Catalog.PageManager->DatabaseFile.FlushFileBuffers();
}
