// The compressed BLOB stream.
#include "engine/base/VexCompressedBLOBStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/base/VexCompression.h"
#include "engine/base/VexCrc32.h"
#include "engine/base/VexExcept.h"

namespace {

constexpr int32_t kHeaderSize = TVexCompressedStreamBlockHeader::kSize;

}  // namespace

TVexCompressedBLOBStream::TVexCompressedBLOBStream(TVexStream& base, bool tolerant, bool isNew,
                                                   const TVexBLOBDescriptor& descriptor)
    : Base_(&base), Tolerant_(tolerant), Descriptor_(descriptor) {
  Open(isNew);
}

TVexCompressedBLOBStream::TVexCompressedBLOBStream(std::unique_ptr<TVexStream> base, bool tolerant,
                                                   bool isNew, const TVexBLOBDescriptor& descriptor)
    : OwnedBase_(std::move(base)),
      Base_(OwnedBase_.get()),
      Tolerant_(tolerant),
      Descriptor_(descriptor) {
  Open(isNew);
}

void TVexCompressedBLOBStream::Open(bool isNew) {
  Algorithm_ = Descriptor_.CompressionAlgorithm;
  Mode_ = Descriptor_.CompressionMode;
  BlockSize_ = Descriptor_.BlockSize > 0 ? Descriptor_.BlockSize : DefaultBlockSizeByMode(Mode_);
  StartOffset_ = Descriptor_.StartPosition;
  Base_->SeekChecked(StartOffset_, 10103);
  if (Algorithm_ == cmpNone) {
    if (!isNew) {
      UncompressedSize_ = std::max<int64_t>(Descriptor_.UncompressedSize, 0);
      const int64_t needed = StartOffset_ + UncompressedSize_;
      const int64_t baseSize = Base_->GetSize();
      if (!Tolerant_ && baseSize < needed)
        throw EVexException(10081, "Stream size = %d too small. Should be at least = %d",
                            {baseSize, needed});
    }
  } else if (!isNew) {
    LoadBlockHeaders(Descriptor_.BlockCount);
  }
  CopyBlockSize = BlockSize_;
  UpdateTotals();
}

void TVexCompressedBLOBStream::LoadBlockHeaders(int64_t count) {
  int64_t position = StartOffset_;
  int64_t size = 0;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t baseSize = Base_->GetSize();
    if (baseSize - position < kHeaderSize) {
      if (Tolerant_) break;
      throw EVexException(10082, "Stream size = %d too small. Should be at least = %d",
                          {baseSize, position + kHeaderSize});
    }
    uint8_t bytes[kHeaderSize];
    Base_->ReadChecked(bytes, kHeaderSize, 10082);
    const auto header = TVexCompressedStreamBlockHeader::ReadFrom(bytes);
    // A block length below the header's own size would lead back to this or an earlier
    // header, one too large past any position: both are damaged headers.
    if (header.BlockLength < kHeaderSize ||
        header.BlockLength > std::numeric_limits<int64_t>::max() - position)
      RaiseStreamSeekError(10083, position, Base_->GetPosition(), baseSize);
    Headers_.Add({header, position});
    size += std::max(header.UncompressedSize, 0);
    position += header.BlockLength;
    Base_->SeekChecked(position, 10083);
  }
  UncompressedSize_ = size;
}

void TVexCompressedBLOBStream::LoadBlock(int64_t index) {
  if (index == CurrentBlock_) return;
  const auto& item = Headers_[index];
  const int32_t c = item.Header.CompressedSize;
  const int32_t u = item.Header.UncompressedSize;
  const int64_t dataPosition = item.Position + kHeaderSize;
  Base_->SeekChecked(dataPosition, 10086);
  // The compressed bytes must be there before memory is taken for them.
  const int64_t available = std::max<int64_t>(Base_->GetSize() - dataPosition, 0);
  if (c < 0 || c > available)
    RaiseStreamReadError(10086, dataPosition, Base_->GetSize(), c,
                         std::clamp<int64_t>(available, 0, std::max(c, 0)));
  std::vector<uint8_t> packed(static_cast<size_t>(c));
  Base_->ReadChecked(packed.data(), c, 10086);
  std::vector<uint8_t> content;
  if (!DecompressBuffer(Algorithm_, packed.data(), c, u, content))
    throw EVexException(10087, "Decompress buffer failed. CompAlg = %d, InSize = %d, OutSize = %d",
                        {Algorithm_, c, u});
  if (int64_t(content.size()) != u)
    throw EVexException(10088, "Decompress buffer failed. UncompSize = %d, Header.UncompSize = %d",
                        {content.size(), u});
  const uint32_t crc = BlockCrc32(content.data(), content.size());
  if (crc != item.Header.Crc32)
    throw EVexException(10089, "Decompress buffer failed. CheckSum = %d, Header.Crc32 = %d",
                        {crc, item.Header.Crc32});
  Block_ = std::move(content);
  CurrentBlock_ = index;
  ++DecompressedBlocks_;
}

