// TVexTableListFile: the list of tables, a transacted internal file of 272-byte entries (name,
// object identifier and the start pages of the table's metadata, header and locks files) in
// creation order. Names are compared without regard to the case of ASCII letters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/TransactedFile.h"

struct TVexTableListEntry {
  std::string TableName;  // Windows-1252, at most 255 characters
  int32_t TableId = -1;
  int32_t MetadataFileStart = -1;
  int32_t HeaderFileStart = -1;
  int32_t LocksFileStart = -1;
};

class TVexTableListFile {
 public:
  static constexpr int32_t kEntrySize = 272;

  explicit TVexTableListFile(TVexPageManager* pageManager);
  int32_t Create(int32_t sessionId = -2);
  void Open(int32_t startPageNo) { file_.Open(startPageNo); }
  int32_t StartPageNo() const { return file_.StartPageNo; }
  void Load(int32_t sessionId = -2);
  void Save(int32_t sessionId = -2);
  void AddTable(int32_t tableId, const std::string& name, int32_t metadataStart,
                int32_t headerStart, int32_t locksStart);
  // The entry of the table (30396 when there is none).
  const TVexTableListEntry& FindTable(const std::string& name) const;
  void DeleteTable(const std::string& name);
  void RenameTable(const std::string& oldName, const std::string& newName);
  bool TableExists(const std::string& name) const;
  // Reloads the list and answers the names in stored order.
  std::vector<std::string> GetTableNames(int32_t sessionId = -2);

  std::vector<TVexTableListEntry> Tables;

 private:
  int32_t IndexOf(const std::string& name) const;
  TVexInternalDBTransactedAccessFile file_;
};
