// Field definitions, the record layout of a field list, and their stored forms.
#include "engine/base/VexFieldDef.h"

#include <atomic>

#include "engine/base/VexExcept.h"
#include "engine/base/VexRecordLayout.h"
#include "engine/base/VexTypesRoutines.h"

namespace {
std::atomic<TVexDefaultExpressionCompiler> DefaultExpressionCompiler{nullptr};

// Error codes of the field definition's members, reading and writing.
enum : int32_t {
  kReadStorageType = 10187,
  kReadDataType,
  kReadLength,
  kReadBlobAlgorithm,
  kReadBlobMode,
  kReadBlobBlockSize,
  kReadAutoIncStep,
  kReadAutoIncInitial,
  kReadAutoIncMin = 30407,
  kReadAutoIncMax,
  kReadAutoIncCycled,
};
enum : int32_t {
  kWriteStorageType = 10170,
  kWriteDataType,
  kWriteLength,
  kWriteBlobAlgorithm,
  kWriteBlobMode,
  kWriteBlobBlockSize,
  kWriteAutoIncStep,
  kWriteAutoIncInitial,
  kWriteAutoIncMin = 30412,
  kWriteAutoIncMax,
  kWriteAutoIncCycled,
};
}  // namespace

void SetDefaultExpressionCompiler(TVexDefaultExpressionCompiler compiler) {
  DefaultExpressionCompiler = compiler;
}

TVexFieldDef::TVexFieldDef() = default;
TVexFieldDef::~TVexFieldDef() = default;

void TVexFieldDef::SetDataType(TVexDataType dataType, int32_t length) {
  const TVexStorageType storageType = DataTypeToStorageType(dataType);
  if (storageType == vstUnknown)
    throw EVexException(30007, "Unsupported data type '%s'", {DataTypeName(dataType)});
  DataType_ = dataType;
  StorageType_ = storageType;
  Length_ = length;
  ComputeSizes();
}

void TVexFieldDef::ComputeSizes() {
  RecordBufferSize_ = StorageTypeSize(StorageType_, Length_);
  StoredSize_ = StoredTypeSize(StorageType_, Length_);
}

void TVexFieldDef::UpdateDefaultExpression() {
  DefaultExpression_.reset();
  const TVexDefaultExpressionCompiler compiler = DefaultExpressionCompiler;
  if (compiler && !DefaultValue.IsNull() && DefaultValue.IsText())
    DefaultExpression_ = compiler(DefaultValue.AsString());
}

void TVexFieldDef::AssignDef(const TVexMetaObjectDef& source) {
  TVexMetaObjectDef::AssignDef(source);
  const auto& s = static_cast<const TVexFieldDef&>(source);
  StorageType_ = s.StorageType_;
  DataType_ = s.DataType_;
  Length_ = s.Length_;
  StoredSize_ = s.StoredSize_;
  RecordBufferSize_ = s.RecordBufferSize_;
  StoredOffset_ = s.StoredOffset_;
  RecordBufferOffset_ = s.RecordBufferOffset_;
  FieldNo = s.FieldNo;
  DefaultValue.Assign(s.DefaultValue, true);
  BlobCompressionAlgorithm = s.BlobCompressionAlgorithm;
  BlobCompressionMode = s.BlobCompressionMode;
  BlobBlockSize = s.BlobBlockSize;
  AutoIncStep = s.AutoIncStep;
  AutoIncInitial = s.AutoIncInitial;
  AutoIncMin = s.AutoIncMin;
  AutoIncMax = s.AutoIncMax;
  AutoIncCycled = s.AutoIncCycled;
  UpdateDefaultExpression();
}

void TVexFieldDef::LoadFromStream(TVexStream& stream) {
  TVexMetaObjectDef::LoadFromStream(stream);
  StorageType_ = TVexStorageType(ReadStoredByte(stream, kReadStorageType));
  DataType_ = TVexDataType(ReadStoredByte(stream, kReadDataType));
  Length_ = ReadStoredInt32(stream, kReadLength);
  if (IsBlobStorageType(StorageType_)) {
    BlobCompressionAlgorithm = ReadStoredByte(stream, kReadBlobAlgorithm);
    BlobCompressionMode = ReadStoredByte(stream, kReadBlobMode);
    BlobBlockSize = ReadStoredInt32(stream, kReadBlobBlockSize);
  } else {
    BlobCompressionAlgorithm = 0;
    BlobCompressionMode = 0;
    BlobBlockSize = kDefaultBlobBlockSize;
  }
  AutoIncStep = ReadStoredInt64(stream, kReadAutoIncStep);
  AutoIncInitial = ReadStoredInt64(stream, kReadAutoIncInitial);
  AutoIncMin = ReadStoredInt64(stream, kReadAutoIncMin);
  AutoIncMax = ReadStoredInt64(stream, kReadAutoIncMax);
  AutoIncCycled = ReadStoredByte(stream, kReadAutoIncCycled);
  DefaultValue.LoadFromStream(stream);
  UpdateDefaultExpression();
  ComputeSizes();
}

void TVexFieldDef::SaveToStream(TVexStream& stream) const {
  TVexMetaObjectDef::SaveToStream(stream);
  WriteStoredByte(stream, StorageType_, kWriteStorageType);
  WriteStoredByte(stream, DataType_, kWriteDataType);
  WriteStoredInt32(stream, Length_, kWriteLength);
  if (IsBlobStorageType(StorageType_)) {
    WriteStoredByte(stream, BlobCompressionAlgorithm, kWriteBlobAlgorithm);
    WriteStoredByte(stream, BlobCompressionMode, kWriteBlobMode);
    WriteStoredInt32(stream, BlobBlockSize, kWriteBlobBlockSize);
  }
  WriteStoredInt64(stream, AutoIncStep, kWriteAutoIncStep);
  WriteStoredInt64(stream, AutoIncInitial, kWriteAutoIncInitial);
  WriteStoredInt64(stream, AutoIncMin, kWriteAutoIncMin);
  WriteStoredInt64(stream, AutoIncMax, kWriteAutoIncMax);
  WriteStoredByte(stream, AutoIncCycled, kWriteAutoIncCycled);
  DefaultValue.SaveToStream(stream);
}

TVexMetaObjectDef& TVexFieldDefs::AddNew() {
  AddDef(std::make_unique<TVexFieldDef>());
  return *Items_.back();
}

void TVexFieldDefs::CalculateLayout() {
  TVexRecordLayout layout;
  layout.Fields.resize(size_t(Count()));
  for (int32_t i = 0; i < Count(); ++i) {
    layout.Fields[i].StorageType = (*this)[i].StorageType_;
    layout.Fields[i].Length = (*this)[i].Length_;
  }
  ComputeRecordLayout(layout);
  for (int32_t i = 0; i < Count(); ++i) {
    TVexFieldDef& def = (*this)[i];
    const TVexFieldSlot& slot = layout.Fields[i];
    def.RecordBufferSize_ = slot.BufferSize;
    def.StoredSize_ = slot.StoredSize;
    def.RecordBufferOffset_ = slot.BufferOffset;
    def.StoredOffset_ = slot.StoredOffset;
  }
  Layout_ = std::move(layout);
}