int32_t TVexCompressedBLOBStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || Position_ >= UncompressedSize_ || Position_ < 0) return 0;
  if (Algorithm_ == cmpNone) {
    const int32_t n = int32_t(std::min<int64_t>(count, UncompressedSize_ - Position_));
    if (Base_->Seek(StartOffset_ + Position_, TSeekOrigin::soBeginning) != StartOffset_ + Position_)
      return 0;
    const int32_t done = Base_->Read(buffer, n);
    Position_ += done;
    return done;
  }
  auto out = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count && Position_ < UncompressedSize_) {
    const int64_t index = Position_ / BlockSize_;
    const int64_t offset = Position_ % BlockSize_;
    if (index >= Headers_.Count())
      throw EVexException(10090, "Cannot read from stream. ReadSize = %d", {0});
    LoadBlock(index);
    const int64_t n = std::min(
        {int64_t(count - done), int64_t(Block_.size()) - offset, UncompressedSize_ - Position_});
    if (n <= 0) throw EVexException(10090, "Cannot read from stream. ReadSize = %d", {0});
    std::memcpy(out + done, Block_.data() + offset, size_t(n));
    done += int32_t(n);
    Position_ += n;
  }
  return done;
}

int64_t TVexCompressedBLOBStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t target = SeekTarget(offset, origin, Position_, UncompressedSize_);
  if (target >= 0) Position_ = target;
  return Position_;
}

int32_t TVexCompressedBLOBStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  if (Algorithm_ == cmpNone) {
    Base_->SeekChecked(StartOffset_ + Position_, 10091);
    const int32_t done = Base_->Write(buffer, count);
    UncompressedSize_ = std::max<int64_t>(Base_->GetSize() - StartOffset_, 0);
    Position_ = Base_->GetPosition() - StartOffset_;
    UpdateTotals();
    return done;
  }
  if (Position_ < UncompressedSize_) return 0;
  if (Position_ > UncompressedSize_) {
    const int64_t target = Position_;
    SetSize(target);
    SeekChecked(target, 10091);
    if (UncompressedSize_ != Position_)
      throw EVexException(10092, "Invalid stream size = %d. Should be = %d",
                          {UncompressedSize_, Position_});
  }
  WriteAtEnd(static_cast<const uint8_t*>(buffer), count);
  UpdateTotals();
  return count;
}

TVexCompressedStreamBlockHeader TVexCompressedBLOBStream::WriteBlock(
    const std::vector<uint8_t>& content, int64_t headerPosition, int32_t seekCode) {
  TVexCompressedStreamBlockHeader header;
  header.UncompressedSize = int32_t(content.size());
  header.Crc32 = BlockCrc32(content.data(), content.size());
  std::vector<uint8_t> packed;
  if (!CompressBuffer(Algorithm_, Mode_, content.data(), header.UncompressedSize, packed))
    throw EVexException(10085,
                        "Compress buffer failed. CompAlg = %d, CompMode = %d, InSize = %d, "
                        "OutSize = %d",
                        {Algorithm_, Mode_, header.UncompressedSize, packed.size()});
  header.CompressedSize = int32_t(packed.size());
  header.BlockLength = int64_t(header.CompressedSize) + kHeaderSize;
  uint8_t bytes[kHeaderSize];
  header.WriteTo(bytes);
  Base_->SeekChecked(headerPosition, seekCode);
  Base_->WriteChecked(bytes, kHeaderSize, 10100);
  Base_->WriteChecked(packed.data(), header.CompressedSize, 10101);
  return header;
}

