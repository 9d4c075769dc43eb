// TVexDiskRecordManager: the rows of a disk table in record pages: adding, changing and
// removing stored records, moving through them in scan order (the record page index's page
// order, then slot order), record numbers, and the repair of the record page index.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/VexNavigation.h"
#include "engine/base/VexRecordLayout.h"
#include "engine/base/VexRecordManager.h"
#include "engine/storage/VexBTreePageIndex.h"

class TVexDiskPageManager;
class TVexPage;

// A record's place: page number and slot; 6 bytes when stored (page, then slot).
struct TVexDiskRecordId {
  int32_t PageNo = -1;
  uint16_t Slot = 0;
  bool operator==(const TVexDiskRecordId&) const = default;
};
constexpr int32_t kVexDiskRecordIdSize = 6;
void StoreDiskRecordId(const TVexDiskRecordId& id, uint8_t* bytes);
TVexDiskRecordId LoadDiskRecordId(const uint8_t* bytes);
inline TVexDiskRecordId ToDiskRecordId(const TVexRecordIDBytes& bytes) {
  return LoadDiskRecordId(bytes.data());
}
inline TVexRecordIDBytes ToRecordIDBytes(const TVexDiskRecordId& id) {
  TVexRecordIDBytes bytes{};
  StoreDiskRecordId(id, bytes.data());
  return bytes;
}

// The index of a table's record pages: page number with the number of records on the page.
class TVexBTreeRecordPageIndex : public TVexBTreePageIndex {
 public:
  using TVexBTreePageIndex::TVexBTreePageIndex;
};

class TVexDiskRecordManager : public TVexBaseRecordManager {
 public:
  // layout: the table's record layout (the field manager's), which must outlive the manager.
  TVexDiskRecordManager(TVexDiskPageManager* pageManager, const TVexRecordLayout* layout,
                        int32_t tableId);

  // Virtual operations of a record manager, in slot order.
  void DeleteAllRecords(int32_t sessionId) override;
  bool AddRecord(int32_t sessionId, const uint8_t* recordBuffer,
                 TVexRecordIDBytes& recordID) override;
  bool ModifyRecord(int32_t sessionId, const uint8_t* recordBuffer,
                    const TVexRecordIDBytes& recordID) override;
  bool RemoveRecord(int32_t sessionId, const TVexRecordIDBytes& recordID) override;
  // Mode grmCurrent (0) re-reads, grmNext (1) and grmPrior (2) step in scan order.
  void NavigateRecord(int32_t sessionId, TVexNavigationRequest& request) override;
  int32_t CompareRecordIds(const TVexRecordIDBytes& a, const TVexRecordIDBytes& b) override;
  // RecordCount div 2, whatever the identifier.
  int64_t EstimateRecordNumber(int32_t sessionId, const TVexRecordIDBytes& recordID) override;

  // The same operations on decoded identifiers.
  bool AddRecord(int32_t sessionId, const uint8_t* recordBuffer, TVexDiskRecordId& id);
  bool ModifyRecord(int32_t sessionId, const uint8_t* recordBuffer, const TVexDiskRecordId& id);
  bool RemoveRecord(int32_t sessionId, const TVexDiskRecordId& id);
  static int32_t CompareIds(const TVexDiskRecordId& a, const TVexDiskRecordId& b);

  // Records per page and bitmap size from the stored record size (20174 when it does not fit).
  void SetGeometry(int32_t recordBufferSize, int32_t storedRecordSize, int32_t fieldCount);
  // TableVersion then RecordCount, 4 bytes each, as the table header holds them.
  static constexpr int32_t kHeaderPartSize = 8;
  void LoadFromHeader(const uint8_t* bytes);
  void SaveToHeader(uint8_t* bytes) const;
  // The 4-byte root page of the record page index, as the table metadata holds it.
  static constexpr int32_t kMetadataPartSize = 4;
  void LoadFromMetadata(const uint8_t* bytes);
  void SaveToMetadata(uint8_t* bytes) const;
  void CreatePageIndex(int32_t sessionId = -2);
  // 1-based physical record numbers in scan order.
  TVexDiskRecordId GoToRecordNumber(int32_t sessionId, int64_t recordNumber);
  int64_t GetRecordNumber(int32_t sessionId, const TVexDiskRecordId& id);
  // Rebuilds the record page index from the table's record pages in the file.
  void RebuildPageIndex(int32_t sessionId);
  // The counts of the index must add up to RecordCount (20292).
  void CheckPageIndex(int32_t sessionId);
  // Whether a page is a live record page of this table.
  bool IsTablePage(TVexPage* page) const;
  // Record number arithmetic of record bitmaps: PageNo x RecordsPerPage + Slot.
  int64_t RecordIdToNumber(const TVexDiskRecordId& id) const;
  TVexDiskRecordId NumberToRecordId(int64_t number) const;

  int32_t TableVersion = 0;
  TVexBTreeRecordPageIndex PageIndex;
  TVexDiskPageManager* PageManager;
  const TVexRecordLayout* Layout;
  int32_t TableId;
  int32_t RecordsPerPage = 0;
  int32_t BitmapSize = 0;
  std::vector<uint8_t> WorkBuffer;  // one stored record

 private:
  // Reads the slot into the target (when given); an empty slot raises code "Record not found".
  void ReadInto(TVexPage* page, uint16_t slot, uint8_t* target, int32_t code);
  // Moves to the first (last) record of a listed page.
  void MoveToPageEdge(int32_t sessionId, int32_t pageNo, bool first, TVexNavigationRequest& r);
  void Found(TVexNavigationRequest& r, int32_t pageNo, uint16_t slot);
  // A change of the table: its version and the change counter move on.
  void Changed() {
    ++TableVersion;
    ++ChangeCounter;
  }
};
