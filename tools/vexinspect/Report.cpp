// Gathering and printing the vexinspect report.
#include "tools/vexinspect/Report.h"

#include <cstdio>
#include <sstream>

#include "engine/base/VexDecUtil.h"
#include "engine/base/VexStrUtils.h"
#include "engine/storage/DiskDatabaseCatalog.h"
#include "engine/storage/FreeSpaceManager.h"

using namespace VexLayout;

namespace {

std::string TypeName(uint16_t type) {
  return type <= ptTableIndex ? PageTypeName(type)
                              : std::string("(").append(std::to_string(type)).append(")");
}

std::string CipherName(uint8_t id) {
  const TVexCipherIdentifier* c = FindCipherIdentifier(id);
  return c ? c->Name : "none";
}

std::string Json(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char ch : utf8) {
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += char(ch);
    } else if (ch < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", ch);
      out += buf;
    } else {
      out += char(ch);
    }
  }
  return out + "\"";
}

void CountPages(TVexDiskPageManager& pm, TInspectReport& r) {
  const int32_t total = pm.MainHeader.TotalPageCount;
  TVexDatabaseFreeSpaceManager& fsm = *pm.FreeSpaceManager;
  std::vector<uint8_t> bitmap(pm.PageDataSize);
  int64_t bitmapPage = -1;
  bool bitmapOk = false;
  for (int32_t n = 0; n < total; ++n) {
    uint8_t type[2];
    // The type field only: byte 0 of a page may be a lock byte held by another process.
    if (!pm.DatabaseFile.ReadBuffer(type, pm.GetPageOffset(n) + kPhPageType, 2)) {
      ++r.UnreadablePages;
      continue;
    }
    ++r.PageTypeCounts[ReadUInt16LE(type)];
    if (fsm.IsMapPage(n)) {
      ++r.MapPages;
      continue;
    }
    int64_t pfs = n - n % fsm.PagesPerPFS;
    if (pfs != bitmapPage) {
      bitmapPage = pfs;
      bitmapOk = pm.DatabaseFile.ReadBuffer(
          bitmap.data(), pm.GetPageOffset(int32_t(pfs)) + kPageHeaderSize, pm.PageDataSize);
    }
    int64_t bit = n % fsm.PagesPerPFS;
    if (bitmapOk && ((bitmap[size_t(bit / 8)] >> (bit % 8)) & 1))
      ++r.UsedPages;
    else
      ++r.FreePages;
  }
}

}  // namespace

TInspectReport InspectDatabase(const std::string& fileName, const TVexPassword& password) {
  TInspectReport r;
  r.FileName = fileName;
  TVexDiskDatabaseCatalog db;
  TVexPassword pw = password;
  bool multiUser = false, readOnly = true;
  r.RepairNeeded = db.Open(fileName, pw, multiUser, false, readOnly);
  TVexDiskPageManager& pm = *db.PageManager;
  r.FileSize = pm.DatabaseFile.GetSize();
  r.StartOffset = pm.StartOffset;
  r.Header = pm.MainHeader;
  r.EncryptionRecordSize = pm.EncryptionControlRecord.RecordSize;
  r.CipherId = pm.EncryptionControlRecord.CipherId;
  r.MaxConnections = db.MaxConnections;
  r.Tables = db.TableList->Tables;
  CountPages(pm, r);
  return r;
}

