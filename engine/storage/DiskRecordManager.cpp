// Stored records in record pages: adding into the page the index offers, changing and removing
// in place, navigation in scan order, record numbers and the page index repair.
#include "engine/storage/DiskRecordManager.h"

#include "engine/base/VexExcept.h"
#include "engine/storage/DiskPageManager.h"
#include "engine/storage/FileLayout.h"
#include "engine/storage/FreeSpaceManager.h"
#include "engine/storage/Page.h"
#include "engine/storage/SmallRecordPage.h"
#include "platform/LittleEndian.h"

void StoreDiskRecordId(const TVexDiskRecordId& id, uint8_t* bytes) {
  WriteInt32LE(bytes, id.PageNo);
  WriteUInt16LE(bytes + 4, id.Slot);
}

TVexDiskRecordId LoadDiskRecordId(const uint8_t* bytes) {
  return {ReadInt32LE(bytes), ReadUInt16LE(bytes + 4)};
}

TVexDiskRecordManager::TVexDiskRecordManager(TVexDiskPageManager* pageManager,
                                             const TVexRecordLayout* layout, int32_t tableId)
    : PageIndex(*pageManager, -1, tableId),
      PageManager(pageManager),
      Layout(layout),
      TableId(tableId) {
  SetGeometry(layout->RecordBufferSize, layout->StoredRecordSize, int32_t(layout->Fields.size()));
}

void TVexDiskRecordManager::SetGeometry(int32_t /*recordBufferSize*/, int32_t storedRecordSize,
                                        int32_t /*fieldCount*/) {
  RecordsPerPage = ComputeRecordsPerPage(PageManager->PageDataSize, storedRecordSize);
  BitmapSize = RecordPageBitmapSize(RecordsPerPage);
  StoredRecordSize = storedRecordSize;
  WorkBuffer.assign(size_t(storedRecordSize), 0);
  RecordCount = 0;
  TableVersion = 0;
}

void TVexDiskRecordManager::LoadFromHeader(const uint8_t* bytes) {
  TableVersion = ReadInt32LE(bytes);
  RecordCount = ReadInt32LE(bytes + 4);
}

void TVexDiskRecordManager::SaveToHeader(uint8_t* bytes) const {
  WriteInt32LE(bytes, TableVersion);
  WriteInt32LE(bytes + 4, int32_t(RecordCount));
}

void TVexDiskRecordManager::LoadFromMetadata(const uint8_t* bytes) {
  PageIndex.SetRootPageNo(ReadInt32LE(bytes));
}

void TVexDiskRecordManager::SaveToMetadata(uint8_t* bytes) const {
  WriteInt32LE(bytes, PageIndex.RootPageNo());
}

void TVexDiskRecordManager::CreatePageIndex(int32_t sessionId) {
  PageIndex.Create(sessionId);
}

bool TVexDiskRecordManager::IsTablePage(TVexPage* page) const {
  if (PageManager->MainHeader.FileVersion < VexLayout::kOldestSoundVersion) return true;
  const uint8_t* h = page->GetHeader();
  int32_t changeCounter = VexLayout::PageChangeCounter(h);
  return changeCounter <= VexLayout::kChangeCounterMax &&
         VexLayout::PageType(h) == VexLayout::ptTableRecord &&
         VexLayout::PageOwnerObjectId(h) == TableId;
}

int32_t TVexDiskRecordManager::CompareIds(const TVexDiskRecordId& a, const TVexDiskRecordId& b) {
  if (a.PageNo != b.PageNo) return a.PageNo < b.PageNo ? -1 : 1;
  if (a.Slot != b.Slot) return a.Slot < b.Slot ? -1 : 1;
  return 0;
}

int32_t TVexDiskRecordManager::CompareRecordIds(const TVexRecordIDBytes& a,
                                                const TVexRecordIDBytes& b) {
  return CompareIds(ToDiskRecordId(a), ToDiskRecordId(b));
}

int64_t TVexDiskRecordManager::EstimateRecordNumber(int32_t, const TVexRecordIDBytes&) {
  return RecordCount / 2;
}

