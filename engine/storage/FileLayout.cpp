// Stored forms of the main header and encryption record, page header defaults, page types.
#include "engine/storage/FileLayout.h"

#include <cstring>

#include "engine/base/VexCrc32.h"
#include "engine/base/VexExcept.h"

namespace VexLayout {

namespace {
const char* const kPageTypeNames[] = {
    "Unknown Page",
    "Empty Page",
    "EAM Page",
    "PFS Page",
    "FileSystemDirectory Page",
    "ActiveSessionList Page",
    "TableList Page",
    "TableLocks Page",
    "TableMetaData Page",
    "TableMostUpdated Page",
    "TableRecord Page",
    "TableBlob Page",
    "TableIndex Page",
};
}  // namespace

std::string PageTypeName(uint16_t pageType) {
  if (pageType > ptTableIndex) throw EVexException(30382, "Unknown Page Type: (%d)", {pageType});
  return kPageTypeNames[pageType];
}

void CheckPageType(uint16_t found, uint16_t wanted, int32_t code) {
  if (found == wanted) return;
  auto name = [](uint16_t t) {
    return t > ptTableIndex ? std::string("(").append(std::to_string(t)).append(")")
                            : std::string(kPageTypeNames[t]);
  };
  throw EVexException(code, "Wrong page type. Found '%s', but wanted: '%s'",
                      {name(found), name(wanted)});
}

void TVexMainHeader::Load(const uint8_t* b) {
  std::memcpy(Signature.data(), b, kSignatureSize);
  HeaderSize = ReadInt16LE(b + 16);
  FileVersion = ReadDoubleLE(b + 18);
  PageSize = ReadUInt16LE(b + 26);
  ExtentSize = ReadUInt16LE(b + 28);
  TotalPageCount = ReadInt32LE(b + 30);
  LastAllocatedPageNo = ReadInt32LE(b + 34);
  ChangeCount = ReadInt32LE(b + 38);
  WriteState = b[42];
  Encrypted = b[43];
}

void TVexMainHeader::Store(uint8_t* b) const {
  std::memset(b, 0, kMainHeaderSize);
  std::memcpy(b, Signature.data(), kSignatureSize);
  WriteInt16LE(b + 16, HeaderSize);
  WriteDoubleLE(b + 18, FileVersion);
  WriteUInt16LE(b + 26, PageSize);
  WriteUInt16LE(b + 28, ExtentSize);
  WriteInt32LE(b + 30, TotalPageCount);
  WriteInt32LE(b + 34, LastAllocatedPageNo);
  WriteInt32LE(b + 38, ChangeCount);
  b[42] = WriteState;
  b[43] = Encrypted;
}

bool TVexMainHeader::SignatureMatches() const {
  return std::memcmp(Signature.data(), kSignature, kSignatureSize) == 0;
}

std::string TVexMainHeader::SignatureText() const {
  return std::string(reinterpret_cast<const char*>(Signature.data()), kSignatureSize);
}

void TVexEncryptionRecord::Load(const uint8_t* b) {
  RecordSize = ReadInt16LE(b);
  CipherId = b[2];
  std::memcpy(PasswordCheckBlock.data(), b + 4, kPasswordCheckSize);
  PasswordCheckCRC = ReadUInt32LE(b + 260);
}

void TVexEncryptionRecord::Store(uint8_t* b) const {
  std::memset(b, 0, kEncryptionRecordSize);
  WriteInt16LE(b, RecordSize);
  b[2] = CipherId;
  std::memcpy(b + 4, PasswordCheckBlock.data(), kPasswordCheckSize);
  WriteUInt32LE(b + 260, PasswordCheckCRC);
}

void InitPageHeader(uint8_t* page) {
  std::memcpy(page, "VEXP", 4);
  SetPageChangeCounter(page, 0);
  SetPageType(page, ptUnknown);
  SetPageNextPageNo(page, -1);
  SetPageDataCRC(page, 0);
  std::memset(page + 18, 0, 4);
  SetPageOwnerObjectId(page, -1);
  WriteInt32LE(page + 26, -1);
  std::memset(page + 30, 0, 2);
}

uint32_t PageCRC32(const uint8_t* data, size_t size) {
  return ZlibCrc32(data, size);
}

}  // namespace VexLayout
