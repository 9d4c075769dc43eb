// TVexDiskPageManager: headers, open and create, offsets, locks, page I/O and commit.
#include "engine/storage/DiskPageManager.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "engine/base/VexDecUtil.h"
#include "engine/base/VexExcept.h"
#include "engine/storage/FreeSpaceManager.h"
#include "engine/storage/LockPolling.h"

using namespace VexLayout;

namespace {

std::mt19937& Random() {
  static thread_local std::mt19937 rng{std::random_device{}()};
  return rng;
}

// The smallest page size whose geometry the engine can work with.
constexpr uint16_t kMinPageSize = 64;

// Restores the plain data area of a page that was enciphered for writing.
class TPlainAgain {
 public:
  TPlainAgain(uint8_t* page, int32_t pageSize, const std::string& password)
      : page_(page), pageSize_(pageSize), password_(password) {}
  ~TPlainAgain() {
    DecryptBuffer(PageCipherId(page_), page_ + kPageHeaderSize, pageSize_ - kPageHeaderSize,
                  password_);
  }
  TPlainAgain(const TPlainAgain&) = delete;
  TPlainAgain& operator=(const TPlainAgain&) = delete;

 private:
  uint8_t* page_;
  int32_t pageSize_;
  const std::string& password_;
};

}  // namespace

TVexDiskPageManager::TVexDiskPageManager(int64_t availableMemory)
    : TVexPageManager(4096, kPageHeaderSize, availableMemory) {}

TVexDiskPageManager::~TVexDiskPageManager() {
  ReleaseAll();
  FreeSpaceManager.reset();
  try {
    DatabaseFile.CloseFile();
  } catch (const EVexException&) {
    // nothing more can be done about a failed close while the manager goes away
  }
}

void TVexDiskPageManager::ResetOffsets() {
  StartOffset = 0;
  EncryptionRecordOffset = kEncryptionRecordOffset;
  LockRecordOffset = kLockRecordOffset;
  NextObjectIdOffset = kNextObjectIdOffset;
  FirstPageOffset = kFirstPageOffset;
  DatabaseLockNesting = 0;
}

// -- headers ---------------------------------------------------------------------------------

void TVexDiskPageManager::ReadHeader() {
  if (!DatabaseFile.IsOpen) throw EVexException(10459, "Error - database file is not opened.");
  uint8_t bytes[kMainHeaderSize];
  DatabaseFile.ReadBufferChecked(bytes, 10464, StartOffset, kMainHeaderSize);
  MainHeader.Load(bytes);
}

void TVexDiskPageManager::WriteHeader(bool) {
  // The change check against the header on disk belongs to the designer's transient mode,
  // which this engine does not run in.
  if (!DatabaseFile.IsOpen) throw EVexException(10460, "Error - database file is not opened.");
  uint8_t bytes[kMainHeaderSize];
  MainHeader.Store(bytes);
  DatabaseFile.WriteBuffer(bytes, 10462, StartOffset, kMainHeaderSize);
}

// -- open and create -------------------------------------------------------------------------

bool TVexDiskPageManager::ProbeWritable(const std::string& fileName, bool& multiUser) {
  if (::access(fileName.c_str(), F_OK) != 0) return true;  // OpenFile reports the missing file
  if (::access(fileName.c_str(), W_OK) != 0) {
    multiUser = false;
    return false;
  }
  OsFile probe;
  if (probe.Open(fileName, OsFile::Access::ReadWrite,
                 multiUser ? OsFile::Share::ReadWrite : OsFile::Share::Read,
                 OsFile::Disposition::OpenExisting) != 0)
    return false;
  uint8_t first = 0;
  size_t done = 0;
  if (probe.ReadAt(&first, 1, 0, done) != 0) return true;  // empty: nothing to prove
  return probe.WriteAt(&first, 1, 0, done) == 0;
}

int64_t TVexDiskPageManager::LocateDatabaseStart() {
  constexpr int kMatch = kSignatureSize + 2;
  auto matches = [](const uint8_t* p) {
    return std::memcmp(p, kSignature, kSignatureSize) == 0 &&
           ReadInt16LE(p + 16) == kMainHeaderSize;
  };
  uint8_t head[kSignatureSize + kMainHeaderSize];
  if (DatabaseFile.ReadBuffer(head, 0, sizeof head) && matches(head)) return 0;
  int64_t size = DatabaseFile.GetSize();
  constexpr int64_t kWindow = 10000;
  std::vector<uint8_t> window(kWindow);
  // Consecutive windows overlap so that every candidate offset is seen with all the bytes
  // its check needs.
  for (int64_t start = 0; start + kMatch <= size; start += kWindow - (kMatch - 1)) {
    int32_t count = int32_t(std::min<int64_t>(kWindow, size - start));
    if (!DatabaseFile.ReadBuffer(window.data(), start, count)) break;
    for (int32_t i = 0; i + kMatch <= count; ++i)
      if (matches(window.data() + i)) return start + i;
  }
  return 0;
}

