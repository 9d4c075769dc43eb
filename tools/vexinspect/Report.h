// What vexinspect reports about a database file, how it is gathered (read-only, without
// taking a session), and its text and JSON forms.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/storage/FileLayout.h"
#include "engine/storage/TableListFile.h"
#include "engine/storage/VexPassword.h"

struct TInspectReport {
  std::string FileName;
  int64_t FileSize = 0;
  int64_t StartOffset = 0;
  VexLayout::TVexMainHeader Header;
  bool RepairNeeded = false;
  int16_t EncryptionRecordSize = 0;
  uint8_t CipherId = 0;
  std::map<uint16_t, int64_t> PageTypeCounts;
  int64_t UnreadablePages = 0;  // pages the header counts but the file does not hold
  int64_t UsedPages = 0;        // in use by the free-space map, map pages not included
  int64_t MapPages = 0;
  int64_t FreePages = 0;
  int32_t MaxConnections = 0;
  std::vector<TVexTableListEntry> Tables;
};

// Opens the file read-only and gathers the report; engine errors pass through.
TInspectReport InspectDatabase(const std::string& fileName, const TVexPassword& password);

std::string RenderText(const TInspectReport& report);
std::string RenderJson(const TInspectReport& report);
// The JSON form of an error: {"error": message, "code": code}.
std::string RenderJsonError(const std::string& message, int32_t code);
