// Field definitions: one field of a table (TVexFieldDef: name, types, length, derived sizes and
// offsets, default value, BLOB and autoincrement settings) and a table's list of fields
// (TVexFieldDefs) with the record layout, and their stored forms.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "engine/base/VexMetaObjectDef.h"
#include "engine/base/VexOwned.h"
#include "engine/base/VexRecordLayout.h"
#include "engine/base/VexTypes.h"
#include "engine/base/VexVariant.h"

// A compiled SQL expression; the SQL layer defines it.
class TVexExpression;

// Decides whether a default text is an expression: returns it compiled when it is one, or
// nothing when the text is a plain value. The SQL layer registers it; until then every default
// is a value.
using TVexDefaultExpressionCompiler = TVexOwned<TVexExpression> (*)(const std::string& text);
void SetDefaultExpressionCompiler(TVexDefaultExpressionCompiler compiler);

class TVexFieldDef : public TVexMetaObjectDef {
 public:
  static constexpr int32_t kDefaultBlobBlockSize = 102400;

  TVexFieldDef();
  ~TVexFieldDef() override;

  void AssignDef(const TVexMetaObjectDef& source) override;
  void LoadFromStream(TVexStream& stream) override;
  void SaveToStream(TVexStream& stream) const override;
  const char* ClassName() const override { return "TVexFieldDef"; }

  // Sets the declared type and length, derives the storage type and recomputes both sizes.
  // A declared type without a storage type raises 30007 "Unsupported data type '%s'".
  void SetDataType(TVexDataType dataType, int32_t length);

  TVexStorageType StorageType() const { return StorageType_; }
  TVexDataType DataType() const { return DataType_; }
  // Declared length in characters (text) or bytes (BYTES, VARBYTES); 0 for other types.
  int32_t Length() const { return Length_; }
  int32_t StoredSize() const { return StoredSize_; }
  int32_t RecordBufferSize() const { return RecordBufferSize_; }
  int32_t StoredOffset() const { return StoredOffset_; }
  int32_t RecordBufferOffset() const { return RecordBufferOffset_; }

  // The compiled default expression, or null when the default is a plain value.
  TVexExpression* DefaultExpression() const { return DefaultExpression_.get(); }
  // Examines the default value again: a non-NULL text that the registered compiler accepts
  // becomes the default expression. Called after loading and assigning.
  void UpdateDefaultExpression();

  // Position among the table's physical fields: its null-bitmap bit and per-field index.
  int32_t FieldNo = 0;
  TVexVariant DefaultValue;              // NULL when there is no default
  uint8_t BlobCompressionAlgorithm = 0;  // 0 none, 1 zlib, 2 bzip2, 3 PPM
  uint8_t BlobCompressionMode = 0;       // level 0..9
  int32_t BlobBlockSize = kDefaultBlobBlockSize;
  int64_t AutoIncStep = 1;
  int64_t AutoIncInitial = 0;
  int64_t AutoIncMin = 0;
  int64_t AutoIncMax = std::numeric_limits<int64_t>::max();
  uint8_t AutoIncCycled = 0;

 private:
  friend class TVexFieldDefs;
  void ComputeSizes();

  TVexStorageType StorageType_ = vstUnknown;
  TVexDataType DataType_ = vdtUnknown;
  int32_t Length_ = 0;
  int32_t StoredSize_ = 0;
  int32_t RecordBufferSize_ = 0;
  int32_t StoredOffset_ = 0;
  int32_t RecordBufferOffset_ = 0;
  TVexOwned<TVexExpression> DefaultExpression_;
};

class TVexFieldDefs : public TVexTypedDefs<TVexFieldDef, TVexMetaObjectDefs> {
 public:
  TVexMetaObjectDef& AddNew() override;
  const char* ClassName() const override { return "TVexFieldDefs"; }
  // Computes every field's offsets and sizes in both images of a row and the totals.
  virtual void CalculateLayout();

  TVexFieldDef& AddFieldDef() { return static_cast<TVexFieldDef&>(AddNew()); }
  // Results of the last CalculateLayout.
  int32_t RecordBufferSize() const { return Layout_.RecordBufferSize; }
  int32_t StoredRecordSize() const { return Layout_.StoredRecordSize; }
  const TVexRecordLayout& Layout() const { return Layout_; }

 private:
  TVexRecordLayout Layout_;
};
