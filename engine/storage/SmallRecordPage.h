// TVexSmallRecordPage: the view of one record page (type 10): a slot bitmap followed by
// RecordsPerPage fixed slots of one stored record each. Also the table geometry that fixes how
// many records a page holds.
#pragma once

#include <cstdint>

class TVexPage;

// Slots of a record page for a stored record of storedRecordSize bytes in a page data area of
// dataSize bytes: trunc((dataSize - 1) / (storedRecordSize + 1/8)); 0 raises 20174.
int32_t ComputeRecordsPerPage(int32_t dataSize, int32_t storedRecordSize);
// Bytes of the slot bitmap for n slots.
inline int32_t RecordPageBitmapSize(int32_t recordsPerPage) {
  return (recordsPerPage + 7) / 8;
}

class TVexSmallRecordPage {
 public:
  // Raises 20140 when the bitmap and the slots do not fit in the page's data area.
  TVexSmallRecordPage(TVexPage* page, int32_t recordSize, int32_t recordsPerPage);

  bool IsOccupied(int32_t slot) const;
  // The lowest free slot, -1 when the page is full.
  int32_t FindFreeSlot() const;
  int64_t CountRecords() const;
  // Stores the record in the lowest free slot and answers it; a full page raises 20141.
  uint16_t AddRecord(const uint8_t* storedRecord);
  // false when the slot holds no record.
  bool WriteRecord(int32_t slot, const uint8_t* storedRecord);
  bool DeleteRecord(int32_t slot);
  bool ReadRecord(int32_t slot, uint8_t* destination) const;
  // The first and last occupied slots; an empty page raises 20143 and 20144.
  uint16_t FirstRecord() const;
  uint16_t LastRecord() const;
  // The occupied slot after (before) slot on this page; false at the page's end.
  bool NextRecord(int32_t slot, uint16_t& next) const;
  bool PriorRecord(int32_t slot, uint16_t& prior) const;
  // The k-th occupied slot (0-based); raises 20146 when there are not that many.
  uint16_t RecordAt(int64_t k) const;
  // Occupied slots below slot.
  int32_t RecordsBefore(int32_t slot) const;

  TVexPage* Page;
  int32_t RecordSize;
  int32_t RecordsPerPage;
  int32_t BitmapSize;

 private:
  uint8_t* Bitmap() const;
  uint8_t* SlotData(int32_t slot) const;
  void SetOccupied(int32_t slot, bool occupied);
};
