// TVexInternalDBDirectAccessFile: chain collection at open, positioned access, lock bytes.
#include "engine/storage/DirectAccessFile.h"

#include <algorithm>
#include <unordered_set>

#include "engine/base/VexExcept.h"
#include "engine/storage/FileLayout.h"
#include "engine/storage/InternalFileHeader.h"

using namespace VexLayout;
using VexInternalFile::kFileHeaderSize;

void TVexInternalDBDirectAccessFile::CheckOpen(const char* operation) {
  if (StartPageNo == -1)
    throw EVexException(20156, "Cannot perform this operation (%s) on closed internal file",
                        {operation});
}

int32_t TVexInternalDBDirectAccessFile::Create(int32_t size) {
  if (StartPageNo != -1)
    throw EVexException(20157, "Cannot create Internal file. File already exists. StartPageNo=%d",
                        {StartPageNo});
  size = std::max(size, 0);
  int64_t pages = VexInternalFile::PagesFor(size, PageManager->PageDataSize);
  std::vector<int32_t> chain;
  TVexPage* previous = nullptr;
  std::vector<std::unique_ptr<TVexPageGuard>> guards;
  for (int64_t i = 0; i < pages; ++i) {
    TVexPage* page = PageManager->AddPage(-2, FileType);
    guards.push_back(std::make_unique<TVexPageGuard>(*PageManager, page));
    page->EncryptOnWrite = false;
    if (previous) SetPageNextPageNo(previous->Buffer, page->PageNo);
    chain.push_back(page->PageNo);
    previous = page;
  }
  VexInternalFile::THeader h{kFileHeaderSize, size, 0, 0};
  h.Store(guards.front()->get()->GetData());
  StartPageNo = chain.front();
  ChainPages = chain;
  Size = size;
  return StartPageNo;
}

void TVexInternalDBDirectAccessFile::Delete() {
  CheckOpen("Delete");
  for (int32_t pageNo : ChainPages) PageManager->RemovePage(-2, pageNo);
  StartPageNo = -1;
  ChainPages.clear();
  Size = 0;
}

void TVexInternalDBDirectAccessFile::Open(int32_t startPageNo) {
  StartPageNo = startPageNo;
  ChainPages.clear();
  try {
    Size = std::max(GetSize(), 0);
    const int32_t ds = PageManager->PageDataSize;
    int64_t expected = int64_t(Size - 1 + kFileHeaderSize) / ds + 1;
    std::unordered_set<int32_t> seen;
    int32_t pageNo = startPageNo;
    uint8_t header[kPageHeaderSize];
    while (pageNo != -1 && int64_t(ChainPages.size()) < expected) {
      if (!seen.insert(pageNo).second) throw EVexException(20237, "Invalid database format");
      // Byte 0 of the start page is the file lock byte, which may be locked by others.
      int32_t from = ChainPages.empty() ? 1 : 0;
      PageManager->ReadPageFragment(pageNo, from, header + from, kPageHeaderSize - from);
      uint16_t type = PageType(header);
      if (type != FileType)
        throw EVexException(20155, "Invalid PageType found: %d but wanted: %d", {type, FileType});
      ChainPages.push_back(pageNo);
      pageNo = PageNextPageNo(header);
    }
    // A chain shorter than its size tells holds only what its pages can.
    if (int64_t(ChainPages.size()) < expected)
      Size = int32_t(int64_t(ChainPages.size()) * ds - kFileHeaderSize);
  } catch (...) {
    StartPageNo = -1;
    ChainPages.clear();
    throw;
  }
}

int32_t TVexInternalDBDirectAccessFile::GetSize() {
  CheckOpen("GetSize");
  uint8_t bytes[kFileHeaderSize];
  PageManager->ReadPageFragment(StartPageNo, kPageHeaderSize, bytes, kFileHeaderSize);
  VexInternalFile::THeader h;
  h.Load(bytes);
  return h.StoredSize;
}

