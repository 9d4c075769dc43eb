// vexinspect: looks into a .vex database file without changing it.
// Usage: vexinspect [--json] [--password TEXT] [--table NAME [--rows csv|json]] FILE
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/base/VexExcept.h"
#include "engine/base/VexStrUtils.h"
#include "tools/vexinspect/Report.h"
#include "tools/vexinspect/TableReport.h"

namespace {
const char kUsage[] =
    "Usage: vexinspect [--json] [--password TEXT] [--table NAME [--rows csv|json]] FILE\n";
}

int main(int argc, char** argv) {
  bool json = false;
  TVexPassword password;
  std::string file, table, rows;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (std::strcmp(argv[i], "--password") == 0 && i + 1 < argc) {
      password.Password = Utf8ToAnsi(argv[++i]);
    } else if (std::strcmp(argv[i], "--table") == 0 && i + 1 < argc) {
      table = Utf8ToAnsi(argv[++i]);
    } else if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc &&
               (std::strcmp(argv[i + 1], "csv") == 0 || std::strcmp(argv[i + 1], "json") == 0)) {
      rows = argv[++i];
    } else if (std::strcmp(argv[i], "--help") == 0 || argv[i][0] == '-' || !file.empty()) {
      std::fputs(kUsage, stderr);
      return 2;
    } else {
      file = argv[i];
    }
  }
  if (file.empty() || (!rows.empty() && table.empty())) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  try {
    std::string out;
    if (!table.empty()) {
      TInspectTable t = InspectTable(file, password, table, !rows.empty());
      if (rows == "csv")
        out = RenderRowsCsv(t);
      else if (rows == "json")
        out = RenderRowsJson(t);
      else
        out = json ? RenderTableJson(t) : RenderTableText(t);
    } else {
      TInspectReport report = InspectDatabase(file, password);
      out = json ? RenderJson(report) : RenderText(report);
    }
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