void TVexCompressedBLOBStream::WriteAtEnd(const uint8_t* data, int32_t count) {
  int32_t written = 0;
  const int64_t offset = UncompressedSize_ % BlockSize_;
  if (offset >= 1 && Headers_.Count() > 0) {
    // The last block is partly filled: fill it up and store it again in place.
    const int64_t last = Headers_.Count() - 1;
    LoadBlock(last);
    if (int64_t(Block_.size()) != offset)
      throw EVexException(10088,
                          "Decompress buffer failed. UncompSize = %d, Header.UncompSize = %d",
                          {Block_.size(), offset});
    std::vector<uint8_t> content = Block_;
    const int32_t take = int32_t(std::min<int64_t>(count, BlockSize_ - offset));
    content.insert(content.end(), data, data + take);
    CurrentBlock_ = -1;
    Headers_[last].Header = WriteBlock(content, Headers_[last].Position, 10099);
    Block_ = std::move(content);
    CurrentBlock_ = last;
    written = take;
    UncompressedSize_ += take;
    Position_ += take;
  }
  if (written < count) Base_->SeekChecked(ChainEnd(), 10102);
  while (written < count) {
    const int32_t n = std::min(count - written, BlockSize_);
    const std::vector<uint8_t> content(data + written, data + written + n);
    const int64_t headerPosition = Base_->GetPosition();
    const auto header = WriteBlock(content, headerPosition, 10099);
    Headers_.Add({header, headerPosition});
    written += n;
    UncompressedSize_ += n;
    Position_ += n;
  }
  // A block stored again shorter than before leaves old bytes behind the chain.
  if (Base_->GetSize() > ChainEnd()) Base_->SetSize(ChainEnd());
}

int64_t TVexCompressedBLOBStream::ChainEnd() const {
  if (Headers_.Count() == 0) return StartOffset_;
  const auto& last = Headers_[Headers_.Count() - 1];
  return last.Position + last.Header.BlockLength;
}

void TVexCompressedBLOBStream::SetSize(int64_t newSize) {
  newSize = std::max<int64_t>(newSize, 0);
  if (Algorithm_ == cmpNone) {
    Base_->SetSize(StartOffset_ + newSize);
    UncompressedSize_ = newSize;
  } else if (newSize > UncompressedSize_) {
    Extend(newSize);
  } else if (newSize < UncompressedSize_) {
    Shrink(newSize);
  }
  UpdateTotals();
}

void TVexCompressedBLOBStream::Extend(int64_t newSize) {
  const int64_t extension = newSize - UncompressedSize_;
  if (extension <= 0)
    throw EVexException(10098,
                        "Invalid extension size. NewSize = %d, UncompressedSize = %d, "
                        "ExtensionSize = %d",
                        {newSize, UncompressedSize_, extension});
  TVexStreamPositionGuard restore(*this);
  Position_ = UncompressedSize_;
  const std::vector<uint8_t> zeros(size_t(std::min<int64_t>(BlockSize_, extension)), 0);
  while (UncompressedSize_ < newSize) {
    const int32_t n = int32_t(std::min<int64_t>(BlockSize_, newSize - UncompressedSize_));
    WriteAtEnd(zeros.data(), n);
  }
}

void TVexCompressedBLOBStream::Shrink(int64_t newSize) {
  if (newSize == 0) {
    Headers_.SetCount(0);
  } else {
    const int64_t count = (newSize - 1) / BlockSize_ + 1;
    const int64_t lastLength = newSize - (count - 1) * BlockSize_;
    LoadBlock(count - 1);
    if (int64_t(Block_.size()) < lastLength)
      throw EVexException(10088,
                          "Decompress buffer failed. UncompSize = %d, Header.UncompSize = %d",
                          {Block_.size(), lastLength});
    Headers_.SetCount(count);
    if (int64_t(Block_.size()) != lastLength) {
      std::vector<uint8_t> content(Block_.begin(), Block_.begin() + lastLength);
      CurrentBlock_ = -1;
      Headers_[count - 1].Header = WriteBlock(content, Headers_[count - 1].Position, 10099);
      Block_ = std::move(content);
      CurrentBlock_ = count - 1;
    }
  }
  if (CurrentBlock_ >= Headers_.Count()) CurrentBlock_ = -1;
  UncompressedSize_ = newSize;
  Base_->SetSize(ChainEnd());
}

void TVexCompressedBLOBStream::UpdateTotals() {
  CompressedSize_ = 0;
  if (Algorithm_ == cmpNone) {
    CompressedSize_ = UncompressedSize_;
  } else {
    for (int64_t i = 0; i < Headers_.Count(); ++i)
      CompressedSize_ += Headers_[i].Header.BlockLength;
  }
  CompressionRatio_ =
      Algorithm_ != cmpNone && UncompressedSize_ > 0
          ? float(100.0 * (1.0 - double(CompressedSize_) / double(UncompressedSize_)))
          : 0.0f;
  Descriptor_.BlockCount = Headers_.Count();
  Descriptor_.UncompressedSize = UncompressedSize_;
}