std::string RenderText(const TInspectReport& r) {
  std::ostringstream o;
  const TVexMainHeader& h = r.Header;
  o << "File:                 " << r.FileName << "\n"
    << "File size:            " << r.FileSize << "\n"
    << "Database start:       " << r.StartOffset << "\n"
    << "Signature:            " << h.SignatureText() << "\n"
    << "File version:         " << h.FileVersion << "\n"
    << "Page size:            " << h.PageSize << "\n"
    << "Extent size:          " << h.ExtentSize << "\n"
    << "Total pages:          " << h.TotalPageCount << "\n"
    << "Last allocated page:  " << h.LastAllocatedPageNo << "\n"
    << "Change count:         " << h.ChangeCount << "\n"
    << "Write state:          " << int(h.WriteState)
    << (r.RepairNeeded ? " (repair needed)" : " (consistent)") << "\n"
    << "Encrypted:            " << (h.Encrypted ? "yes" : "no") << "\n"
    << "Encryption record:    size " << r.EncryptionRecordSize << ", cipher " << int(r.CipherId)
    << " " << (h.Encrypted ? CipherName(r.CipherId) : "(unused)") << "\n"
    << "Max connections:      " << r.MaxConnections << "\n"
    << "\nPages by type:\n";
  for (const auto& [type, count] : r.PageTypeCounts)
    o << "  " << type << " " << TypeName(type) << ": " << count << "\n";
  if (r.UnreadablePages) o << "  beyond the end of the file: " << r.UnreadablePages << "\n";
  o << "\nFree space:\n"
    << "  map pages: " << r.MapPages << "\n"
    << "  used pages: " << r.UsedPages << "\n"
    << "  free pages: " << r.FreePages << "\n"
    << "\nTables (" << r.Tables.size() << "):\n";
  for (const TVexTableListEntry& t : r.Tables)
    o << "  " << AnsiToUtf8(t.TableName) << ": id " << t.TableId << ", metadata page "
      << t.MetadataFileStart << ", header page " << t.HeaderFileStart << ", locks page "
      << t.LocksFileStart << "\n";
  return o.str();
}

std::string RenderJson(const TInspectReport& r) {
  std::ostringstream o;
  const TVexMainHeader& h = r.Header;
  char version[32];
  std::snprintf(version, sizeof version, "%.15g", h.FileVersion);
  o << "{\n  \"file\": " << Json(r.FileName) << ",\n  \"fileSize\": " << r.FileSize
    << ",\n  \"databaseStart\": " << r.StartOffset << ",\n  \"header\": {\n"
    << "    \"signature\": " << Json(AnsiToUtf8(h.SignatureText())) << ",\n"
    << "    \"headerSize\": " << h.HeaderSize << ",\n"
    << "    \"fileVersion\": " << version << ",\n"
    << "    \"pageSize\": " << h.PageSize << ",\n"
    << "    \"extentSize\": " << h.ExtentSize << ",\n"
    << "    \"totalPageCount\": " << h.TotalPageCount << ",\n"
    << "    \"lastAllocatedPageNo\": " << h.LastAllocatedPageNo << ",\n"
    << "    \"changeCount\": " << h.ChangeCount << ",\n"
    << "    \"writeState\": " << int(h.WriteState) << ",\n"
    << "    \"encrypted\": " << (h.Encrypted ? "true" : "false") << "\n  },\n"
    << "  \"repairNeeded\": " << (r.RepairNeeded ? "true" : "false") << ",\n"
    << "  \"encryptionRecord\": {\"recordSize\": " << r.EncryptionRecordSize
    << ", \"cipherId\": " << int(r.CipherId)
    << ", \"cipherName\": " << Json(h.Encrypted ? CipherName(r.CipherId) : "none") << "},\n"
    << "  \"maxConnections\": " << r.MaxConnections << ",\n  \"pageTypes\": [";
  bool first = true;
  for (const auto& [type, count] : r.PageTypeCounts) {
    o << (first ? "\n" : ",\n") << "    {\"type\": " << type
      << ", \"name\": " << Json(TypeName(type)) << ", \"count\": " << count << "}";
    first = false;
  }
  o << (first ? "" : "\n  ") << "],\n  \"pagesBeyondEnd\": " << r.UnreadablePages
    << ",\n  \"freeSpace\": {\"mapPages\": " << r.MapPages << ", \"usedPages\": " << r.UsedPages
    << ", \"freePages\": " << r.FreePages << "},\n  \"tables\": [";
  first = true;
  for (const TVexTableListEntry& t : r.Tables) {
    o << (first ? "\n" : ",\n") << "    {\"name\": " << Json(AnsiToUtf8(t.TableName))
      << ", \"tableId\": " << t.TableId << ", \"metadataPage\": " << t.MetadataFileStart
      << ", \"headerPage\": " << t.HeaderFileStart << ", \"locksPage\": " << t.LocksFileStart
      << "}";
    first = false;
  }
  o << (first ? "" : "\n  ") << "]\n}\n";
  return o.str();
}

std::string RenderJsonError(const std::string& message, int32_t code) {
  return "{\"error\": " + Json(message) + ", \"code\": " + std::to_string(code) + "}\n";
}
