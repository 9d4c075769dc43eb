// The fixed layout of a database file: region offsets, the 76-byte main header, the 280-byte
// encryption control record, the 40-byte page header and the page types with their names.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/LittleEndian.h"

namespace VexLayout {

constexpr char kSignature[] = "VEXBASEFILESTORE";  // 16 bytes on disk, no terminator
constexpr int kSignatureSize = 16;
constexpr int kMainHeaderSize = 76;
constexpr int kEncryptionRecordSize = 280;
constexpr int kLockRecordSize = 20;
constexpr int kNextObjectIdSize = 4;
constexpr int64_t kEncryptionRecordOffset = 76;
constexpr int64_t kLockRecordOffset = 356;
constexpr int64_t kNextObjectIdOffset = 376;
constexpr int64_t kFirstPageOffset = 380;
constexpr int64_t kTablesLockByte = 359;
constexpr int64_t kDatabaseLockByte = 360;
constexpr int64_t kObjectIdLockByte = 376;
constexpr double kFileVersion = 5.14;
constexpr double kOldestSoundVersion = 2.99;
constexpr uint8_t kWriteStateWriting = 1;
constexpr uint8_t kWriteStateConsistent = 2;
constexpr int kPasswordCheckSize = 256;

constexpr int kPageHeaderSize = 40;
constexpr int32_t kChangeCounterMax = 0x7FFFFFFD;  // followed by 0
constexpr int32_t kChangeCounterReadFailed = 0x7FFFFFFF;
constexpr int32_t kChangeCounterSeedMax = 0x3FFFFFFE;

// Page header field offsets.
constexpr int kPhSignature = 0;
constexpr int kPhChangeCounter = 4;
constexpr int kPhPageType = 8;
constexpr int kPhNextPageNo = 10;
constexpr int kPhDataCRC = 14;
constexpr int kPhPageCipherId = 20;
constexpr int kPhOwnerObjectId = 22;

// Page types.
enum : uint16_t {
  ptUnknown = 0,
  ptEmpty = 1,
  ptEAM = 2,
  ptPFS = 3,
  ptFileSystemDirectory = 4,
  ptActiveSessionList = 5,
  ptTableList = 6,
  ptTableLocks = 7,
  ptTableMetaData = 8,
  ptTableMostUpdated = 9,
  ptTableRecord = 10,
  ptTableBlob = 11,
  ptTableIndex = 12,
};
constexpr uint16_t kAnyPageType = 255;

// Printed name of a page type; a type above 12 raises 30382.
std::string PageTypeName(uint16_t pageType);
// Raises code "Wrong page type. Found '%s', but wanted: '%s'" when found differs from wanted.
void CheckPageType(uint16_t found, uint16_t wanted, int32_t code);

// The main header, read and written field by field.
struct TVexMainHeader {
  std::array<uint8_t, kSignatureSize> Signature{};
  int16_t HeaderSize = kMainHeaderSize;
  double FileVersion = kFileVersion;
  uint16_t PageSize = 0;
  uint16_t ExtentSize = 0;
  int32_t TotalPageCount = 0;
  int32_t LastAllocatedPageNo = -1;
  int32_t ChangeCount = 0;
  uint8_t WriteState = kWriteStateConsistent;
  uint8_t Encrypted = 0;

  void Load(const uint8_t* bytes);   // kMainHeaderSize bytes
  void Store(uint8_t* bytes) const;  // kMainHeaderSize bytes, reserved bytes zero
  bool SignatureMatches() const;
  std::string SignatureText() const;
};

// The encryption control record.
struct TVexEncryptionRecord {
  int16_t RecordSize = kEncryptionRecordSize;
  uint8_t CipherId = 0;
  std::array<uint8_t, kPasswordCheckSize> PasswordCheckBlock{};
  uint32_t PasswordCheckCRC = 0;

  void Load(const uint8_t* bytes);  // kEncryptionRecordSize bytes
  void Store(uint8_t* bytes) const;
};

// Page header accessors over the first 40 bytes of a page buffer.
inline int32_t PageChangeCounter(const uint8_t* page) {
  return ReadInt32LE(page + kPhChangeCounter);
}
inline void SetPageChangeCounter(uint8_t* page, int32_t v) {
  WriteInt32LE(page + kPhChangeCounter, v);
}
inline uint16_t PageType(const uint8_t* page) {
  return ReadUInt16LE(page + kPhPageType);
}
inline void SetPageType(uint8_t* page, uint16_t v) {
  WriteUInt16LE(page + kPhPageType, v);
}
inline int32_t PageNextPageNo(const uint8_t* page) {
  return ReadInt32LE(page + kPhNextPageNo);
}
inline void SetPageNextPageNo(uint8_t* page, int32_t v) {
  WriteInt32LE(page + kPhNextPageNo, v);
}
inline uint32_t PageDataCRC(const uint8_t* page) {
  return ReadUInt32LE(page + kPhDataCRC);
}
inline void SetPageDataCRC(uint8_t* page, uint32_t v) {
  WriteUInt32LE(page + kPhDataCRC, v);
}
inline uint8_t PageCipherId(const uint8_t* page) {
  return page[kPhPageCipherId];
}
inline void SetPageCipherId(uint8_t* page, uint8_t v) {
  page[kPhPageCipherId] = v;
}
inline int32_t PageOwnerObjectId(const uint8_t* page) {
  return ReadInt32LE(page + kPhOwnerObjectId);
}
inline void SetPageOwnerObjectId(uint8_t* page, int32_t v) {
  WriteInt32LE(page + kPhOwnerObjectId, v);
}
// Writes the header defaults: signature, ChangeCounter 0, type 0, NextPageNo -1, DataCRC 0,
// OwnerObjectId -1, bytes 26..29 -1, the other reserved bytes zero (32..39 left alone).
void InitPageHeader(uint8_t* page);
// The ChangeCounter that follows v at a page write.
inline int32_t NextChangeCounter(int32_t v) {
  return (v >= kChangeCounterMax || v < 0) ? 0 : v + 1;
}

// zlib CRC-32 with initial value 0, used for page data and the password check.
uint32_t PageCRC32(const uint8_t* data, size_t size);

}  // namespace VexLayout
