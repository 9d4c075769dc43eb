// The program file's version.
#include "app/brFileVer.h"

#include <vector>

namespace {

uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

TVSFixedFileInfo GetFixedFileInfo(const std::string& fileName) {
  uint32_t size = GetFileVersionInfoSizeA(fileName);
  if (size == 0) RaiseLastOSError();
  std::vector<uint8_t> block(size, 0);
  if (!GetFileVersionInfoA(fileName, size, block.data())) RaiseLastOSError();
  const uint8_t* value = nullptr;
  uint32_t len = 0;
  if (!VerQueryValueA(block.data(), size, "\\", &value, &len) || len < kFixedFileInfoSize)
    RaiseLastOSError();
  TVSFixedFileInfo info;
  uint32_t* fields[] = {&info.dwSignature,     &info.dwStrucVersion,     &info.dwFileVersionMS,
                        &info.dwFileVersionLS, &info.dwProductVersionMS, &info.dwProductVersionLS,
                        &info.dwFileFlagsMask, &info.dwFileFlags,        &info.dwFileOS,
                        &info.dwFileType,      &info.dwFileSubtype,      &info.dwFileDateMS,
                        &info.dwFileDateLS};
  for (size_t i = 0; i < 13; ++i) *fields[i] = Get32(value + 4 * i);
  return info;
}

std::string GetFileVersionText(const std::string& fileName) {
  TVSFixedFileInfo info = GetFixedFileInfo(fileName);
  return std::to_string(info.dwFileVersionMS >> 16) + "." +
         std::to_string(info.dwFileVersionMS & 0xFFFF) + "." +
         std::to_string(info.dwFileVersionLS >> 16) + "." +
         std::to_string(info.dwFileVersionLS & 0xFFFF);
}