bool TVexDiskRecordManager::AddRecord(int32_t sessionId, const uint8_t* recordBuffer,
                                      TVexRecordIDBytes& recordID) {
  TVexDiskRecordId id;
  if (!AddRecord(sessionId, recordBuffer, id)) return false;
  recordID = ToRecordIDBytes(id);
  return true;
}

bool TVexDiskRecordManager::ModifyRecord(int32_t sessionId, const uint8_t* recordBuffer,
                                         const TVexRecordIDBytes& recordID) {
  return ModifyRecord(sessionId, recordBuffer, ToDiskRecordId(recordID));
}

bool TVexDiskRecordManager::RemoveRecord(int32_t sessionId, const TVexRecordIDBytes& recordID) {
  return RemoveRecord(sessionId, ToDiskRecordId(recordID));
}

int64_t TVexDiskRecordManager::RecordIdToNumber(const TVexDiskRecordId& id) const {
  return int64_t(id.PageNo) * RecordsPerPage + id.Slot;
}

TVexDiskRecordId TVexDiskRecordManager::NumberToRecordId(int64_t number) const {
  return {int32_t(number / RecordsPerPage), uint16_t(number % RecordsPerPage)};
}

void TVexDiskRecordManager::DeleteAllRecords(int32_t sessionId) {
  // The emptied index keeps its root page, so the metadata that names it stays valid.
  if (PageIndex.RootPageNo() != -1) {
    int32_t pageNo;
    bool more = PageIndex.FirstPage(sessionId, pageNo);
    while (more) {
      PageManager->RemovePage(sessionId, pageNo);
      more = PageIndex.NextPage(sessionId, pageNo, pageNo);
    }
    PageIndex.Clear(sessionId);
  } else {
    PageIndex.Create(sessionId);
  }
  RecordCount = 0;
  TableVersion = 0;
  ++ChangeCounter;
}

bool TVexDiskRecordManager::AddRecord(int32_t sessionId, const uint8_t* recordBuffer,
                                      TVexDiskRecordId& id) {
  try {
    int32_t pageNo = PageIndex.FindPageWithSpace(sessionId, RecordsPerPage);
    TVexPage* raw = pageNo == -1
                        ? PageManager->AddPage(sessionId, VexLayout::ptTableRecord)
                        : PageManager->GetPage(sessionId, pageNo, true, VexLayout::ptTableRecord);
    TVexPageGuard page(*PageManager, raw);
    if (pageNo == -1) VexLayout::SetPageOwnerObjectId(page->GetHeader(), TableId);
    RecordBufferToStoredRecord(*Layout, recordBuffer, WorkBuffer.data());
    TVexSmallRecordPage view(page.get(), StoredRecordSize, RecordsPerPage);
    uint16_t slot = view.AddRecord(WorkBuffer.data());
    PageIndex.AddToPage(sessionId, page->PageNo, 1);
    id = {page->PageNo, slot};
    ++RecordCount;
    Changed();
    return true;
  } catch (const EVexException&) {
    return false;
  }
}

bool TVexDiskRecordManager::ModifyRecord(int32_t sessionId, const uint8_t* recordBuffer,
                                         const TVexDiskRecordId& id) {
  TVexPageGuard page(*PageManager,
                     PageManager->GetPage(sessionId, id.PageNo, true, VexLayout::ptTableRecord));
  RecordBufferToStoredRecord(*Layout, recordBuffer, WorkBuffer.data());
  TVexSmallRecordPage view(page.get(), StoredRecordSize, RecordsPerPage);
  if (!IsTablePage(page.get()) || !view.WriteRecord(id.Slot, WorkBuffer.data())) return false;
  Changed();
  return true;
}

bool TVexDiskRecordManager::RemoveRecord(int32_t sessionId, const TVexDiskRecordId& id) {
  int64_t remaining;
  {
    TVexPageGuard page(*PageManager,
                       PageManager->GetPage(sessionId, id.PageNo, true, VexLayout::ptTableRecord));
    TVexSmallRecordPage view(page.get(), StoredRecordSize, RecordsPerPage);
    if (!IsTablePage(page.get()) || !view.DeleteRecord(id.Slot)) return false;
    remaining = view.CountRecords();
  }
  --RecordCount;
  Changed();
  if (remaining == 0) PageManager->RemovePage(sessionId, id.PageNo);
  PageIndex.SetPageCount(sessionId, id.PageNo, uint16_t(remaining));
  return true;
}