void TVexDiskPageManager::CheckGeometry() {
  const TVexMainHeader& h = MainHeader;
  if (h.PageSize < kMinPageSize || h.ExtentSize == 0 || h.TotalPageCount < 0 ||
      h.LastAllocatedPageNo < -1 ||
      h.LastAllocatedPageNo >= h.TotalPageCount + (h.TotalPageCount == 0))
    throw EVexException(20237, "Invalid database format");
}

bool TVexDiskPageManager::OpenDatabase(const std::string& fileName, TVexPassword& password,
                                       bool& multiUser, bool exclusive, bool& readOnly) {
  if (DatabaseFile.IsOpen)
    throw EVexException(10462, "Error - database file %s is in use.", {fileName});
  Password = password;
  ResetOffsets();
  if (!readOnly && !ProbeWritable(fileName, multiUser)) readOnly = true;
  uint8_t accessMode = 0, shareMode = 1;
  if (!readOnly) {
    accessMode = 1;
    shareMode = exclusive ? 0 : 1;
    if (exclusive) multiUser = false;
  }
  Exclusive = exclusive;
  MultiUser = multiUser;
  DatabaseFile.OpenFile(fileName, accessMode, shareMode);
  try {
    bool repairNeeded = false;
    if (!PollLock([&] { return DatabaseFile.LockByte(1, kDatabaseLockByte); }))
      throw EVexException(20230, "Database is locked");
    {
      struct Unlock {
        TVexDatabaseFile& f;
        ~Unlock() { f.UnlockByte(1, kDatabaseLockByte); }
      } unlock{DatabaseFile};
      StartOffset = LocateDatabaseStart();
      ReadHeader();
      repairNeeded = MainHeader.WriteState != kWriteStateConsistent ||
                     MainHeader.FileVersion < kOldestSoundVersion;
    }
    if (!MainHeader.SignatureMatches())
      throw EVexException(10470, "Invalid file format. Found signature: '%s', expected: '%s'",
                          {MainHeader.SignatureText(), std::string(kSignature)});
    CheckGeometry();
    SetPageGeometry(MainHeader.PageSize, kPageHeaderSize);
    EncryptionRecordOffset = StartOffset + MainHeader.HeaderSize;
    LockRecordOffset = EncryptionRecordOffset + kEncryptionRecordSize;
    uint8_t record[kEncryptionRecordSize];
    DatabaseFile.ReadBufferChecked(record, 30439, EncryptionRecordOffset, kEncryptionRecordSize);
    EncryptionControlRecord.Load(record);
    if (MainHeader.Encrypted != 0) {
      Password.CryptoAlgorithm = EncryptionControlRecord.CipherId;
      std::array<uint8_t, kPasswordCheckSize> block = EncryptionControlRecord.PasswordCheckBlock;
      DecryptBuffer(Password.CryptoAlgorithm, block.data(), kPasswordCheckSize, Password.Password);
      if (PageCRC32(block.data(), block.size()) != EncryptionControlRecord.PasswordCheckCRC)
        throw EVexException(30445, "Cannot open database because incorrect password");
    }
    if (StartOffset + MainHeader.HeaderSize + EncryptionControlRecord.RecordSize !=
        LockRecordOffset)
      throw EVexException(20237, "Invalid database format");
    uint8_t lockSize[2];
    DatabaseFile.ReadBufferChecked(lockSize, 30442, LockRecordOffset, 2);
    LockRecordSize = ReadInt16LE(lockSize);
    if (LockRecordSize < 2) throw EVexException(20237, "Invalid database format");
    NextObjectIdOffset = LockRecordOffset + LockRecordSize;
    FirstPageOffset = NextObjectIdOffset + kNextObjectIdSize;
    FreeSpaceManager = std::make_unique<TVexDatabaseFreeSpaceManager>(
        this, MainHeader.ExtentSize, MainHeader.TotalPageCount, MainHeader.LastAllocatedPageNo);
    password = Password;
    return repairNeeded;
  } catch (...) {
    FreeSpaceManager.reset();
    DatabaseFile.CloseFile();
    ResetOffsets();
    throw;
  }
}

