// Fuzzes B-tree pages: a sound page index has bytes of its pages overwritten by the input,
// then is checked, walked, searched and changed. Damage gives an engine error, never a crash,
// a read past a page or an endless walk.
#include <cstring>
#include <memory>

#include "engine/base/VexExcept.h"
#include "engine/storage/MemoryPageManager.h"
#include "engine/storage/VexBTreePageIndex.h"
#include "platform/Exception.h"
#include "tests/fuzz/FuzzDriver.h"

std::vector<std::vector<uint8_t>> VexFuzzSeeds() {
  return {{},
          {0, 0, 14, 0x20},          // the root's item count
          {1, 0, 1, 0},              // a leaf becomes a node
          {2, 0, 6, 1, 2, 0, 7, 0},  // a next link
          {3, 0, 30, 0xFF, 3, 0, 31, 0x7F}};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TVexMemoryPageManager pm(int64_t(64) << 20);
  TVexBTreePageIndex index(pm);
  index.Create(0);
  for (int32_t p = 0; p < 1500; p += 3) index.AddToPage(0, p, uint16_t(p % 50 + 1));
  pm.Commit(0);
  // Each 4 input bytes: page number, offset (2 bytes), value.
  for (size_t i = 0; i + 4 <= size; i += 4) {
    const size_t page = data[i] % pm.PageBuffers.size();
    const size_t offset = (size_t(data[i + 1]) | size_t(data[i + 2]) << 8) % 4096;
    if (pm.PageBuffers[page]) pm.PageBuffers[page].Data()[offset] = data[i + 3];
  }
  auto attempt = [](auto&& step) {
    try {
      step();
    } catch (const Exception&) {
    }
  };
  attempt([&] { (void)index.Tree.CheckTree(0, true); });
  attempt([&] { (void)index.TotalCount(0); });
  attempt([&] {
    int32_t page;
    for (bool ok = index.LastPage(0, page); ok; ok = index.PriorPage(0, page, page)) {
    }
  });
  attempt([&] {
    uint16_t count;
    for (int32_t p = -3; p < 1600; p += 97) (void)index.Find(0, p, count);
  });
  attempt([&] {
    for (int32_t p = 1; p < 1500; p += 7) index.SetPageCount(0, p, 3);
    for (int32_t p = 0; p < 1500; p += 6) index.SetPageCount(0, p, 0);
  });
  attempt([&] { (void)index.FindPageWithSpace(0, 40); });
  attempt([&] { index.Delete(0); });
  attempt([&] { pm.Rollback(0); });
  return 0;
}
