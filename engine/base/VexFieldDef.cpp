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

void TVexFieldDef::LoadFromStream(TVexStoredReader& stream) {
  TVexMetaObjectDef::LoadFromStream(stream);
  StorageType_ = TVexStorageType(stream.ReadByte(kReadStorageType));
  DataType_ = TVexDataType(stream.ReadByte(kReadDataType));
  Length_ = stream.ReadInt32(kReadLength);
  if (IsBlobStorageType(StorageType_)) {
    BlobCompressionAlgorithm = stream.ReadByte(kReadBlobAlgorithm);
    BlobCompressionMode = stream.ReadByte(kReadBlobMode);
    BlobBlockSize = stream.ReadInt32(kReadBlobBlockSize);
  } else {
    BlobCompressionAlgorithm = 0;
    BlobCompressionMode = 0;
    BlobBlockSize = kDefaultBlobBlockSize;
  }
  AutoIncStep = stream.ReadInt64(kReadAutoIncStep);
  AutoIncInitial = stream.ReadInt64(kReadAutoIncInitial);
  AutoIncMin = stream.ReadInt64(kReadAutoIncMin);
  AutoIncMax = stream.ReadInt64(kReadAutoIncMax);
  AutoIncCycled = stream.ReadByte(kReadAutoIncCycled);
  DefaultValue.LoadFromStream(stream);
  UpdateDefaultExpression();
  ComputeSizes();
}

void TVexFieldDef::SaveToStream(TVexStoredWriter& stream) const {
  TVexMetaObjectDef::SaveToStream(stream);
  stream.WriteByte(StorageType_, kWriteStorageType);
  stream.WriteByte(DataType_, kWriteDataType);
  stream.WriteInt32(Length_, kWriteLength);
  if (IsBlobStorageType(StorageType_)) {
    stream.WriteByte(BlobCompressionAlgorithm, kWriteBlobAlgorithm);
    stream.WriteByte(BlobCompressionMode, kWriteBlobMode);
    stream.WriteInt32(BlobBlockSize, kWriteBlobBlockSize);
  }
  stream.WriteInt64(AutoIncStep, kWriteAutoIncStep);
  stream.WriteInt64(AutoIncInitial, kWriteAutoIncInitial);
  stream.WriteInt64(AutoIncMin, kWriteAutoIncMin);
  stream.WriteInt64(AutoIncMax, kWriteAutoIncMax);
  stream.WriteByte(AutoIncCycled, kWriteAutoIncCycled);
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
