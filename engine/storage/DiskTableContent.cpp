// Stored forms of the metadata and header files of a disk table.
#include "engine/storage/DiskTableContent.h"

#include <cstring>

#include "engine/base/VexExcept.h"
#include "engine/base/VexMemoryStream.h"
#include "engine/base/VexStoredForm.h"
#include "platform/LittleEndian.h"

namespace {
// Codes of the reads and writes of the two index roots.
constexpr int32_t kReadRootCode = 20163;
constexpr int32_t kWriteRootCode = 20165;
}  // namespace

std::vector<uint8_t> TVexDiskTableMetadata::Store() const {
  TVexMemoryStream stream;
  FieldDefs.SaveToStream(stream);
  IndexDefs.SaveToStream(stream);
  ConstraintDefs.SaveToStream(stream);
  WriteStoredInt32(stream, RecordPageIndexRoot, kWriteRootCode);
  WriteStoredInt32(stream, BlobPageIndexRoot, kWriteRootCode);
  return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.GetSize());
}

void TVexDiskTableMetadata::Load(std::span<const uint8_t> bytes) {
  TVexMemoryStream stream(int32_t(bytes.size()));
  if (!bytes.empty()) stream.Write(bytes.data(), int32_t(bytes.size()));
  stream.Seek(0, TSeekOrigin::soBeginning);
  FieldDefs.LoadFromStream(stream);
  IndexDefs.LoadFromStream(stream);
  ConstraintDefs.LoadFromStream(stream);
  RecordPageIndexRoot = ReadStoredInt32(stream, kReadRootCode);
  BlobPageIndexRoot = ReadStoredInt32(stream, kReadRootCode);
  for (int32_t i = 0; i < FieldDefs.Count(); ++i) FieldDefs[i].FieldNo = i;
  FieldDefs.CalculateLayout();
}

std::vector<uint8_t> TVexDiskTableHeader::Store(int32_t fieldCount) const {
  size_t size = 4 + 8 * Counters.size() + 8;
  if (int64_t(size) > BufferSize(fieldCount))
    throw EVexException(20164, "Invalid table header data");
  std::vector<uint8_t> bytes(size);
  uint8_t* p = bytes.data();
  WriteInt32LE(p, int32_t(Counters.size()));
  p += 4;
  for (int64_t c : Counters) {
    WriteInt64LE(p, c);
    p += 8;
  }
  WriteInt32LE(p, TableVersion);
  WriteInt32LE(p + 4, int32_t(RecordCount));
  return bytes;
}

void TVexDiskTableHeader::Load(std::span<const uint8_t> bytes, int32_t fieldCount) {
  // A count that does not fit the content or the buffer is damage, not a table to read.
  if (bytes.size() < 12 || int64_t(bytes.size()) > BufferSize(fieldCount))
    throw EVexException(20164, "Invalid table header data");
  int32_t n = ReadInt32LE(bytes.data());
  if (n < 0 || 4 + 8 * int64_t(n) + 8 > int64_t(bytes.size()))
    throw EVexException(20164, "Invalid table header data");
  Counters.resize(size_t(n));
  const uint8_t* p = bytes.data() + 4;
  for (int32_t i = 0; i < n; ++i, p += 8) Counters[size_t(i)] = ReadInt64LE(p);
  TableVersion = ReadInt32LE(p);
  RecordCount = ReadInt32LE(p + 4);
}
