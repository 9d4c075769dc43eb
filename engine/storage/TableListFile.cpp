// TVexTableListFile: stored entries, lookups by name, changes.
#include "engine/storage/TableListFile.h"

#include <cstring>

#include "engine/base/VexExcept.h"
#include "engine/storage/FileLayout.h"
#include "platform/LittleEndian.h"

namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

std::string Cut(const std::string& name) {
  return name.substr(0, 255);
}

}  // namespace

TVexTableListFile::TVexTableListFile(TVexPageManager* pageManager)
    : file_(pageManager, VexLayout::ptTableList) {}

int32_t TVexTableListFile::Create(int32_t sessionId) {
  Tables.clear();
  return file_.Create(sessionId);
}

void TVexTableListFile::Load(int32_t sessionId) {
  std::vector<uint8_t> content = file_.ReadAll(sessionId, true);
  Tables.clear();
  for (size_t at = 0; at + kEntrySize <= content.size(); at += kEntrySize) {
    const uint8_t* e = &content[at];
    TVexTableListEntry t;
    t.TableName.assign(reinterpret_cast<const char*>(e + 1), e[0]);
    t.TableId = ReadInt32LE(e + 256);
    t.MetadataFileStart = ReadInt32LE(e + 260);
    t.HeaderFileStart = ReadInt32LE(e + 264);
    t.LocksFileStart = ReadInt32LE(e + 268);
    Tables.push_back(std::move(t));
  }
}

void TVexTableListFile::Save(int32_t sessionId) {
  std::vector<uint8_t> content(Tables.size() * kEntrySize, 0);
  for (size_t i = 0; i < Tables.size(); ++i) {
    uint8_t* e = &content[i * kEntrySize];
    std::string name = Cut(Tables[i].TableName);
    e[0] = uint8_t(name.size());
    std::memcpy(e + 1, name.data(), name.size());
    WriteInt32LE(e + 256, Tables[i].TableId);
    WriteInt32LE(e + 260, Tables[i].MetadataFileStart);
    WriteInt32LE(e + 264, Tables[i].HeaderFileStart);
    WriteInt32LE(e + 268, Tables[i].LocksFileStart);
  }
  file_.WriteFile(sessionId, content.data(), 0, 0, int32_t(content.size()));
}

int32_t TVexTableListFile::IndexOf(const std::string& name) const {
  std::string wanted = Cut(name);
  for (size_t i = 0; i < Tables.size(); ++i)
    if (SameName(Tables[i].TableName, wanted)) return int32_t(i);
  return -1;
}

void TVexTableListFile::AddTable(int32_t tableId, const std::string& name, int32_t metadataStart,
                                 int32_t headerStart, int32_t locksStart) {
  if (IndexOf(name) >= 0)
    throw EVexException(30395, "Cannot create table. Table '%s' already exists", {name});
  Tables.push_back({Cut(name), tableId, metadataStart, headerStart, locksStart});
}

const TVexTableListEntry& TVexTableListFile::FindTable(const std::string& name) const {
  int32_t i = IndexOf(name);
  if (i < 0) throw EVexException(30396, "Table '%s' not exists.", {name});
  return Tables[size_t(i)];
}

void TVexTableListFile::DeleteTable(const std::string& name) {
  int32_t i = IndexOf(name);
  if (i < 0) throw EVexException(30405, "Table '%s' not exists.", {name});
  Tables.erase(Tables.begin() + i);
}

void TVexTableListFile::RenameTable(const std::string& oldName, const std::string& newName) {
  int32_t i = IndexOf(oldName);
  if (i < 0) throw EVexException(30397, "Table '%s' not exists.", {oldName});
  Tables[size_t(i)].TableName = Cut(newName);
}

bool TVexTableListFile::TableExists(const std::string& name) const {
  return IndexOf(name) >= 0;
}

std::vector<std::string> TVexTableListFile::GetTableNames(int32_t sessionId) {
  Load(sessionId);
  std::vector<std::string> names;
  for (const TVexTableListEntry& t : Tables) names.push_back(t.TableName);
  return names;
}