void TVexDiskPageManager::CreateDatabase(const std::string& fileName, const TVexPassword& password,
                                         uint16_t extentSize, uint16_t pageSize) {
  if (DatabaseFile.IsOpen)
    throw EVexException(10461, "Error - database file %s is in use.", {fileName});
  if (pageSize < kMinPageSize || extentSize == 0)
    throw EVexException(20237, "Invalid database format");
  ResetOffsets();
  Password = password;
  MultiUser = false;
  Exclusive = true;
  DatabaseFile.CreateFile(fileName);
  try {
    MainHeader = TVexMainHeader{};
    std::memcpy(MainHeader.Signature.data(), kSignature, kSignatureSize);
    MainHeader.PageSize = pageSize;
    MainHeader.ExtentSize = extentSize;
    MainHeader.Encrypted = password.Password.empty() ? 0 : 0xFF;
    SetPageGeometry(pageSize, kPageHeaderSize);
    EncryptionControlRecord = TVexEncryptionRecord{};
    if (MainHeader.Encrypted) {
      EncryptionControlRecord.CipherId = password.CryptoAlgorithm;
      std::uniform_int_distribution<int> byte(0, 254);
      for (uint8_t& b : EncryptionControlRecord.PasswordCheckBlock) b = uint8_t(byte(Random()));
      EncryptionControlRecord.PasswordCheckCRC =
          PageCRC32(EncryptionControlRecord.PasswordCheckBlock.data(), kPasswordCheckSize);
      EncryptBuffer(password.CryptoAlgorithm, EncryptionControlRecord.PasswordCheckBlock.data(),
                    kPasswordCheckSize, password.Password);
    }
    uint8_t fixed[kFirstPageOffset] = {};
    MainHeader.Store(fixed);
    EncryptionControlRecord.Store(fixed + kEncryptionRecordOffset);
    WriteInt16LE(fixed + kLockRecordOffset, kLockRecordSize);
    WriteInt32LE(fixed + kNextObjectIdOffset, 0);
    DatabaseFile.WriteBuffer(fixed, 10462, 0, int32_t(sizeof fixed));
    FreeSpaceManager = std::make_unique<TVexDatabaseFreeSpaceManager>(this, extentSize, 0, -1);
  } catch (...) {
    FreeSpaceManager.reset();
    DatabaseFile.CloseFile();
    throw;
  }
}

void TVexDiskPageManager::CloseDatabase() {
  ReleaseAll();
  FreeSpaceManager.reset();
  DatabaseLockNesting = 0;
  DatabaseFile.CloseFile();
}

// -- offsets, fragments and lock bytes -------------------------------------------------------

int64_t TVexDiskPageManager::GetPageOffset(int32_t pageNo) const {
  if (pageNo < 0) throw EVexException(10471, "Invalid PageNo = %d", {pageNo});
  return FirstPageOffset + int64_t(pageNo) * PageSize;
}

void TVexDiskPageManager::CheckFragment(int32_t offsetInPage, int32_t count, int32_t code) {
  if (offsetInPage < 0 || count < 0 || int64_t(offsetInPage) + count > PageSize)
    throw EVexException(code, "Error - invalid page offset = %d, page size = %d",
                        {int64_t(offsetInPage) + count, PageSize});
}

void TVexDiskPageManager::ReadPageFragment(int32_t pageNo, int32_t offsetInPage, void* buffer,
                                           int32_t count) {
  CheckFragment(offsetInPage, count, 10476);
  DatabaseFile.ReadBufferChecked(buffer, 10474, GetPageOffset(pageNo) + offsetInPage, count);
}

void TVexDiskPageManager::WritePageFragment(int32_t pageNo, int32_t offsetInPage,
                                            const void* buffer, int32_t count, int32_t code) {
  CheckFragment(offsetInPage, count, 10477);
  DatabaseFile.WriteBuffer(buffer, code, GetPageOffset(pageNo) + offsetInPage, count);
}

bool TVexDiskPageManager::LockPageByte(int32_t pageNo, int32_t offsetInPage) {
  return DatabaseFile.LockByte(1, GetPageOffset(pageNo) + offsetInPage);
}

bool TVexDiskPageManager::UnlockPageByte(int32_t pageNo, int32_t offsetInPage) {
  return DatabaseFile.UnlockByte(1, GetPageOffset(pageNo) + offsetInPage);
}

bool TVexDiskPageManager::IsPageByteLocked(int32_t pageNo, int32_t offsetInPage) {
  return DatabaseFile.IsByteLocked(GetPageOffset(pageNo) + offsetInPage);
}

