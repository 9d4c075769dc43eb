// Record page slots: bitmap bookkeeping and copies of stored records in and out of slots.
#include "engine/storage/SmallRecordPage.h"

#include <bit>
#include <cstring>

#include "engine/base/VexExcept.h"
#include "engine/storage/Page.h"

int32_t ComputeRecordsPerPage(int32_t dataSize, int32_t storedRecordSize) {
  // (DS - 1) / (RS + 0.125) in exact integer arithmetic.
  int64_t n = 0;
  if (dataSize > 1 && storedRecordSize >= 0)
    n = (int64_t(dataSize - 1) * 8) / (int64_t(storedRecordSize) * 8 + 1);
  if (n <= 0)
    throw EVexException(20174,
                        "Cannot create table. Record is too large to fit in current database page. "
                        "Please increase page size of database file or decrease record size");
  return int32_t(n);
}

TVexSmallRecordPage::TVexSmallRecordPage(TVexPage* page, int32_t recordSize, int32_t recordsPerPage)
    : Page(page),
      RecordSize(recordSize),
      RecordsPerPage(recordsPerPage),
      BitmapSize(RecordPageBitmapSize(recordsPerPage)) {
  if (recordSize < 0 || recordsPerPage < 0 || recordsPerPage > 0xFFFF ||
      int64_t(BitmapSize) + int64_t(recordsPerPage) * recordSize > page->GetDataSize())
    throw EVexException(20140, "Invalid number of records on page");
}

uint8_t* TVexSmallRecordPage::Bitmap() const {
  return Page->GetData();
}

uint8_t* TVexSmallRecordPage::SlotData(int32_t slot) const {
  return Page->GetData() + BitmapSize + size_t(slot) * size_t(RecordSize);
}

bool TVexSmallRecordPage::IsOccupied(int32_t slot) const {
  if (slot < 0 || slot >= RecordsPerPage) return false;
  return (Bitmap()[slot / 8] >> (slot % 8)) & 1;
}

void TVexSmallRecordPage::SetOccupied(int32_t slot, bool occupied) {
  uint8_t mask = uint8_t(1u << (slot % 8));
  if (occupied)
    Bitmap()[slot / 8] |= mask;
  else
    Bitmap()[slot / 8] &= uint8_t(~mask);
}

int32_t TVexSmallRecordPage::FindFreeSlot() const {
  const uint8_t* bits = Bitmap();
  for (int32_t byte = 0; byte < BitmapSize; ++byte) {
    if (bits[byte] == 0xFF) continue;
    int32_t slot = byte * 8 + std::countr_one(bits[byte]);
    return slot < RecordsPerPage ? slot : -1;
  }
  return -1;
}

int64_t TVexSmallRecordPage::CountRecords() const {
  return RecordsBefore(RecordsPerPage);
}

uint16_t TVexSmallRecordPage::AddRecord(const uint8_t* storedRecord) {
  int32_t slot = FindFreeSlot();
  if (slot < 0) throw EVexException(20141, "Cannot add record to page. Page is full");
  std::memcpy(SlotData(slot), storedRecord, size_t(RecordSize));
  SetOccupied(slot, true);
  Page->Dirty = true;
  return uint16_t(slot);
}

bool TVexSmallRecordPage::WriteRecord(int32_t slot, const uint8_t* storedRecord) {
  if (!IsOccupied(slot)) return false;
  std::memcpy(SlotData(slot), storedRecord, size_t(RecordSize));
  Page->Dirty = true;
  return true;
}

bool TVexSmallRecordPage::DeleteRecord(int32_t slot) {
  if (!IsOccupied(slot)) return false;
  SetOccupied(slot, false);
  Page->Dirty = true;
  return true;
}

bool TVexSmallRecordPage::ReadRecord(int32_t slot, uint8_t* destination) const {
  if (!IsOccupied(slot)) return false;
  std::memcpy(destination, SlotData(slot), size_t(RecordSize));
  return true;
}

uint16_t TVexSmallRecordPage::FirstRecord() const {
  uint16_t slot;
  if (!NextRecord(-1, slot))
    throw EVexException(20143, "Record not found. PageNo=%d, PageRecordCount=%d",
                        {Page->PageNo, RecordsPerPage});
  return slot;
}

uint16_t TVexSmallRecordPage::LastRecord() const {
  uint16_t slot;
  if (!PriorRecord(RecordsPerPage, slot)) throw EVexException(20144, "Record not found");
  return slot;
}

bool TVexSmallRecordPage::NextRecord(int32_t slot, uint16_t& next) const {
  for (int32_t s = slot < -1 ? 0 : slot + 1; s < RecordsPerPage; ++s) {
    if (IsOccupied(s)) {
      next = uint16_t(s);
      return true;
    }
  }
  return false;
}

bool TVexSmallRecordPage::PriorRecord(int32_t slot, uint16_t& prior) const {
  for (int32_t s = (slot > RecordsPerPage ? RecordsPerPage : slot) - 1; s >= 0; --s) {
    if (IsOccupied(s)) {
      prior = uint16_t(s);
      return true;
    }
  }
  return false;
}

uint16_t TVexSmallRecordPage::RecordAt(int64_t k) const {
  if (k < 0) throw EVexException(20146, "Record not found");
  int32_t slot = -1;
  for (int64_t i = 0; i <= k; ++i) {
    uint16_t next;
    if (!NextRecord(slot, next)) throw EVexException(20146, "Record not found");
    slot = next;
  }
  return uint16_t(slot);
}

int32_t TVexSmallRecordPage::RecordsBefore(int32_t slot) const {
  if (slot > RecordsPerPage) slot = RecordsPerPage;
  if (slot <= 0) return 0;
  const uint8_t* bits = Bitmap();
  int32_t count = 0;
  for (int32_t byte = 0; byte < slot / 8; ++byte) count += std::popcount(bits[byte]);
  if (slot % 8) count += std::popcount(uint8_t(bits[slot / 8] & ((1u << (slot % 8)) - 1)));
  return count;
}
