// How long the storage layer waits for lock bytes and for a lost file handle. Production code
// keeps the defaults; tests shorten them to exercise the time-outs quickly.
#pragma once

#include <cstdint>

struct TVexLockPolling {
  int32_t Tries = 4500;             // tries of a lock byte before giving up
  int32_t PauseMs = 20;             // pause between two tries
  int32_t ReconnectTries = 3;       // reopen attempts of a file whose handle failed
  int32_t ReconnectPauseMs = 1000;  // pause between two reopen attempts
};

// The process-wide settings.
TVexLockPolling& VexLockPolling();

// Sleeps the given milliseconds.
void VexSleep(int32_t ms);

// Tries fn (answering success) up to VexLockPolling().Tries times with the standard pause.
template <class Fn>
bool PollLock(Fn fn) {
  const TVexLockPolling& p = VexLockPolling();
  for (int32_t i = 0; i < p.Tries; ++i) {
    if (fn()) return true;
    if (i + 1 < p.Tries) VexSleep(p.PauseMs);
  }
  return false;
}
