// Reading the version record back from a program file (an ELF file with the version
// section).
#include "platform/FileVersion.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

thread_local uint32_t lastError = 0;

uint32_t Fail(uint32_t code) {
  lastError = code;
  return 0;
}

uint16_t Get16(const std::vector<uint8_t>& b, size_t at) {
  return uint16_t(b[at] | b[at + 1] << 8);
}
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}
uint64_t Get64(const std::vector<uint8_t>& b, size_t at) {
  return uint64_t(Get32(b, at)) | uint64_t(Get32(b, at + 4)) << 32;
}

// Reads the version section of an ELF64 little-endian file; empty with the last error set
// when the file cannot be read or has no such section. Every offset is checked against the
// file size.
std::vector<uint8_t> ReadVersionSection(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) {
    Fail(ERROR_FILE_NOT_FOUND);
    return {};
  }
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto none = [] {
    Fail(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return std::vector<uint8_t>{};
  };
  if (file.size() < 64 ||
      std::memcmp(file.data(),
                  "\x7F"
                  "ELF",
                  4) != 0 ||
      file[4] != 2 || file[5] != 1)
    return none();
  uint64_t shoff = Get64(file, 0x28);
  uint16_t shentsize = Get16(file, 0x3A), shnum = Get16(file, 0x3C), shstrndx = Get16(file, 0x3E);
  if (shentsize < 64 || shstrndx >= shnum || shoff > file.size() ||
      uint64_t(shnum) * shentsize > file.size() - shoff)
    return none();
  auto section = [&](uint16_t i) { return size_t(shoff + uint64_t(i) * shentsize); };
  uint64_t strOff = Get64(file, section(shstrndx) + 0x18);
  uint64_t strSize = Get64(file, section(shstrndx) + 0x20);
  if (strOff > file.size() || strSize > file.size() - strOff) return none();
  const std::string wanted = kVersionSectionName;
  for (uint16_t i = 0; i < shnum; ++i) {
    uint32_t nameAt = Get32(file, section(i));
    if (nameAt >= strSize || strSize - nameAt < wanted.size() + 1) continue;
    if (std::memcmp(&file[strOff + nameAt], wanted.c_str(), wanted.size() + 1) != 0) continue;
    uint64_t off = Get64(file, section(i) + 0x18), size = Get64(file, section(i) + 0x20);
    if (off > file.size() || size > file.size() - off || size == 0 || size > 65536) return none();
    return std::vector<uint8_t>(file.begin() + long(off), file.begin() + long(off + size));
  }
  return none();
}

const char kRootKey[] = "VS_VERSION_INFO";

}  // namespace

uint32_t GetLastError() {
  return lastError;
}

uint32_t GetFileVersionInfoSizeA(const std::string& fileName) {
  std::vector<uint8_t> block = ReadVersionSection(fileName);
  if (block.empty()) return 0;
  uint16_t length = Get16(block, 0);
  if (length == 0 || length > block.size()) return Fail(ERROR_RESOURCE_DATA_NOT_FOUND);
  return length;
}

bool GetFileVersionInfoA(const std::string& fileName, uint32_t len, uint8_t* data) {
  std::vector<uint8_t> block = ReadVersionSection(fileName);
  if (block.empty()) return false;
  uint32_t length = Get16(block, 0);
  if (length == 0 || length > block.size()) return Fail(ERROR_RESOURCE_DATA_NOT_FOUND);
  if (len < length) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(data, block.data(), length);
  return true;
}

bool VerQueryValueA(const uint8_t* block, uint32_t blockSize, const std::string& subBlock,
                    const uint8_t** value, uint32_t* len) {
  // Header: length, value length, type, the UTF-16 key "VS_VERSION_INFO" with its NUL, then
  // padding to a 32-bit boundary and the fixed record.
  const size_t keyEnd = 6 + 2 * sizeof(kRootKey);
  const size_t valueAt = (keyEnd + 3) & ~size_t(3);
  if (subBlock != "\\") return Fail(ERROR_RESOURCE_DATA_NOT_FOUND);
  if (block == nullptr || blockSize < valueAt + kFixedFileInfoSize)
    return Fail(ERROR_RESOURCE_DATA_NOT_FOUND);
  uint16_t valueLength = uint16_t(block[2] | block[3] << 8);
  for (size_t i = 0; i < sizeof(kRootKey); ++i)
    if (block[6 + 2 * i] != uint8_t(kRootKey[i]) || block[7 + 2 * i] != 0)
      return Fail(ERROR_RESOURCE_DATA_NOT_FOUND);
  if (valueLength != kFixedFileInfoSize) return Fail(ERROR_RESOURCE_DATA_NOT_FOUND);
  *value = block + valueAt;
  *len = valueLength;
  return true;
}

void RaiseLastOSError() {
  uint32_t code = lastError;
  const char* text = "Unknown error";
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      text = "The system cannot find the file specified";
      break;
    case ERROR_INSUFFICIENT_BUFFER:
      text = "The data area passed to a system call is too small";
      break;
    case ERROR_RESOURCE_DATA_NOT_FOUND:
      text = "The specified image file did not contain a resource section";
      break;
    case ERROR_RESOURCE_TYPE_NOT_FOUND:
      text = "The specified resource type cannot be found in the image file";
      break;
  }
  throw EOSError(code, "System Error.  Code: " + std::to_string(code) + ".\n" + text);
}

std::string ResolveProgramPath(const std::string& argv0) {
  char resolved[PATH_MAX];
  if (argv0.find('/') != std::string::npos) {
    if (::realpath(argv0.c_str(), resolved)) return resolved;
    return argv0;
  }
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/" + argv0;
    struct stat st;
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0 && ::realpath(candidate.c_str(), resolved))
      return resolved;
    start = end + 1;
  }
  return argv0;
}
