// Helpers of the harnesses that fuzz database files: a temporary file removed again, lock
// waits of a single try, and the bytes of a file.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/storage/LockPolling.h"

struct TTempFile {
  std::string Name;
  TTempFile() {
    char tmpl[] = "/tmp/vex_fuzz_XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd >= 0) close(fd);
    Name = tmpl;
  }
  ~TTempFile() { unlink(Name.c_str()); }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
};

inline void Quick() {
  VexLockPolling().Tries = 1;
  VexLockPolling().ReconnectTries = 1;
  VexLockPolling().ReconnectPauseMs = 0;
}

inline std::vector<uint8_t> FileBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileBytes(const std::string& name, const uint8_t* data, size_t size) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}