void TVexDiskRecordManager::ReadInto(TVexPage* page, uint16_t slot, uint8_t* target, int32_t code) {
  if (!target) return;
  TVexSmallRecordPage view(page, StoredRecordSize, RecordsPerPage);
  if (!view.ReadRecord(slot, WorkBuffer.data())) throw EVexException(code, "Record not found");
  StoredRecordToRecordBuffer(*Layout, WorkBuffer.data(), target);
}

void TVexDiskRecordManager::Found(TVexNavigationRequest& r, int32_t pageNo, uint16_t slot) {
  r.RecordID = ToRecordIDBytes({pageNo, slot});
  r.Bof = r.Eof = false;
  r.Result = vnrFound;
}

void TVexDiskRecordManager::MoveToPageEdge(int32_t sessionId, int32_t pageNo, bool first,
                                           TVexNavigationRequest& r) {
  TVexPageGuard page(*PageManager,
                     PageManager->GetPage(sessionId, pageNo, true, VexLayout::ptTableRecord));
  TVexSmallRecordPage view(page.get(), StoredRecordSize, RecordsPerPage);
  uint16_t slot = first ? view.FirstRecord() : view.LastRecord();
  ReadInto(page.get(), slot, r.RecordBuffer, first ? 20145 : 20146);
  Found(r, pageNo, slot);
}

void TVexDiskRecordManager::NavigateRecord(int32_t sessionId, TVexNavigationRequest& r) {
  if (RecordCount == 0) {
    r.Result = vnrEOF;
    return;
  }
  int32_t pageNo;
  if (r.Bof) {
    r.Result = r.Mode == 2 ? vnrBOF : vnrNotFound;
    if (r.Mode == 1) {
      r.Result = vnrEOF;
      if (PageIndex.FirstPage(sessionId, pageNo)) MoveToPageEdge(sessionId, pageNo, true, r);
    }
    return;
  }
  if (r.Eof) {
    r.Result = r.Mode == 1 ? vnrEOF : vnrNotFound;
    if (r.Mode == 2) {
      r.Result = vnrBOF;
      if (PageIndex.LastPage(sessionId, pageNo)) MoveToPageEdge(sessionId, pageNo, false, r);
    }
    return;
  }
  const TVexDiskRecordId at = ToDiskRecordId(r.RecordID);
  bool tablePage, stepped = false;
  uint16_t slot = 0;
  {
    TVexPageGuard page(*PageManager,
                       PageManager->GetPage(sessionId, at.PageNo, true, VexLayout::kAnyPageType));
    tablePage = IsTablePage(page.get());
    if (tablePage) {
      TVexSmallRecordPage view(page.get(), StoredRecordSize, RecordsPerPage);
      switch (r.Mode) {
        case 0:
          if (!view.IsOccupied(at.Slot)) {
            r.Result = vnrNotFound;
            return;
          }
          ReadInto(page.get(), at.Slot, r.RecordBuffer, 20147);
          Found(r, at.PageNo, at.Slot);
          return;
        case 1:
          stepped = view.NextRecord(at.Slot, slot);
          break;
        default:
          stepped = view.PriorRecord(at.Slot, slot);
          break;
      }
      if (stepped) {
        ReadInto(page.get(), slot, r.RecordBuffer, 20148);
        Found(r, at.PageNo, slot);
        return;
      }
    }
  }
  if (r.Mode == 0) {
    r.Result = vnrNotFound;
  } else if (r.Mode == 1) {
    // The current page may have left the index with its last record; the scan goes on with
    // the next listed page.
    r.Result = vnrEOF;
    if (tablePage && PageIndex.PageAfter(sessionId, at.PageNo, true, pageNo))
      MoveToPageEdge(sessionId, pageNo, true, r);
  } else {
    r.Result = vnrBOF;
    bool more = tablePage ? PageIndex.PageAfter(sessionId, at.PageNo, false, pageNo)
                          : PageIndex.LastPage(sessionId, pageNo);
    if (more) MoveToPageEdge(sessionId, pageNo, false, r);
  }
}

