// A cursor for tests of the cursor's own state: the table operations do nothing, and
// InitFieldDefs takes its table's definitions from the test.
#pragma once

#include "engine/base/VexCursor.h"

class TTestCursor : public TVexCursor {
 public:
  TVexFieldDefs TableFields;
  TVexConstraintDefs TableConstraints;

  void InitFieldDefs() override { SetupFieldDefs(TableFields, TableConstraints); }

  void CreateTable(const TVexFieldDefs&, const TVexIndexDefs&, const TVexConstraintDefs&) override {
  }
  void DeleteTable() override {}
  void EmptyTable() override {}
  void RenameTable(const std::string&) override {}
  void OpenCursor() override {}
  void CloseCursor() override {}
  void LockData() override {}
  void UnlockData() override {}
  bool LockTable(int32_t, int32_t, int32_t) override { return true; }
  void UnlockTable(int32_t) override {}
  void CreateIndex(const TVexIndexDef&) override {}
  void DropIndex(const std::string&) override {}
  void DropAllIndexes() override {}
  bool PrepareIndexForFields(const std::vector<std::string>&, const std::vector<std::string>&,
                             const std::vector<std::string>&, std::string&) override {
    return false;
  }
  bool IndexExistsForFields(const std::vector<std::string>&, const std::vector<std::string>&,
                            const std::vector<std::string>&, std::string&) override {
    return false;
  }
  void CopyFieldValue(int32_t, bool, TVexCursor&, int32_t) override {}
  int32_t GetRecordCount() override { return 0; }
  int32_t GetRecord(TVexGetRecordMode) override { return vgrEOF; }
  void SetRecNo(int32_t) override {}
  int32_t GetRecNo() override { return 0; }
  void First() override {}
  void Last() override {}
  void Refresh() override {}
  int32_t BeginEdit() override { return 0; }
  void CancelEdit(bool) override {}
  int32_t Post(bool) override { return 0; }
  int32_t DeleteRecord() override { return 0; }
  void SetIndex(const std::vector<std::string>&, const std::vector<std::string>&,
                const std::vector<std::string>&, int32_t) override {}
  void SetFilter(const std::string&, uint32_t) override {}
  void ResetFilterCache() override {}
  bool Locate(const std::vector<std::string>&, std::span<const TVexVariant* const>,
              uint32_t) override {
    return false;
  }
  bool FindKey(std::span<const TVexVariant* const>) override { return false; }
  bool Lookup(const std::vector<std::string>&, std::span<const TVexVariant* const>) override {
    return false;
  }
  TVexStream* OpenBlob(int32_t, uint8_t, bool, bool, bool) override { return nullptr; }
  void WriteBlob(int32_t) override {}
  void CloseBlobs(bool) override {}
  int64_t GetNextAutoIncValue(int32_t) override { return 0; }
  void BeginSession() override {}
  void CommitSession() override {}
  void RollbackSession() override {}
  void CheckConstraints() override {}

  // Adds a field of the table.
  TTestCursor& Field(const char* name, TVexDataType type, int32_t length = 0) {
    TVexFieldDef& def = TableFields.AddFieldDef();
    def.Name = name;
    def.SetDataType(type, length);
    return *this;
  }
};
