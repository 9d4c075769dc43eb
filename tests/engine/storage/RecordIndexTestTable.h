// A table for the record index tests: rows of an INTEGER, a STRING(30) and a BLOB field kept
// in memory by a record manager of four slots per "page", with its indexes in memory pages.
#pragma once

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/base/VexFieldDef.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexRecordLayout.h"
#include "engine/base/VexRecordManager.h"
#include "engine/base/VexTableData.h"
#include "engine/storage/MemoryPageManager.h"
#include "engine/storage/VexBTreeRecordIndex.h"
#include "platform/LittleEndian.h"

class TestRecords : public TVexBaseRecordManager {
 public:
  explicit TestRecords(int32_t size) : size_(size) {}
  static TVexRecordIDBytes Id(int64_t i) {
    TVexRecordIDBytes id{};
    WriteInt32LE(id.data(), int32_t(i / 4 + 1));
    WriteUInt16LE(id.data() + 4, uint16_t(i % 4));
    return id;
  }
  static int64_t Number(const TVexRecordIDBytes& id) {
    return int64_t(ReadInt32LE(id.data()) - 1) * 4 + ReadUInt16LE(id.data() + 4);
  }
  void DeleteAllRecords(int32_t) override {
    rows_.clear();
    RecordCount = 0;
  }
  bool AddRecord(int32_t, const uint8_t* buffer, TVexRecordIDBytes& id) override {
    rows_.emplace_back(std::vector<uint8_t>(buffer, buffer + size_));
    id = Id(int64_t(rows_.size()) - 1);
    ++RecordCount;
    ++ChangeCounter;
    return true;
  }
  bool ModifyRecord(int32_t, const uint8_t* buffer, const TVexRecordIDBytes& id) override {
    if (!Live(Number(id))) return false;
    rows_[size_t(Number(id))]->assign(buffer, buffer + size_);
    return true;
  }
  bool RemoveRecord(int32_t, const TVexRecordIDBytes& id) override {
    if (!Live(Number(id))) return false;
    rows_[size_t(Number(id))].reset();
    --RecordCount;
    return true;
  }
  void NavigateRecord(int32_t, TVexNavigationRequest& request) override {
    int64_t i = Number(request.RecordID);
    if (request.Mode == grmCurrent) {
      if (!Live(i)) {
        request.Result = 3;
        return;
      }
    } else {
      const int64_t step = request.Mode == grmNext ? 1 : -1;
      if (request.Bof) i = -1;
      if (request.Eof) i = int64_t(rows_.size());
      do i += step;
      while (i >= 0 && i < int64_t(rows_.size()) && !Live(i));
      if (!Live(i)) {
        request.Result = step > 0 ? 2 : 1;
        return;
      }
    }
    request.RecordID = Id(i);
    if (request.RecordBuffer)
      std::memcpy(request.RecordBuffer, rows_[size_t(i)]->data(), size_t(size_));
    request.Bof = request.Eof = false;
    request.Result = 0;
  }
  int32_t CompareRecordIds(const TVexRecordIDBytes& a, const TVexRecordIDBytes& b) override {
    return Number(a) < Number(b) ? -1 : Number(a) > Number(b) ? 1 : 0;
  }
  int64_t EstimateRecordNumber(int32_t, const TVexRecordIDBytes&) override { return -1; }
  int64_t Limit() const { return int64_t(rows_.size()); }

 private:
  bool Live(int64_t i) const { return i >= 0 && i < int64_t(rows_.size()) && rows_[size_t(i)]; }
  int32_t size_;
  std::vector<std::optional<std::vector<uint8_t>>> rows_;
};

class TestTable : public TVexTableData {
 public:
  TestTable() : TVexTableData(nullptr, "t") {
    TVexFieldDefs fields;
    auto add = [&](const char* name, TVexDataType type, int32_t length) {
      TVexFieldDef& f = fields.AddFieldDef();
      f.Name = name;
      f.SetDataType(type, length);
    };
    add("N", vdtInteger, 0);
    add("S", vdtString, 30);
    add("B", vdtBlob, 0);
    CreateFieldManager(fields);
    CreateIndexManager(TVexIndexDefs());
    CreateRecordManager();
  }
  const TVexRecordLayout& Layout() const { return FieldManager->FieldDefs().Layout(); }
  TestRecords& Records() { return static_cast<TestRecords&>(*RecordManager); }
  // A record buffer with these values (nullopt: NULL).
  std::vector<uint8_t> Row(std::optional<int32_t> n, std::optional<std::string> s = "x") const {
    std::vector<uint8_t> r(size_t(Layout().RecordBufferSize) + 16, 0);
    SetNullBit(r.data(), 0, !n);
    SetNullBit(r.data(), 1, !s);
    SetNullBit(r.data(), 2, true);
    if (n) WriteInt32LE(r.data() + Layout().Fields[0].BufferOffset, *n);
    if (s) std::memcpy(r.data() + Layout().Fields[1].BufferOffset, s->data(), s->size());
    return r;
  }
  TVexRecordIDBytes Add(std::optional<int32_t> n, std::optional<std::string> s = "x") {
    TVexRecordIDBytes id;
    RecordManager->AddRecord(-2, Row(n, s).data(), id);
    return id;
  }

  void CreateRecordManager() override {
    RecordManager = std::make_unique<TestRecords>(Layout().RecordBufferSize);
  }
  void CreateTable(TVexCursor&, const TVexFieldDefs&, const TVexIndexDefs&,
                   const TVexConstraintDefs&) override {}
  int64_t GetRecordNumberLimit(int32_t) override { return Records().Limit(); }
  int64_t RecordIdToNumber(const TVexRecordIDBytes& id) override { return TestRecords::Number(id); }
  TVexRecordIDBytes NumberToRecordId(int64_t n) override { return TestRecords::Id(n); }
  void SetBlobFromStream(uint8_t*, int32_t, TVexStream&) override {}
  TVexOwned<TVexStream> OpenBlobStream(TVexCursor&, int32_t, uint8_t) override { return {}; }
  void ReadBlobValue(int32_t, const uint8_t*, int32_t, TVexBlobValue&) override {}
  void WriteBlobValue(uint8_t*, int32_t, TVexBlobValue&) override {}
  void ReleaseBlobValue(TVexBlobValue&) override {}
  bool InsertRecord(TVexCursor&) override { return false; }
  bool DeleteRecord(TVexCursor&) override { return false; }
  bool UpdateRecord(TVexCursor&) override { return false; }
  void GoToPhysicalRecordNumber(TVexCursor&, int64_t) override {}
  int64_t GetPhysicalRecordNumber(TVexCursor&) override { return 0; }
  int64_t GetRecordCount(TVexCursor&) override { return RecordManager->RecordCount; }

  TVexMemoryPageManager Pages{int64_t(64) << 20};

 protected:
  std::unique_ptr<TVexBaseIndexManager> NewIndexManager() override {
    return std::make_unique<TVexBTreeIndexManager>(this, &Pages, &Pages);
  }
};

// An index definition over the named fields (prefix length 20 unless given).
inline std::unique_ptr<TVexIndexDef> IndexOn(const std::vector<std::string>& fields,
                                             bool unique = false, int32_t prefixLength = 20) {
  auto result = std::make_unique<TVexIndexDef>();
  TVexIndexDef& def = *result;
  def.Name = "IX";
  def.SetColumns(fields, std::vector<std::string>(fields.size()),
                 std::vector<std::string>(fields.size()));
  for (TVexIndexColumn& c : def.Columns) c.PrefixLength = prefixLength;
  def.Unique = unique ? 1 : 0;
  return result;
}
