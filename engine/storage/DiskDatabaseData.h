// TVexDiskDatabaseData: a database file shared by every session of the process. Opens the
// file with its catalogue at the first session, connects sessions in single-user or
// multi-user mode, creates databases and commits with the locks of the modified tables.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/base/VexDatabaseData.h"
#include "engine/storage/DiskDatabaseCatalog.h"

class TVexDiskTableData;

// What a session brings to the disk engine when it connects; a session class that works on
// disk databases derives from it as well. RepairNeeded is handed back by the first connect.
struct TVexDiskSessionOptions {
  virtual ~TVexDiskSessionOptions() = default;
  TVexPassword Password;
  bool MultiUser = false;
  bool Exclusive = false;
  bool RepairNeeded = false;
};

class TVexDiskDatabaseData : public TVexDatabaseData {
 public:
  explicit TVexDiskDatabaseData(std::string fileName);
  ~TVexDiskDatabaseData() override;

  // Virtual operations in slot order.
  void ConnectSession(TVexBaseSession& session) override;
  void DisconnectSession(TVexBaseSession& session) override;
  bool FreeIfUnused() override;
  void GetTableNames(std::vector<std::string>& names) override;
  void CreateDatabase() override;
  TVexTableData& CreateTableData(TVexCursor& cursor) override;
  int32_t GetNextObjectId() override;
  // Multi-user: the modified tables are locked first (20233), released afterwards.
  void CommitTransaction(TVexBaseSession& session, bool flush) override;
  void RollbackTransaction(TVexBaseSession& session) override;
  void FlushBuffers() override;

  bool IsOpen() const { return Catalog.IsOpen(); }
  // A table changed by the session in its transaction (its lock is needed at commit).
  void TableModified(int32_t sessionId, TVexDiskTableData* table);

  TVexDiskDatabaseCatalog Catalog;  // page manager, directory, sessions, table list, locks
  TVexPassword Password;
  TVexCreateOptions CreateOptions;  // page size, extent size, sessions of a new database
  // Errors while disconnecting are ignored (the design-time transient mode).
  bool IgnoreDisconnectErrors = false;
  int32_t CommitLockTries = 2250;
  int32_t CommitLockDelayMs = 40;

 private:
  void OpenDatabase(TVexBaseSession& session);
  void CloseDatabase();
  // Releases the table locks taken for the session's commit.
  void ReleaseCommitLocks(int32_t sessionId);
  std::map<int32_t, std::set<TVexDiskTableData*>> Modified_;
  std::map<int32_t, std::vector<TVexDiskTableData*>> CommitLocks_;
};
