// The data area of a B-tree page (page type 12): an 18-byte header (root and leaf flags, the
// level links, the root-created flag, HasRecordIds, KeySize, ItemCount, ExtraHeaderSize), the
// extra header, then ItemCount fixed-size entries in ascending key order.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/LittleEndian.h"

namespace VexBTreePageLayout {
constexpr int kIsRoot = 0;
constexpr int kIsLeaf = 1;
constexpr int kPrevPageNo = 2;
constexpr int kNextPageNo = 6;
constexpr int kRootCreated = 10;
constexpr int kHasRecordIds = 11;
constexpr int kKeySize = 12;
constexpr int kItemCount = 14;
constexpr int kExtraHeaderSize = 16;
constexpr int kHeaderSize = 18;
constexpr int kChildSize = 4;     // child page number of a node entry
constexpr int kRecordIdSize = 6;  // record identifier: page number and slot
}  // namespace VexBTreePageLayout

// A view over the data area of one B-tree page. Leaf entries are the key followed by the key
// reference's leaf data; node entries are the key, the child page number and, when the page
// has record identifiers, the identifier of the child's smallest entry.
class TVexBTreePageView {
 public:
  TVexBTreePageView(uint8_t* data, int32_t leafDataSize)
      : data_(data), leafDataSize_(leafDataSize) {}

  uint8_t* Data() const { return data_; }
  bool IsRoot() const { return data_[VexBTreePageLayout::kIsRoot] != 0; }
  bool IsLeaf() const { return data_[VexBTreePageLayout::kIsLeaf] != 0; }
  bool RootCreated() const { return data_[VexBTreePageLayout::kRootCreated] != 0; }
  bool HasRecordIds() const { return data_[VexBTreePageLayout::kHasRecordIds] != 0; }
  int32_t PrevPageNo() const { return ReadInt32LE(data_ + VexBTreePageLayout::kPrevPageNo); }
  int32_t NextPageNo() const { return ReadInt32LE(data_ + VexBTreePageLayout::kNextPageNo); }
  int32_t KeySize() const { return ReadUInt16LE(data_ + VexBTreePageLayout::kKeySize); }
  int32_t ItemCount() const { return ReadUInt16LE(data_ + VexBTreePageLayout::kItemCount); }
  int32_t ExtraHeaderSize() const {
    return ReadUInt16LE(data_ + VexBTreePageLayout::kExtraHeaderSize);
  }

  void SetIsRoot(bool v) { data_[VexBTreePageLayout::kIsRoot] = v ? 1 : 0; }
  void SetIsLeaf(bool v) { data_[VexBTreePageLayout::kIsLeaf] = v ? 1 : 0; }
  void SetRootCreated(bool v) { data_[VexBTreePageLayout::kRootCreated] = v ? 1 : 0; }
  void SetHasRecordIds(bool v) { data_[VexBTreePageLayout::kHasRecordIds] = v ? 1 : 0; }
  void SetPrevPageNo(int32_t v) { WriteInt32LE(data_ + VexBTreePageLayout::kPrevPageNo, v); }
  void SetNextPageNo(int32_t v) { WriteInt32LE(data_ + VexBTreePageLayout::kNextPageNo, v); }
  void SetKeySize(int32_t v) { WriteUInt16LE(data_ + VexBTreePageLayout::kKeySize, uint16_t(v)); }
  void SetItemCount(int32_t v) {
    WriteUInt16LE(data_ + VexBTreePageLayout::kItemCount, uint16_t(v));
  }

  // Bytes after the key: leaf data, or child page number plus record identifier.
  int32_t PayloadSize() const {
    return IsLeaf() ? leafDataSize_
                    : VexBTreePageLayout::kChildSize +
                          (HasRecordIds() ? VexBTreePageLayout::kRecordIdSize : 0);
  }
  int32_t EntrySize() const { return KeySize() + PayloadSize(); }
  int32_t EntriesOffset() const { return VexBTreePageLayout::kHeaderSize + ExtraHeaderSize(); }
  uint8_t* Entry(int32_t i) const { return data_ + EntriesOffset() + i * EntrySize(); }
  uint8_t* Key(int32_t i) const { return Entry(i); }
  uint8_t* LeafData(int32_t i) const { return Entry(i) + KeySize(); }
  int32_t Child(int32_t i) const { return ReadInt32LE(Entry(i) + KeySize()); }
  void SetChild(int32_t i, int32_t pageNo) { WriteInt32LE(Entry(i) + KeySize(), pageNo); }
  // The identifier that orders equal keys: the leaf data of a record index leaf, the stored
  // identifier of a node entry; null when the page has none.
  const uint8_t* TieData(int32_t i) const {
    if (!HasRecordIds()) return nullptr;
    return IsLeaf() ? LeafData(i) : Entry(i) + KeySize() + VexBTreePageLayout::kChildSize;
  }

  // Bytes the page needs for count entries.
  int32_t BytesFor(int32_t count) const { return EntriesOffset() + count * EntrySize(); }

 private:
  uint8_t* data_;
  int32_t leafDataSize_;
};
