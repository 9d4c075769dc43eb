// What the table layer needs from a page manager: committing and rolling back the page
// changes that one session has staged. The storage layer's page managers implement it.
#pragma once

#include <cstdint>

class TVexBasePageManager {
 public:
  virtual ~TVexBasePageManager() = default;
  // Writes the session's staged pages and makes them visible to every session.
  virtual void Commit(int32_t sessionId) = 0;
  // Drops the session's staged pages.
  virtual void Rollback(int32_t sessionId) = 0;
};
