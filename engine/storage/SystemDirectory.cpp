// TVexSystemDirectory: create at page 2, load and save the entry array.
#include "engine/storage/SystemDirectory.h"

#include "engine/base/VexExcept.h"
#include "engine/storage/FileLayout.h"
#include "platform/LittleEndian.h"

namespace {
constexpr int32_t kEntrySize = 5;
}

TVexSystemDirectory::TVexSystemDirectory(TVexPageManager* pageManager)
    : file_(pageManager, VexLayout::ptFileSystemDirectory) {}

void TVexSystemDirectory::Create(int32_t sessionId) {
  int32_t pageNo = file_.Create(sessionId);
  if (pageNo != kStartPageNo)
    throw EVexException(30392,
                        "Error Creating SystemDirectory. SystemDirectoryPageNo=%d. Real PageNo=%d.",
                        {kStartPageNo, pageNo});
  Entries.clear();
}

void TVexSystemDirectory::Load(int32_t sessionId) {
  file_.Open(kStartPageNo);
  std::vector<uint8_t> content = file_.ReadAll(sessionId, true);
  Entries.clear();
  for (size_t at = 0; at + kEntrySize <= content.size(); at += kEntrySize)
    Entries.push_back({content[at], ReadInt32LE(&content[at + 1])});
}

void TVexSystemDirectory::Save(int32_t sessionId) {
  std::vector<uint8_t> content(Entries.size() * kEntrySize);
  for (size_t i = 0; i < Entries.size(); ++i) {
    content[i * kEntrySize] = Entries[i].FileKind;
    WriteInt32LE(&content[i * kEntrySize + 1], Entries[i].StartPageNo);
  }
  file_.WriteFile(sessionId, content.data(), 0, 0, int32_t(content.size()));
}

void TVexSystemDirectory::AddEntry(uint8_t kind, int32_t startPageNo) {
  Entries.push_back({kind, startPageNo});
}

int32_t TVexSystemDirectory::FindEntry(uint8_t kind) const {
  for (const TEntry& e : Entries)
    if (e.FileKind == kind) return e.StartPageNo;
  return -1;
}
