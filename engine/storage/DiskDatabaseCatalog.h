// TVexDiskDatabaseCatalog: a database file opened with its catalogue: the page manager, the
// system directory, the active sessions file, the table list and the table lock manager.
// Creates new database files and connects and disconnects sessions with the single-user lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/storage/ActiveSessionsFile.h"
#include "engine/storage/DiskPageManager.h"
#include "engine/storage/SystemDirectory.h"
#include "engine/storage/TableListFile.h"
#include "engine/storage/TableLockManager.h"

struct TVexCreateOptions {
  uint16_t PageSize = 4096;
  uint16_t ExtentSize = 8;
  int32_t MaxConnections = 500;
};

class TVexDiskDatabaseCatalog {
 public:
  TVexDiskDatabaseCatalog() = default;
  ~TVexDiskDatabaseCatalog();
  TVexDiskDatabaseCatalog(const TVexDiskDatabaseCatalog&) = delete;
  TVexDiskDatabaseCatalog& operator=(const TVexDiskDatabaseCatalog&) = delete;

  // Creates the file with its catalogue (directory at page 2, sessions file, table list),
  // commits and closes it.
  static void CreateDatabase(const std::string& fileName, const TVexPassword& password,
                             const TVexCreateOptions& options = {});

  // Opens the file and loads the catalogue; answers RepairNeeded. Password, MultiUser and
  // ReadOnly come back as the open adjusted them.
  bool Open(const std::string& fileName, TVexPassword& password, bool& multiUser, bool exclusive,
            bool& readOnly);
  void Close();
  bool IsOpen() const { return PageManager != nullptr; }

  // Connects a session: a slot in multi-user mode; in single-user mode session 0, taking the
  // single-user lock for the first one (the database turns read-only when another process
  // is connected).
  int32_t ConnectSession(bool multiUser);
  void DisconnectSession(int32_t sessionId);

  std::unique_ptr<TVexDiskPageManager> PageManager;
  std::unique_ptr<TVexSystemDirectory> SystemDirectory;
  std::unique_ptr<TVexActiveSessionsFile> ActiveSessions;
  std::unique_ptr<TVexTableListFile> TableList;
  std::unique_ptr<TVexDatabaseTableLockManager> TableLockManager;
  TVexPassword Password;
  int32_t MaxConnections = 0;
  uint16_t PageSizeForCreate = 4096;
  uint16_t ExtentSizeForCreate = 8;
  bool ReadOnly = false;
  bool MultiUser = false;
  bool SingleUserLockHeld = false;
  int32_t ConnectedSessions = 0;
};
