// TVexDatabaseData: one open database shared by every session of the process: its critical
// section, its connected sessions, its open table objects and its page manager. The disk and
// built-in engines derive from it. The process-wide list of database objects is kept here.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TVexBasePageManager;
class TVexBaseSession;
class TVexCursor;
class TVexTableData;

class TVexDatabaseData {
 public:
  explicit TVexDatabaseData(std::string fileName);
  TVexDatabaseData(const TVexDatabaseData&) = delete;
  TVexDatabaseData& operator=(const TVexDatabaseData&) = delete;
  // Frees the remaining table objects.
  virtual ~TVexDatabaseData();

  // ---- Virtual operations in slot order.
  // Base: adds the session and sets its session ID to 0.
  virtual void ConnectSession(TVexBaseSession& session);
  virtual void DisconnectSession(TVexBaseSession& session);
  // Without connected sessions: removes the object from the process-wide list, which frees
  // it; answers whether it was freed.
  virtual bool FreeIfUnused();
  // Base: the names of the open table objects.
  virtual void GetTableNames(std::vector<std::string>& names);
  virtual void CreateDatabase();
  // A new table object for the cursor's table, added to the list of table objects.
  virtual TVexTableData& CreateTableData(TVexCursor& cursor) = 0;
  // The open table object of the cursor's table (case-insensitive), null when none.
  virtual TVexTableData* FindTableData(TVexCursor& cursor);
  // Under the lock: FindTableData, else CreateTableData.
  virtual TVexTableData& GetTableData(TVexCursor& cursor);
  virtual int32_t GetNextObjectId() = 0;
  // The page manager's commit for the session.
  virtual void CommitTransaction(TVexBaseSession& session, bool flush);
  // The page manager's rollback for the session, then RefreshSession of every open table.
  virtual void RollbackTransaction(TVexBaseSession& session);
  virtual void FlushBuffers();

  // ---- Non-virtual.
  void Lock() { CriticalSection.lock(); }
  void Unlock() { CriticalSection.unlock(); }
  // Under the lock: whether GetTableNames lists the name (case-insensitive).
  bool TableExists(const std::string& tableName);
  // Takes a new table object into the list; returns it.
  TVexTableData& AddTableData(std::unique_ptr<TVexTableData> table);
  // Frees a table object and removes it from the list.
  void FreeTableData(TVexTableData* table);

  // ---- Members in order.
  std::recursive_mutex CriticalSection;
  std::vector<TVexBaseSession*> Sessions;              // connected; not owned
  std::vector<std::unique_ptr<TVexTableData>> Tables;  // open table objects
  TVexBasePageManager* PageManager = nullptr;          // set by an engine; not owned
  int32_t Reserved[3] = {20, 50, 0};                   // carried, not interpreted here
  std::string FileName;
  bool ReadOnly = false;
  bool MultiUser = false;
};

// The process-wide, locked list of database objects; it owns them.
class TVexDatabaseDataList {
 public:
  static TVexDatabaseDataList& Instance();

  TVexDatabaseData& Add(std::unique_ptr<TVexDatabaseData> database);
  // Frees the object and removes it; false when it is not in the list.
  bool Remove(TVexDatabaseData* database);
  bool Contains(const TVexDatabaseData* database);
  // The first object whose file name equals fileName (case-sensitive), null when none.
  TVexDatabaseData* FindByFileName(const std::string& fileName);

 private:
  std::mutex Mutex_;
  std::vector<std::unique_ptr<TVexDatabaseData>> Items_;
};
