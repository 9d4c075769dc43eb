// The dataset layer's database error: raised by component property and state checks, with
// the component's name as prefix of the message, and base of the engine's dataset error.
#pragma once

#include <string>

#include "platform/Exception.h"

class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};
