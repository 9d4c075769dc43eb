// Lock polling settings of the storage layer.
#include "engine/storage/LockPolling.h"

#include <chrono>
#include <thread>

TVexLockPolling& VexLockPolling() {
  static TVexLockPolling settings;
  return settings;
}

void VexSleep(int32_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
