// TVexDiskPageManager: the page manager of a disk database. It owns the database file and its
// fixed header records, opens and creates databases, maps page numbers to file offsets,
// encrypts pages, holds the database lock bytes and commits with the two-phase header protocol.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/storage/DatabaseFile.h"
#include "engine/storage/FileLayout.h"
#include "engine/storage/PageManager.h"
#include "engine/storage/TablePagesCache.h"
#include "engine/storage/VexPassword.h"

class TVexDatabaseFreeSpaceManager;

class TVexDiskPageManager : public TVexPageManager {
 public:
  explicit TVexDiskPageManager(int64_t availableMemory = -1);
  ~TVexDiskPageManager() override;

  int32_t GetTotalPageCount() override;
  bool IsPageValid(int32_t sessionId, TVexPage* page) override;
  void SetPageValid(int32_t sessionId, TVexPage* page) override;
  void AllocatePage(TVexPage* page) override;
  void FreePage(int32_t pageNo) override;
  bool ReadPage(TVexPage* page) override;
  void WritePage(TVexPage* page) override;
  void RemovePage(int32_t sessionId, int32_t pageNo) override;
  TVexPage* GetPage(int32_t sessionId, int32_t pageNo, bool validate,
                    uint16_t expectedType) override;
  void Commit(int32_t sessionId) override;
  void RevalidatePage(TVexPage* page) override;
  int64_t StorageCapacity() override;

  // Opens an existing database; MultiUser and ReadOnly come back as adjusted. Answers
  // RepairNeeded (interrupted commit or a file version below 2.99).
  bool OpenDatabase(const std::string& fileName, TVexPassword& password, bool& multiUser,
                    bool exclusive, bool& readOnly);
  void CreateDatabase(const std::string& fileName, const TVexPassword& password,
                      uint16_t extentSize, uint16_t pageSize);
  void CloseDatabase();
  bool IsOpen() const { return DatabaseFile.IsOpen; }

  void ReadHeader();
  void WriteHeader(bool checkChanges);
  int64_t GetPageOffset(int32_t pageNo) const;
  void ReadPageFragment(int32_t pageNo, int32_t offsetInPage, void* buffer, int32_t count);
  void WritePageFragment(int32_t pageNo, int32_t offsetInPage, const void* buffer, int32_t count,
                         int32_t code = 10475);
  bool LockPageByte(int32_t pageNo, int32_t offsetInPage);
  bool UnlockPageByte(int32_t pageNo, int32_t offsetInPage);
  bool IsPageByteLocked(int32_t pageNo, int32_t offsetInPage);
  bool IsPageRegionLocked(int32_t pageNo, int32_t offsetInPage, int32_t count);
  // The database lock byte, with nesting; poll waits the standard time, else a single try.
  bool LockDatabase(bool poll);
  void UnlockDatabase();
  bool LockTables();
  bool UnlockTables();
  int32_t GetNextObjectId();
  bool IsEncrypted() const { return MainHeader.Encrypted != 0; }
  // Whether the page's data area is enciphered on disk (not for PFS and EAM pages).
  bool PageIsEncrypted(const uint8_t* page) const;

  std::unique_ptr<TVexDatabaseFreeSpaceManager> FreeSpaceManager;
  TVexDatabaseFile DatabaseFile;
  VexLayout::TVexMainHeader MainHeader;
  VexLayout::TVexEncryptionRecord EncryptionControlRecord;
  TVexPassword Password;
  int16_t LockRecordSize = VexLayout::kLockRecordSize;
  int32_t DatabaseLockNesting = 0;
  bool Exclusive = false;
  TVexDiskTablePagesCacheManager TablePagesCache;
  int64_t StartOffset = 0;
  int64_t EncryptionRecordOffset = VexLayout::kEncryptionRecordOffset;
  int64_t LockRecordOffset = VexLayout::kLockRecordOffset;
  int64_t NextObjectIdOffset = VexLayout::kNextObjectIdOffset;
  int64_t FirstPageOffset = VexLayout::kFirstPageOffset;

 private:
  void ResetOffsets();
  void CheckGeometry();
  bool ProbeWritable(const std::string& fileName, bool& multiUser);
  int64_t LocateDatabaseStart();
  void CheckFragment(int32_t offsetInPage, int32_t count, int32_t code);
};

// Holds the database lock byte for a scope; raises code "Database is locked" when it cannot
// be had.
class TVexDatabaseLock {
 public:
  TVexDatabaseLock(TVexDiskPageManager& manager, bool poll, int32_t code);
  ~TVexDatabaseLock() { manager_.UnlockDatabase(); }
  TVexDatabaseLock(const TVexDatabaseLock&) = delete;
  TVexDatabaseLock& operator=(const TVexDatabaseLock&) = delete;

 private:
  TVexDiskPageManager& manager_;
};
