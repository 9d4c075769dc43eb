// TVexInternalDBTransactedAccessFile: create, size, chain walk, compression of the content.
#include "engine/storage/TransactedFile.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "engine/base/VexCompression.h"
#include "engine/base/VexExcept.h"
#include "engine/storage/CompressedContent.h"
#include "engine/storage/FileLayout.h"
#include "engine/storage/InternalFileHeader.h"

using namespace VexLayout;
using VexInternalFile::kFileHeaderSize;

void TVexInternalDBTransactedAccessFile::CheckOpen(const char* operation) {
  if (StartPageNo == -1)
    throw EVexException(30389, "Cannot perform this operation (%s) on closed internal file",
                        {operation});
}

void TVexInternalDBTransactedAccessFile::RemoveChain(int32_t sessionId, int32_t pageNo,
                                                     std::unordered_set<int32_t>& seen) {
  while (pageNo != -1 && seen.insert(pageNo).second) {
    int32_t next;
    {
      TVexPageGuard page(*PageManager, PageManager->GetPage(sessionId, pageNo, true, FileType));
      next = PageNextPageNo(page->Buffer);
    }
    PageManager->RemovePage(sessionId, pageNo);
    pageNo = next;
  }
}

int32_t TVexInternalDBTransactedAccessFile::Create(int32_t sessionId) {
  if (StartPageNo != -1)
    throw EVexException(30383, "Cannot create Internal file. File already exists. StartPageNo=%d",
                        {StartPageNo});
  TVexPageGuard page(*PageManager, PageManager->AddPage(sessionId, FileType));
  VexInternalFile::THeader().Store(page->GetData());
  page->Dirty = true;
  StartPageNo = page->PageNo;
  return StartPageNo;
}

void TVexInternalDBTransactedAccessFile::Delete(int32_t sessionId) {
  CheckOpen("Delete");
  std::unordered_set<int32_t> seen;
  RemoveChain(sessionId, StartPageNo, seen);
  StartPageNo = -1;
}

TVexInternalDBTransactedAccessFile::TSizeInfo TVexInternalDBTransactedAccessFile::GetSize(
    int32_t sessionId, bool validate) {
  CheckOpen("GetSize");
  TVexPageGuard page(*PageManager,
                     PageManager->GetPage(sessionId, StartPageNo, validate, FileType));
  VexInternalFile::THeader h;
  h.Load(page->GetData());
  TSizeInfo info{h.StoredSize, h.ContentSize, h.Compression, page->ReadFromDisk};
  // Sizes that no file of this database can have are refused before anybody allocates them.
  int64_t capacity = PageManager->StorageCapacity();
  bool bad = h.StoredSize < 0 || h.ContentSize < 0 || h.StoredSize > capacity ||
             (h.Compression == 0 && h.ContentSize > h.StoredSize) ||
             (h.Compression != 0 && h.ContentSize > MaxDecompressedSize(h.StoredSize));
  if (bad)
    throw EVexException(30387, "Cannot Read internal file. FileSize=%d. ReadSize=%d",
                        {capacity, std::max(h.StoredSize, h.ContentSize)});
  return info;
}

int32_t TVexInternalDBTransactedAccessFile::Transfer(int32_t sessionId, uint8_t* buffer,
                                                     int32_t count, bool validate, bool write) {
  int32_t done = 0;
  int32_t offset = kFileHeaderSize;
  int32_t pageNo = StartPageNo;
  std::unordered_set<int32_t> seen;
  while (pageNo != -1 && done < count) {
    if (!seen.insert(pageNo).second) break;  // a chain that loops ends here
    TVexPageGuard page(*PageManager, PageManager->GetPage(sessionId, pageNo, validate, FileType));
    int32_t n = std::min(DataSize() - offset, count - done);
    if (write) {
      std::memcpy(page->GetData() + offset, buffer + done, size_t(n));
      page->Dirty = true;
    } else {
      std::memcpy(buffer + done, page->GetData() + offset, size_t(n));
    }
    done += n;
    offset = 0;
    pageNo = PageNextPageNo(page->Buffer);
  }
  return done;
}

