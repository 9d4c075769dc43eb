// tallyon-demo FOLDER: lays out the demo server database and settings in FOLDER.
#include <cstdio>

#include "app/DemoData.h"
#include "platform/Exception.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  try {
    CreateDemo(argv[1]);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