bool TVexDiskPageManager::IsPageRegionLocked(int32_t pageNo, int32_t offsetInPage, int32_t count) {
  return DatabaseFile.IsRegionLocked(count, GetPageOffset(pageNo) + offsetInPage);
}

bool TVexDiskPageManager::LockDatabase(bool poll) {
  if (DatabaseLockNesting > 0) {
    ++DatabaseLockNesting;
    return true;
  }
  int64_t byte = StartOffset + kDatabaseLockByte;
  bool ok = poll ? PollLock([&] { return DatabaseFile.LockByte(1, byte); })
                 : DatabaseFile.LockByte(1, byte);
  if (ok) DatabaseLockNesting = 1;
  return ok;
}

void TVexDiskPageManager::UnlockDatabase() {
  if (DatabaseLockNesting <= 0) return;
  if (--DatabaseLockNesting == 0 && DatabaseFile.IsOpen)
    DatabaseFile.UnlockByte(1, StartOffset + kDatabaseLockByte);
}

bool TVexDiskPageManager::LockTables() {
  return PollLock([&] { return DatabaseFile.LockByte(1, StartOffset + kTablesLockByte); });
}

bool TVexDiskPageManager::UnlockTables() {
  return DatabaseFile.UnlockByte(1, StartOffset + kTablesLockByte);
}

int32_t TVexDiskPageManager::GetNextObjectId() {
  if (!DatabaseFile.IsOpen) throw EVexException(30399, "Error - database file is not opened.");
  if (!PollLock([&] { return DatabaseFile.LockByte(1, NextObjectIdOffset); }))
    throw EVexException(30401, "Cannot get NextObjectID. File area is Locked.");
  struct Unlock {
    TVexDatabaseFile& f;
    int64_t at;
    ~Unlock() { f.UnlockByte(1, at); }
  } unlock{DatabaseFile, NextObjectIdOffset};
  uint8_t bytes[4];
  DatabaseFile.ReadBufferChecked(bytes, 30400, NextObjectIdOffset, 4);
  int32_t id = int32_t(uint32_t(ReadInt32LE(bytes)) + 1u);
  if (DatabaseFile.AccessMode == 1) {
    WriteInt32LE(bytes, id);
    DatabaseFile.WriteBuffer(bytes, 30404, NextObjectIdOffset, 4);
  } else {
    id = int32_t(uint32_t(id) + uint32_t(std::uniform_int_distribution<int>(0, 9999)(Random())));
  }
  return id;
}

TVexDatabaseLock::TVexDatabaseLock(TVexDiskPageManager& manager, bool poll, int32_t code)
    : manager_(manager) {
  if (!manager_.LockDatabase(poll)) throw EVexException(code, "Database is locked");
}

// -- page operations -------------------------------------------------------------------------

int32_t TVexDiskPageManager::GetTotalPageCount() {
  // Without other writers the header in memory is the one on disk.
  if (!MultiUser && DatabaseFile.IsOpen) return MainHeader.TotalPageCount;
  TVexDatabaseLock lock(*this, false, 20236);
  ReadHeader();
  return MainHeader.TotalPageCount;
}

bool TVexDiskPageManager::IsPageValid(int32_t sessionId, TVexPage* page) {
  if (!MultiUser) return true;
  std::optional<int32_t> version = TablePagesCache.CurrentTableVersion(sessionId);
  size_t index = size_t(sessionId + 2);
  if (!version || index >= page->SessionValidity.size()) return false;
  const TVexPageValidity& v = page->SessionValidity[index];
  return v.Valid && v.TableVersion == *version;
}

void TVexDiskPageManager::SetPageValid(int32_t sessionId, TVexPage* page) {
  if (!MultiUser || sessionId < -2) return;
  size_t index = size_t(sessionId + 2);
  if (index >= page->SessionValidity.size()) page->SessionValidity.resize(index + 1);
  page->SessionValidity[index] = {TablePagesCache.CurrentTableVersion(sessionId).value_or(-1),
                                  true};
}

void TVexDiskPageManager::RevalidatePage(TVexPage* page) {
  if (!MultiUser || !page->Buffer) return;
  uint8_t bytes[4];
  int32_t onDisk = kChangeCounterReadFailed;
  if (DatabaseFile.ReadBuffer(bytes, GetPageOffset(page->PageNo) + kPhChangeCounter, 4))
    onDisk = ReadInt32LE(bytes);
  if (onDisk == kChangeCounterReadFailed || onDisk == PageChangeCounter(page->Buffer)) {
    SetPageChangeCounter(page->Buffer, onDisk);
    return;
  }
  ReadPage(page);
}

