// UNC path mapping to locally mounted shares.
#include "platform/UncPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

std::string& MountRootStorage() {
  static std::string root = "/mnt";
  return root;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

void SetUncMountRoot(const std::string& root) {
  MountRootStorage() = root.empty() ? "/mnt" : root;
}

const std::string& UncMountRoot() {
  return MountRootStorage();
}

std::string ResolveUncPath(const std::string& path) {
  bool unc = path.size() > 2 && (path[0] == '\\' || path[0] == '/') && path[1] == path[0];
  if (!unc) return path;
  // Split "\\SERVER\SHARE\rest" on either slash.
  std::vector<std::string> parts;
  std::string cur;
  for (size_t i = 2; i < path.size(); ++i) {
    char c = path[i];
    if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  if (parts.size() < 2) return path;
  std::string rest;
  for (size_t i = 2; i < parts.size(); ++i) rest += "/" + parts[i];

  // GVfs names its SMB mounts in lower case: smb-share:server=NAME,share=SHARE.
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
    std::string gvfs = std::string(runtime) + "/gvfs/smb-share:server=" + Lower(parts[0]) +
                       ",share=" + Lower(parts[1]);
    if (IsDirectory(gvfs)) return gvfs + rest;
  }
  return UncMountRoot() + "/" + parts[0] + "/" + parts[1] + rest;
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  return ::stat(ResolveUncPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
