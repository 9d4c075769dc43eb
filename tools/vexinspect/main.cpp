// vexinspect: looks into a .vex database file without changing it.
// Usage: vexinspect [--json] [--password TEXT] FILE
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/base/VexExcept.h"
#include "engine/base/VexStrUtils.h"
#include "tools/vexinspect/Report.h"

int main(int argc, char** argv) {
  bool json = false;
  TVexPassword password;
  std::string file;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (std::strcmp(argv[i], "--password") == 0 && i + 1 < argc) {
      password.Password = Utf8ToAnsi(argv[++i]);
    } else if (std::strcmp(argv[i], "--help") == 0 || argv[i][0] == '-' || !file.empty()) {
      std::fprintf(stderr, "Usage: vexinspect [--json] [--password TEXT] FILE\n");
      return 2;
    } else {
      file = argv[i];
    }
  }
  if (file.empty()) {
    std::fprintf(stderr, "Usage: vexinspect [--json] [--password TEXT] FILE\n");
    return 2;
  }
  try {
    TInspectReport report = InspectDatabase(file, password);
    std::string out = json ? RenderJson(report) : RenderText(report);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
  } catch (const EVexException& e) {
    std::string message = AnsiToUtf8(e.Message());
    if (json) std::fputs(RenderJsonError(message, e.NativeError()).c_str(), stdout);
    std::fprintf(stderr, "Error %05d: %s\n", int(e.NativeError()), message.c_str());
    return 1;
  } catch (const Exception& e) {
    std::fprintf(stderr, "Error: %s\n", AnsiToUtf8(e.Message()).c_str());
    return 1;
  }
}
