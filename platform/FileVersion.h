// The program file's version record: a fixed file-information record (13 32-bit fields,
// 52 bytes) stored in its own section of the program file at build time, read back from the
// file the way the operating system's version-resource calls do, and the full path of the
// running program.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Exception.h"

// The 52-byte fixed file information record.
struct TVSFixedFileInfo {
  uint32_t dwSignature = 0;  // 0xFEEF04BD
  uint32_t dwStrucVersion = 0;
  uint32_t dwFileVersionMS = 0;
  uint32_t dwFileVersionLS = 0;
  uint32_t dwProductVersionMS = 0;
  uint32_t dwProductVersionLS = 0;
  uint32_t dwFileFlagsMask = 0;
  uint32_t dwFileFlags = 0;
  uint32_t dwFileOS = 0;
  uint32_t dwFileType = 0;
  uint32_t dwFileSubtype = 0;
  uint32_t dwFileDateMS = 0;
  uint32_t dwFileDateLS = 0;
};

constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedFileInfoSize = 52;
// Name of the program-file section that holds the version block.
constexpr const char* kVersionSectionName = ".tyversion";

// Operating-system error codes this layer reports.
constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
constexpr uint32_t ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr uint32_t ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

// The error code of the last failed call of this thread.
uint32_t GetLastError();

// The size of the file's version block, or 0 (last error set) when it has none.
uint32_t GetFileVersionInfoSizeA(const std::string& fileName);
// Copies the version block into data (len bytes at most); false with the last error set.
bool GetFileVersionInfoA(const std::string& fileName, uint32_t len, uint8_t* data);
// Finds a value in a version block; only the root block "\\" (the fixed record) is known.
// On success *value points into block and *len is the record size.
bool VerQueryValueA(const uint8_t* block, uint32_t blockSize, const std::string& subBlock,
                    const uint8_t** value, uint32_t* len);

// The operating system's error, as the platform raises it.
class EOSError : public Exception {
 public:
  EOSError(uint32_t code, const std::string& message) : Exception(message), ErrorCode(code) {}
  uint32_t ErrorCode;
};
[[noreturn]] void RaiseLastOSError();

// The version block that the build stores in a program: the header of a version resource
// (length, value length, type, the UTF-16 key "VS_VERSION_INFO", padding to 32 bits) and the
// fixed record of the four-part version major.minor.release.build.
constexpr size_t kVersionBlockSize = 40 + kFixedFileInfoSize;
constexpr std::array<uint8_t, kVersionBlockSize> MakeVersionBlock(uint16_t major, uint16_t minor,
                                                                  uint16_t release,
                                                                  uint16_t build) {
  std::array<uint8_t, kVersionBlockSize> b{};
  size_t at = 0;
  auto put16 = [&](uint16_t v) {
    b[at++] = uint8_t(v);
    b[at++] = uint8_t(v >> 8);
  };
  auto put32 = [&](uint32_t v) {
    put16(uint16_t(v));
    put16(uint16_t(v >> 16));
  };
  put16(uint16_t(kVersionBlockSize));
  put16(uint16_t(kFixedFileInfoSize));
  put16(0);
  for (char c : "VS_VERSION_INFO") put16(uint16_t(uint8_t(c)));
  at = 40;
  const uint32_t ms = uint32_t(major) << 16 | minor, ls = uint32_t(release) << 16 | build;
  for (uint32_t v :
       {kFixedFileInfoSignature, 0x00010000u, ms, ls, ms, ls, 0x3Fu, 0u, 0x40004u, 1u, 0u, 0u, 0u})
    put32(v);
  return b;
}

// The full path of the program that argv[0] names: as given when it holds a slash (made
// absolute), otherwise looked up in PATH as the shell does.
std::string ResolveProgramPath(const std::string& argv0);