int64_t TVexDiskPageManager::StorageCapacity() {
  int64_t pages = (DatabaseFile.GetSize() - FirstPageOffset) / PageSize;
  return pages > 0 ? pages * PageDataSize : 0;
}

void TVexDiskPageManager::AllocatePage(TVexPage* page) {
  page->PageNo = FreeSpaceManager->AllocatePage();
  page->AllocBuffer();
}

void TVexDiskPageManager::FreePage(int32_t pageNo) {
  uint8_t stamp[4];
  WriteInt32LE(stamp, kChangeCounterReadFailed);
  WritePageFragment(pageNo, kPhChangeCounter, stamp, 4, 20198);
  FreeSpaceManager->FreePage(pageNo);
}

bool TVexDiskPageManager::PageIsEncrypted(const uint8_t* page) const {
  uint16_t type = PageType(page);
  return MainHeader.Encrypted != 0 && type != ptPFS && type != ptEAM;
}

bool TVexDiskPageManager::ReadPage(TVexPage* page) {
  if (!page->Buffer) page->AllocBuffer();
  page->ReadFromDisk = true;
  if (!DatabaseFile.ReadBuffer(page->Buffer, GetPageOffset(page->PageNo), PageSize)) {
    std::memset(page->Buffer, 0, PageSize);
    page->InitHeader();
    SetPageChangeCounter(page->Buffer, kChangeCounterReadFailed);
    return false;
  }
  if (PageIsEncrypted(page->Buffer)) {
    uint8_t* data = page->Buffer + kPageHeaderSize;
    DecryptBuffer(PageCipherId(page->Buffer), data, PageDataSize, Password.Password);
    if (PageCRC32(data, PageDataSize) != PageDataCRC(page->Buffer))
      throw EVexException(30446, "Decrypt page error. Check CRC failed. PageNo: %d",
                          {page->PageNo});
  }
  return true;
}

void TVexDiskPageManager::WritePage(TVexPage* page) {
  uint8_t* buffer = page->Buffer;
  SetPageChangeCounter(buffer, NextChangeCounter(PageChangeCounter(buffer)));
  if (page->EncryptOnWrite && PageIsEncrypted(buffer)) {
    uint8_t* data = buffer + kPageHeaderSize;
    SetPageCipherId(buffer, EncryptionControlRecord.CipherId);
    SetPageDataCRC(buffer, PageCRC32(data, PageDataSize));
    if (!EncryptBuffer(EncryptionControlRecord.CipherId, data, PageDataSize, Password.Password)) {
      DecryptBuffer(EncryptionControlRecord.CipherId, data, PageDataSize, Password.Password);
      throw EVexException(10469, "Cannot encrypt page. PageNo: %d", {page->PageNo});
    }
    TPlainAgain plain(buffer, PageSize, Password.Password);
    DatabaseFile.WriteBuffer(buffer, 10469, GetPageOffset(page->PageNo), PageSize);
    return;
  }
  DatabaseFile.WriteBuffer(buffer, 10469, GetPageOffset(page->PageNo), PageSize);
}

void TVexDiskPageManager::RemovePage(int32_t sessionId, int32_t pageNo) {
  if (FreeSpaceManager && FreeSpaceManager->IsMapPage(pageNo))
    throw EVexException(30434, "Cannot delete PFS or EAM page. PageNo=%d", {pageNo});
  TVexPageManager::RemovePage(sessionId, pageNo);
}

TVexPage* TVexDiskPageManager::GetPage(int32_t sessionId, int32_t pageNo, bool validate,
                                       uint16_t expectedType) {
  if (pageNo < 0) throw EVexException(10471, "Invalid PageNo = %d", {pageNo});
  if (FreeSpaceManager && FreeSpaceManager->IsMapPage(pageNo))
    throw EVexException(30434, "Cannot delete PFS or EAM page. PageNo=%d", {pageNo});
  return TVexPageManager::GetPage(sessionId, pageNo, validate, expectedType);
}

void TVexDiskPageManager::Commit(int32_t sessionId) {
  if (!HasChanges(sessionId)) return;
  TVexDatabaseLock lock(*this, true, 20213);
  ReadHeader();
  MainHeader.WriteState = kWriteStateWriting;
  WriteHeader(true);
  TVexPageManager::Commit(sessionId);
  MainHeader.ChangeCount = int32_t(uint32_t(MainHeader.ChangeCount) + 1u);
  MainHeader.WriteState = kWriteStateConsistent;
  WriteHeader(false);
}
