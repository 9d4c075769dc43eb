// TVexDiskDatabaseCatalog: create, open and close a database with its catalogue; sessions.
#include "engine/storage/DiskDatabaseCatalog.h"

#include "engine/base/VexExcept.h"

TVexDiskDatabaseCatalog::~TVexDiskDatabaseCatalog() {
  try {
    Close();
  } catch (const Exception&) {
    // closing while going away: the file handle is released regardless
  }
}

void TVexDiskDatabaseCatalog::CreateDatabase(const std::string& fileName,
                                             const TVexPassword& password,
                                             const TVexCreateOptions& options) {
  TVexDiskPageManager pm;
  pm.CreateDatabase(fileName, password, options.ExtentSize, options.PageSize);
  try {
    TVexSystemDirectory directory(&pm);
    directory.Create(-2);
    TVexActiveSessionsFile sessions(&pm);
    int32_t sessionsStart = sessions.Create(options.MaxConnections);
    TVexTableListFile tables(&pm);
    int32_t tablesStart = tables.Create(-2);
    tables.Save(-2);
    directory.AddEntry(TVexSystemDirectory::kActiveSessionsKind, sessionsStart);
    directory.AddEntry(TVexSystemDirectory::kTableListKind, tablesStart);
    directory.Save(-2);
    pm.Commit(-2);
  } catch (...) {
    pm.Rollback(-2);
    throw;
  }
  pm.CloseDatabase();
}

bool TVexDiskDatabaseCatalog::Open(const std::string& fileName, TVexPassword& password,
                                   bool& multiUser, bool exclusive, bool& readOnly) {
  if (PageManager) throw EVexException(10462, "Error - database file %s is in use.", {fileName});
  try {
    PageManager = std::make_unique<TVexDiskPageManager>();
    PageManager->MultiUser = multiUser;
    bool repairNeeded =
        PageManager->OpenDatabase(fileName, password, multiUser, exclusive, readOnly);
    Password = password;
    MultiUser = multiUser;
    ReadOnly = readOnly;
    PageSizeForCreate = PageManager->MainHeader.PageSize;
    ExtentSizeForCreate = PageManager->MainHeader.ExtentSize;
    SystemDirectory = std::make_unique<TVexSystemDirectory>(PageManager.get());
    SystemDirectory->Load(-2);
    ActiveSessions = std::make_unique<TVexActiveSessionsFile>(PageManager.get());
    ActiveSessions->Open(SystemDirectory->FindEntry(TVexSystemDirectory::kActiveSessionsKind));
    MaxConnections = ActiveSessions->SessionCapacity;
    TableList = std::make_unique<TVexTableListFile>(PageManager.get());
    TableList->Open(SystemDirectory->FindEntry(TVexSystemDirectory::kTableListKind));
    TableList->Load(-2);
    TableLockManager =
        std::make_unique<TVexDatabaseTableLockManager>(PageManager.get(), MaxConnections);
    return repairNeeded;
  } catch (...) {
    TableLockManager.reset();
    TableList.reset();
    ActiveSessions.reset();
    SystemDirectory.reset();
    PageManager.reset();
    throw;
  }
}

void TVexDiskDatabaseCatalog::Close() {
  if (SingleUserLockHeld && ActiveSessions) {
    SingleUserLockHeld = false;
    ActiveSessions->UnlockSingleUser();
  }
  TableLockManager.reset();
  TableList.reset();
  ActiveSessions.reset();
  SystemDirectory.reset();
  if (PageManager) {
    std::unique_ptr<TVexDiskPageManager> pm = std::move(PageManager);
    pm->CloseDatabase();
  }
  ConnectedSessions = 0;
}

int32_t TVexDiskDatabaseCatalog::ConnectSession(bool multiUser) {
  if (multiUser != MultiUser)
    throw EVexException(20235,
                        "Cannot open database in multi-user and signle-user mode at the same time");
  int32_t sessionId = 0;
  if (MultiUser) {
    sessionId = ActiveSessions->ConnectSession();
  } else if (!SingleUserLockHeld) {
    if (ActiveSessions->LockSingleUser())
      SingleUserLockHeld = true;
    else
      ReadOnly = true;  // another process is connected: use the database read-only
  }
  ++ConnectedSessions;
  return sessionId;
}

void TVexDiskDatabaseCatalog::DisconnectSession(int32_t sessionId) {
  if (ConnectedSessions > 0) --ConnectedSessions;
  if (MultiUser) {
    ActiveSessions->DisconnectSession(sessionId);
  } else if (SingleUserLockHeld && ConnectedSessions == 0) {
    SingleUserLockHeld = false;
    ActiveSessions->UnlockSingleUser();
  }
}