std::pair<int32_t, int32_t> TVexInternalDBDirectAccessFile::Locate(int32_t position) {
  const int32_t ds = PageManager->PageDataSize;
  int64_t at = int64_t(position) + kFileHeaderSize;
  if (position < 0 || at / ds >= int64_t(ChainPages.size()))
    throw EVexException(20159, "Seek position bigger then file size. FileSize=%d. Position=%d",
                        {Size, position});
  return {ChainPages[size_t(at / ds)], int32_t(kPageHeaderSize + at % ds)};
}

template <class Fn>
void TVexInternalDBDirectAccessFile::ForEachPart(int32_t count, int32_t position, Fn fn) {
  int32_t done = 0;
  while (done < count) {
    auto [pageNo, inPage] = Locate(position + done);
    int32_t n = std::min(int32_t(PageManager->PageSize) - inPage, count - done);
    fn(pageNo, inPage, done, n);
    done += n;
  }
}

void TVexInternalDBDirectAccessFile::DirectReadBuffer(void* buffer, int32_t count,
                                                      int32_t position) {
  CheckOpen("DirectReadBuffer");
  if (position < 0 || position > Size || count < 0 || int64_t(position) + count > Size)
    throw EVexException(20159, "Seek position bigger then file size. FileSize=%d. Position=%d",
                        {Size, position});
  auto* out = static_cast<uint8_t*>(buffer);
  ForEachPart(count, position, [&](int32_t pageNo, int32_t inPage, int32_t done, int32_t n) {
    PageManager->ReadPageFragment(pageNo, inPage, out + done, n);
  });
}

void TVexInternalDBDirectAccessFile::DirectWriteBuffer(const void* buffer, int32_t count,
                                                       int32_t position) {
  CheckOpen("DirectWriteBuffer");
  if (position < 0 || position > Size)
    throw EVexException(20159, "Seek position bigger then file size. FileSize=%d. Position=%d",
                        {Size, position});
  if (count < 0 || int64_t(position) + count > Size)
    throw EVexException(20158, "Cannot write after end of file. FileSize=%d. Position=%d, Count=%d",
                        {Size, position, count});
  auto* in = static_cast<const uint8_t*>(buffer);
  ForEachPart(count, position, [&](int32_t pageNo, int32_t inPage, int32_t done, int32_t n) {
    PageManager->WritePageFragment(pageNo, inPage, in + done, n);
  });
}

bool TVexInternalDBDirectAccessFile::LockFile() {
  CheckOpen("LockFile");
  return PageManager->LockPageByte(StartPageNo, 0);
}

bool TVexInternalDBDirectAccessFile::UnlockFile() {
  CheckOpen("UnlockFile");
  return PageManager->UnlockPageByte(StartPageNo, 0);
}

bool TVexInternalDBDirectAccessFile::LockByte(int32_t position) {
  CheckOpen("LockByte");
  auto [pageNo, inPage] = Locate(position);
  return PageManager->LockPageByte(pageNo, inPage);
}

bool TVexInternalDBDirectAccessFile::UnlockByte(int32_t position) {
  CheckOpen("UnlockByte");
  auto [pageNo, inPage] = Locate(position);
  return PageManager->UnlockPageByte(pageNo, inPage);
}

bool TVexInternalDBDirectAccessFile::IsByteLocked(int32_t position) {
  CheckOpen("IsByteLocked");
  auto [pageNo, inPage] = Locate(position);
  return PageManager->IsPageByteLocked(pageNo, inPage);
}

bool TVexInternalDBDirectAccessFile::IsRegionLocked(int32_t position, int32_t count) {
  CheckOpen("IsRegionLocked");
  if (count <= 0) return false;
  bool locked = false;
  ForEachPart(count, position, [&](int32_t pageNo, int32_t inPage, int32_t, int32_t n) {
    if (!locked) locked = PageManager->IsPageRegionLocked(pageNo, inPage, n);
  });
  return locked;
}
