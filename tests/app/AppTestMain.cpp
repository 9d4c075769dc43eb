// Test entry for the tool's window: a Qt application on the offscreen platform, with the
// user's config directory moved into a temporary folder so that tests write their own
// settings file and never see the real one.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  char pattern[] = "/tmp/tallyon-apptest-XXXXXX";
  std::string home = mkdtemp(pattern);
  setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (home + "/run").c_str(), 1);
  std::filesystem::create_directories(home + "/run");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  std::filesystem::remove_all(home);
  return result;
}
