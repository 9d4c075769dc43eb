// Helpers of the storage tests: a temporary directory, short lock waits, and expectations on
// the code of an engine error.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/base/VexExcept.h"
#include "engine/storage/LockPolling.h"

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/vex_storage_XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Shortens lock waits for the life of the object.
class ShortLockWaits {
 public:
  explicit ShortLockWaits(int tries = 3, int pauseMs = 1) : saved_(VexLockPolling()) {
    VexLockPolling().Tries = tries;
    VexLockPolling().PauseMs = pauseMs;
    VexLockPolling().ReconnectTries = 1;
    VexLockPolling().ReconnectPauseMs = 0;
  }
  ~ShortLockWaits() { VexLockPolling() = saved_; }

 private:
  TVexLockPolling saved_;
};

inline std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Runs the statement and expects an EVexException with the code; answers its message.
#define EXPECT_VEX_CODE(statement, code)                                 \
  [&]() -> std::string {                                                 \
    try {                                                                \
      statement;                                                         \
    } catch (const EVexException& e) {                                   \
      EXPECT_EQ(e.NativeError(), code) << e.Message();                   \
      return e.Message();                                                \
    }                                                                    \
    ADD_FAILURE() << "no EVexException " << code << " from " #statement; \
    return std::string();                                                \
  }()
