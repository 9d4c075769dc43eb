// The error of the server database layer: a readable message from the provider.
#pragma once

#include "platform/Exception.h"

class EADOError : public Exception {
 public:
  using Exception::Exception;
};
