// TVexSystemDirectory: the catalogue's root, a transacted internal file at page 2 holding
// 5-byte entries (file kind, start page) that locate the table list and the sessions file.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/storage/TransactedFile.h"

class TVexSystemDirectory {
 public:
  static constexpr int32_t kStartPageNo = 2;
  static constexpr uint8_t kTableListKind = 1;
  static constexpr uint8_t kActiveSessionsKind = 2;

  struct TEntry {
    uint8_t FileKind;
    int32_t StartPageNo;
  };

  explicit TVexSystemDirectory(TVexPageManager* pageManager);
  void Create(int32_t sessionId = -2);
  void Load(int32_t sessionId = -2);
  void Save(int32_t sessionId = -2);
  void AddEntry(uint8_t kind, int32_t startPageNo);
  int32_t FindEntry(uint8_t kind) const;

  std::vector<TEntry> Entries;

 private:
  TVexInternalDBTransactedAccessFile file_;
};