TVexDiskRecordId TVexDiskRecordManager::GoToRecordNumber(int32_t sessionId, int64_t recordNumber) {
  if (recordNumber > RecordCount)
    throw EVexException(20113, "Cannot set RecNo greater than RecordCount");
  if (recordNumber < 1) recordNumber = 1;
  int64_t before = 0;
  int32_t pageNo;
  bool more = PageIndex.FirstPage(sessionId, pageNo);
  while (more) {
    int32_t count = PageIndex.GetPageCount(sessionId, pageNo);
    if (before + count > recordNumber - 1) {
      TVexPageGuard page(*PageManager,
                         PageManager->GetPage(sessionId, pageNo, true, VexLayout::ptTableRecord));
      TVexSmallRecordPage view(page.get(), StoredRecordSize, RecordsPerPage);
      return {pageNo, view.RecordAt(recordNumber - 1 - before)};
    }
    before += count;
    more = PageIndex.NextPage(sessionId, pageNo, pageNo);
  }
  throw EVexException(20113, "Cannot set RecNo greater than RecordCount");
}

int64_t TVexDiskRecordManager::GetRecordNumber(int32_t sessionId, const TVexDiskRecordId& id) {
  int64_t before = 0;
  int32_t pageNo;
  bool more = PageIndex.FirstPage(sessionId, pageNo);
  while (more && pageNo != id.PageNo) {
    before += PageIndex.GetPageCount(sessionId, pageNo);
    more = PageIndex.NextPage(sessionId, pageNo, pageNo);
  }
  TVexPageGuard page(*PageManager,
                     PageManager->GetPage(sessionId, id.PageNo, true, VexLayout::ptTableRecord));
  TVexSmallRecordPage view(page.get(), StoredRecordSize, RecordsPerPage);
  return 1 + before + view.RecordsBefore(id.Slot);
}

void TVexDiskRecordManager::CheckPageIndex(int32_t sessionId) {
  int64_t indexed = PageIndex.TotalCount(sessionId);
  if (indexed != RecordCount)
    throw EVexException(20292,
                        "Invalid table RecordPageIndex or MostUpdated. "
                        "RecordPageIndex.RecordCount=%d, MostUpdated.RecordCount=%d",
                        {indexed, RecordCount});
}

void TVexDiskRecordManager::RebuildPageIndex(int32_t sessionId) {
  // The old index may be what is damaged: its pages are given back when they can be walked.
  if (PageIndex.RootPageNo() != -1) {
    try {
      PageIndex.Delete(sessionId);
    } catch (const EVexException&) {
      PageIndex.SetRootPageNo(-1);
    }
  }
  PageIndex.Create(sessionId);
  RecordCount = 0;
  TVexDatabaseFreeSpaceManager* fsm = PageManager->FreeSpaceManager.get();
  int32_t total = PageManager->GetTotalPageCount();
  for (int32_t pageNo = 1; pageNo < total; ++pageNo) {
    if (fsm && (fsm->IsMapPage(pageNo) || !fsm->IsPageUsed(pageNo))) continue;
    TVexPage* raw;
    try {
      raw = PageManager->GetPage(sessionId, pageNo, true, VexLayout::ptTableRecord);
    } catch (const EVexException&) {
      continue;  // not a record page, or unreadable
    }
    TVexPageGuard page(*PageManager, raw);
    if (VexLayout::PageOwnerObjectId(page->GetHeader()) != TableId || !IsTablePage(page.get()))
      continue;
    TVexSmallRecordPage view(page.get(), StoredRecordSize, RecordsPerPage);
    int64_t count = view.CountRecords();
    if (count == 0) continue;  // a listed empty page would stop every scan
    PageIndex.AddToPage(sessionId, pageNo, int32_t(count));
    RecordCount += count;
  }
}