void TVexInternalDBTransactedAccessFile::ReadFile(int32_t sessionId, uint8_t* buffer, bool validate,
                                                  int32_t count) {
  CheckOpen("ReadFile");
  TSizeInfo size = GetSize(sessionId, validate);
  if (count < 0 || size.ContentSize < count)
    throw EVexException(30387, "Cannot Read internal file. FileSize=%d. ReadSize=%d",
                        {size.ContentSize, count});
  std::vector<uint8_t> stored;
  int32_t wanted = count;
  uint8_t* target = buffer;
  if (size.Compression != 0) {
    stored.resize(size_t(size.StoredSize));
    wanted = size.StoredSize;
    target = stored.data();
  }
  int32_t got = Transfer(sessionId, target, wanted, validate, false);
  if (got < wanted)
    throw EVexException(30388,
                        "Cannot Read internal file. Wanted = %d bytes, but read only %d bytes. "
                        "Count = %d",
                        {wanted, got, count});
  if (size.Compression != 0) {
    std::vector<uint8_t> content;
    if (!DecompressContent(size.Compression, stored, size.ContentSize, content) ||
        int64_t(content.size()) < count)
      throw EVexException(20189, "Table file decompression error. Probably table is corrupted");
    if (count > 0) std::memcpy(buffer, content.data(), size_t(count));
  }
}

std::vector<uint8_t> TVexInternalDBTransactedAccessFile::ReadAll(int32_t sessionId, bool validate) {
  std::vector<uint8_t> content(size_t(GetSize(sessionId, validate).ContentSize));
  ReadFile(sessionId, content.data(), validate, int32_t(content.size()));
  return content;
}

void TVexInternalDBTransactedAccessFile::SetSize(int32_t sessionId, int32_t storedSize,
                                                 uint8_t compression, int32_t contentSize) {
  CheckOpen("SetSize");
  int64_t oldStored;
  {
    TVexPageGuard start(*PageManager, PageManager->GetPage(sessionId, StartPageNo, true, FileType));
    VexInternalFile::THeader h;
    h.Load(start->GetData());
    oldStored = std::max(h.StoredSize, 0);
  }
  int64_t oldPages = VexInternalFile::PagesFor(oldStored, DataSize());
  int64_t newPages = VexInternalFile::PagesFor(storedSize, DataSize());
  // Walk to the last page that stays, counting the pages the chain really has.
  int64_t keep = std::min(oldPages, newPages);
  int32_t pageNo = StartPageNo;
  std::unordered_set<int32_t> seen{pageNo};
  for (int64_t i = 1; i < keep; ++i) {
    TVexPageGuard page(*PageManager, PageManager->GetPage(sessionId, pageNo, true, FileType));
    int32_t next = PageNextPageNo(page->Buffer);
    if (next == -1 || !seen.insert(next).second)
      throw EVexException(30388,
                          "Cannot Read internal file. Wanted = %d bytes, but read only %d bytes. "
                          "Count = %d",
                          {oldStored, int64_t(i) * DataSize() - kFileHeaderSize, storedSize});
    pageNo = next;
  }
  {
    TVexPageGuard last(*PageManager, PageManager->GetPage(sessionId, pageNo, true, FileType));
    int32_t cut = PageNextPageNo(last->Buffer);
    if (newPages > oldPages) {
      TVexPage* previous = last.get();
      std::vector<std::unique_ptr<TVexPageGuard>> added;
      for (int64_t i = oldPages; i < newPages; ++i) {
        TVexPage* page = PageManager->AddPage(sessionId, FileType);
        added.push_back(std::make_unique<TVexPageGuard>(*PageManager, page));
        SetPageNextPageNo(previous->Buffer, page->PageNo);
        previous->Dirty = true;
        previous = page;
      }
    } else if (newPages < oldPages) {
      SetPageNextPageNo(last->Buffer, -1);
      last->Dirty = true;
      // The pages cut off go back to the free-space map with the session's commit.
      RemoveChain(sessionId, cut, seen);
    }
  }
  TVexPageGuard start(*PageManager, PageManager->GetPage(sessionId, StartPageNo, true, FileType));
  VexInternalFile::THeader h{kFileHeaderSize, storedSize, contentSize, compression};
  h.Store(start->GetData());
  start->Dirty = true;
}

void TVexInternalDBTransactedAccessFile::WriteFile(int32_t sessionId, const uint8_t* buffer,
                                                   uint8_t level, uint8_t compression,
                                                   int32_t count) {
  CheckOpen("WriteFile");
  std::vector<uint8_t> packed;
  const uint8_t* stored = buffer;
  int32_t storedSize = count;
  if (compression != 0 && count > 0) {
    if (!CompressBuffer(compression, level, buffer, count, packed))
      throw EVexException(20187, "Table file compression error");
    stored = packed.data();
    storedSize = int32_t(packed.size());
  } else {
    compression = 0;  // empty content is stored unpacked
  }
  SetSize(sessionId, storedSize, compression, count);
  Transfer(sessionId, const_cast<uint8_t*>(stored), storedSize, true, true);
}
