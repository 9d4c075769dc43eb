// Reading the version record back from program files, and finding the program's full path.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/FileVersion.h"

namespace fs = std::filesystem;

TEST(FileVersion, BlockLayout) {
  auto block = MakeVersionBlock(1, 0, 1, 5);
  EXPECT_EQ(block.size(), 92u);
  EXPECT_EQ(block[0] | block[1] << 8, 92);
  EXPECT_EQ(block[2] | block[3] << 8, 52);
  const uint8_t* value = nullptr;
  uint32_t len = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), uint32_t(block.size()), "\\", &value, &len));
  EXPECT_EQ(len, 52u);
  const uint8_t fixed[] = {0xBD, 0x04, 0xEF, 0xFE, 0, 0, 1, 0, 0, 0, 1, 0, 5, 0, 1, 0};
  EXPECT_TRUE(std::equal(std::begin(fixed), std::end(fixed), value));
  EXPECT_FALSE(VerQueryValueA(block.data(), 60, "\\", &value, &len));
  EXPECT_FALSE(
      VerQueryValueA(block.data(), uint32_t(block.size()), "\\StringFileInfo", &value, &len));
}

TEST(FileVersion, FilesWithoutARecord) {
  char pattern[] = "/tmp/fvtestXXXXXX";
  std::string dir = mkdtemp(pattern);
  // Not an ELF file, a truncated ELF header, an ELF header whose tables point past the end.
  std::vector<std::vector<uint8_t>> files = {
      {'h', 'e', 'l', 'l', 'o'},
      {0x7F, 'E', 'L', 'F', 2, 1},
  };
  std::vector<uint8_t> bogus(64, 0);
  bogus[0] = 0x7F, bogus[1] = 'E', bogus[2] = 'L', bogus[3] = 'F', bogus[4] = 2, bogus[5] = 1;
  bogus[0x28] = 0xFF, bogus[0x2F] = 0x7F, bogus[0x3A] = 64, bogus[0x3C] = 0xFF, bogus[0x3E] = 3;
  files.push_back(bogus);
  for (size_t i = 0; i < files.size(); ++i) {
    std::string path = dir + "/f" + std::to_string(i);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(files[i].data()), long(files[i].size()));
    EXPECT_EQ(GetFileVersionInfoSizeA(path), 0u);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
  }
  EXPECT_EQ(GetFileVersionInfoSizeA(dir + "/missing"), 0u);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  // This test program is an ELF file without the record.
  EXPECT_EQ(GetFileVersionInfoSizeA(fs::read_symlink("/proc/self/exe").string()), 0u);
  try {
    RaiseLastOSError();
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_STREQ(e.what(),
                 "System Error.  Code: 1813.\nThe specified resource type cannot be found in the "
                 "image file");
  }
  fs::remove_all(dir);
}

TEST(FileVersion, ProgramPathThroughPath) {
  char pattern[] = "/tmp/fvpathXXXXXX";
  std::string dir = mkdtemp(pattern);
  std::string program = dir + "/prog";
  std::ofstream(program) << "#!/bin/sh\n";
  fs::permissions(program, fs::perms::owner_all);
  const char* old = std::getenv("PATH");
  std::string saved = old ? old : "";
  setenv("PATH", ("/nonexistent:" + dir).c_str(), 1);
  EXPECT_EQ(ResolveProgramPath("prog"), fs::canonical(program).string());
  EXPECT_EQ(ResolveProgramPath("not-there"), "not-there");
  setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(ResolveProgramPath(program), fs::canonical(program).string());
  fs::remove_all(dir);
}
