// Block compression: zlib (algorithm 1) and bzip2 (algorithm 2) buffer routines.
#include "engine/base/VexCompression.h"

#include <bzlib.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <limits>

namespace {

const char* const kAlgorithmNames[] = {"NONE", "ZLIB", "BZIP", "PPM"};

enum class TCodecStatus { Continue, End, Error };

// The zlib compressor or decompressor over one input buffer (zlib format: header and
// Adler-32 trailer, default window and memory settings).
class TZlibCodec {
 public:
  TZlibCodec(bool compress, int level, const void* input, int32_t inSize) : compress_(compress) {
    stream_.next_in = static_cast<Bytef*>(const_cast<void*>(input));
    stream_.avail_in = uInt(inSize);
    ready_ = (compress ? deflateInit(&stream_, level) : inflateInit(&stream_)) == Z_OK;
  }
  ~TZlibCodec() {
    if (ready_) compress_ ? deflateEnd(&stream_) : inflateEnd(&stream_);
  }
  bool Ready() const { return ready_; }
  TCodecStatus Step(uint8_t* out, size_t avail, size_t& written) {
    stream_.next_out = out;
    stream_.avail_out = uInt(avail);
    const int ret = compress_ ? deflate(&stream_, Z_FINISH) : inflate(&stream_, Z_NO_FLUSH);
    written = avail - stream_.avail_out;
    if (ret == Z_STREAM_END) return TCodecStatus::End;
    // Z_BUF_ERROR only says that no progress was possible; the caller grows the buffer or
    // finds that the input has run out. Z_NEED_DICT and every negative result are failures.
    return ret == Z_OK || ret == Z_BUF_ERROR ? TCodecStatus::Continue : TCodecStatus::Error;
  }

 private:
  z_stream stream_{};
  bool compress_;
  bool ready_ = false;
};

// The bzip2 compressor (block size = mode, verbosity 0, work factor 0) or decompressor
// (verbosity 0, small 0) over one input buffer.
class TBzipCodec {
 public:
  TBzipCodec(bool compress, int blockSize, const void* input, int32_t inSize)
      : compress_(compress) {
    stream_.next_in = static_cast<char*>(const_cast<void*>(input));
    stream_.avail_in = unsigned(inSize);
    ready_ = (compress ? BZ2_bzCompressInit(&stream_, blockSize, 0, 0)
                       : BZ2_bzDecompressInit(&stream_, 0, 0)) == BZ_OK;
  }
  ~TBzipCodec() {
    if (ready_) compress_ ? BZ2_bzCompressEnd(&stream_) : BZ2_bzDecompressEnd(&stream_);
  }
  bool Ready() const { return ready_; }
  TCodecStatus Step(uint8_t* out, size_t avail, size_t& written) {
    stream_.next_out = reinterpret_cast<char*>(out);
    stream_.avail_out = unsigned(avail);
    const int ret = compress_ ? BZ2_bzCompress(&stream_, BZ_FINISH) : BZ2_bzDecompress(&stream_);
    written = avail - stream_.avail_out;
    if (ret == BZ_STREAM_END) return TCodecStatus::End;
    return ret == BZ_OK || ret == BZ_FINISH_OK || ret == BZ_RUN_OK ? TCodecStatus::Continue
                                                                   : TCodecStatus::Error;
  }

 private:
  bz_stream stream_{};
  bool compress_;
  bool ready_ = false;
};

// Runs a codec until its stream ends. The output starts at initialSize bytes and grows by
// growStep whenever it fills, never beyond limit bytes. A call that makes no progress although
// there is room (input used up before the stream end) is a failure.
template <class TCodec>
bool RunCodec(TCodec& codec, size_t initialSize, size_t growStep, size_t limit,
              std::vector<uint8_t>& output) {
  if (!codec.Ready()) return false;
  output.assign(std::min(initialSize, limit), 0);
  size_t produced = 0;
  for (;;) {
    if (produced == output.size()) {
      if (output.size() >= limit) return false;
      output.resize(std::min(output.size() + growStep, limit));
    }
    const size_t avail = output.size() - produced;
    size_t written = 0;
    const TCodecStatus status = codec.Step(output.data() + produced, avail, written);
    produced += written;
    if (status == TCodecStatus::End) break;
    if (status == TCodecStatus::Error || (written == 0 && avail > 0)) return false;
  }
  output.resize(produced);
  return true;
}

size_t RoundUp256(size_t n) {
  return (n + 255) / 256 * 256;
}

}  // namespace

uint8_t CompressionAlgorithmByName(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  for (uint8_t code = 0; code < 4; ++code)
    if (upper == kAlgorithmNames[code]) return code;
  return cmpNone;
}

std::string CompressionAlgorithmName(uint8_t algorithm) {
  return kAlgorithmNames[algorithm < 4 ? algorithm : cmpNone];
}

int32_t DefaultBlockSizeByMode(uint8_t mode) {
  if (mode == 0) return 102400;
  if (mode <= 3) return 524288;
  if (mode <= 6) return 1048576;
  return 1572864;
}

bool CompressBuffer(uint8_t algorithm, uint8_t mode, const void* input, int32_t inSize,
                    std::vector<uint8_t>& output) {
  output.clear();
  if (inSize <= 0 || input == nullptr) return false;
  const size_t n = size_t(inSize);
  // Room for incompressible data plus the format's overhead, rounded down to 256 bytes.
  const size_t initial = std::max<size_t>((n + n / 10 + 267) / 256 * 256, 256);
  const size_t limit = std::numeric_limits<int32_t>::max();
  bool ok = false;
  try {
    if (algorithm == cmpZlib) {
      TZlibCodec codec(true, mode, input, inSize);
      ok = RunCodec(codec, initial, 256, limit, output);
    } else if (algorithm == cmpBzip) {
      TBzipCodec codec(true, mode, input, inSize);
      ok = RunCodec(codec, initial, 256, limit, output);
    }
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok || output.empty()) {
    output.clear();
    return false;
  }
  return true;
}

bool DecompressBuffer(uint8_t algorithm, const void* input, int32_t inSize, int32_t outSize,
                      std::vector<uint8_t>& output) {
  output.clear();
  if (inSize <= 0 || input == nullptr || outSize < 0) return false;
  const size_t step =
      outSize >= 1 && outSize <= 10000 ? size_t(outSize) : RoundUp256(size_t(inSize));
  // One byte beyond the expected size is enough to see that the data does not fit it.
  const size_t limit = size_t(outSize) + 1;
  bool ok = false;
  try {
    if (algorithm == cmpZlib) {
      TZlibCodec codec(false, 0, input, inSize);
      ok = RunCodec(codec, step, step, limit, output);
    } else if (algorithm == cmpBzip) {
      TBzipCodec codec(false, 0, input, inSize);
      ok = RunCodec(codec, step, step, limit, output);
    }
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok || output.size() > size_t(outSize)) {
    output.clear();
    return false;
  }
  return true;
}
