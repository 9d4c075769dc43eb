// The data area of a B-tree page (page type 12): an 18-byte header (root and leaf flags, the
// level links, the root-created flag, HasRecordIds, KeySize, ItemCount, ExtraHeaderSize), the
// extra header, then ItemCount fixed-size entries in ascending key order.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/LittleEndian.h"

namespace VexBTreeLayout {
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
}  // namespace VexBTreeLayout

// A view over the data area of one B-tree page. Leaf entries are the key followed by the key
// reference's leaf data; node entries are the key, the child page number and, when the page
// has record identifiers, the identifier of the child's smallest entry.
class TVexBTreePageView {
 public:
  TVexBTreePageView(uint8_t* data, int32_t leafDataSize)
      : data_(data), leafDataSize_(leafDataSize) {}

  uint8_t* Data() const { return data_; }
  bool IsRoot() const { return data_[VexBTreeLayout::kIsRoot] != 0; }
  bool IsLeaf() const { return data_[VexBTreeLayout::kIsLeaf] != 0; }
  bool RootCreated() const { return data_[VexBTreeLayout::kRootCreated] != 0; }
  bool HasRecordIds() const { return data_[VexBTreeLayout::kHasRecordIds] != 0; }
  int32_t PrevPageNo() const { return ReadInt32LE(data_ + VexBTreeLayout::kPrevPageNo); }
  int32_t NextPageNo() const { return ReadInt32LE(data_ + VexBTreeLayout::kNextPageNo); }
  int32_t KeySize() const { return ReadUInt16LE(data_ + VexBTreeLayout::kKeySize); }
  int32_t ItemCount() const { return ReadUInt16LE(data_ + VexBTreeLayout::kItemCount); }
  int32_t ExtraHeaderSize() const { return ReadUInt16LE(data_ + VexBTreeLayout::kExtraHeaderSize); }

  void SetIsRoot(bool v) { data_[VexBTreeLayout::kIsRoot] = v ? 1 : 0; }
  void SetIsLeaf(bool v) { data_[VexBTreeLayout::kIsLeaf] = v ? 1 : 0; }
  void SetRootCreated(bool v) { data_[VexBTreeLayout::kRootCreated] = v ? 1 : 0; }
  void SetHasRecordIds(bool v) { data_[VexBTreeLayout::kHasRecordIds] = v ? 1 : 0; }
  void SetPrevPageNo(int32_t v) { WriteInt32LE(data_ + VexBTreeLayout::kPrevPageNo, v); }
  void SetNextPageNo(int32_t v) { WriteInt32LE(data_ + VexBTreeLayout::kNextPageNo, v); }
  void SetKeySize(int32_t v) { WriteUInt16LE(data_ + VexBTreeLayout::kKeySize, uint16_t(v)); }
  void SetItemCount(int32_t v) { WriteUInt16LE(data_ + VexBTreeLayout::kItemCount, uint16_t(v)); }

  // Bytes after the key: leaf data, or child page number plus record identifier.
  int32_t PayloadSize() const {
    return IsLeaf()
               ? leafDataSize_
               : VexBTreeLayout::kChildSize + (HasRecordIds() ? VexBTreeLayout::kRecordIdSize : 0);
  }
  int32_t EntrySize() const { return KeySize() + PayloadSize(); }
  int32_t EntriesOffset() const { return VexBTreeLayout::kHeaderSize + ExtraHeaderSize(); }
  uint8_t* Entry(int32_t i) const { return data_ + EntriesOffset() + i * EntrySize(); }
  uint8_t* Key(int32_t i) const { return Entry(i); }
  uint8_t* LeafData(int32_t i) const { return Entry(i) + KeySize(); }
  int32_t Child(int32_t i) const { return ReadInt32LE(Entry(i) + KeySize()); }
  void SetChild(int32_t i, int32_t pageNo) { WriteInt32LE(Entry(i) + KeySize(), pageNo); }
  // The identifier that orders equal keys: the leaf data of a record index leaf, the stored
  // identifier of a node entry; null when the page has none.
  const uint8_t* TieData(int32_t i) const {
    if (!HasRecordIds()) return nullptr;
    return IsLeaf() ? LeafData(i) : Entry(i) + KeySize() + VexBTreeLayout::kChildSize;
  }

  // Bytes the page needs for count entries.
  int32_t BytesFor(int32_t count) const { return EntriesOffset() + count * EntrySize(); }

 private:
  uint8_t* data_;
  int32_t leafDataSize_;
};
