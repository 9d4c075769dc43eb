// Conversions of server database values.
#include "platform/ado/AdoValue.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/ado/AdoError.h"

int64_t TADOValue::AsInteger() const {
  if (IsInteger()) return std::get<int64_t>(value_);
  if (IsFloat()) {
    double d = std::get<double>(value_);
    if (!std::isfinite(d) || d > 9.2e18 || d < -9.2e18)
      throw EADOError("Value " + AsString() + " is out of the integer range");
    return int64_t(std::llround(d));
  }
  if (IsText()) {
    const std::string& s = std::get<std::string>(value_);
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, 10);
    size_t start = s.find_first_not_of(" \t");
    if (start == std::string::npos || errno != 0 || end == s.c_str() ||
        s.find_first_not_of(" \t", size_t(end - s.c_str())) != std::string::npos)
      throw EADOError("'" + s + "' is not a valid integer value");
    return v;
  }
  throw EADOError("Could not convert variant of type (Null) into type (Integer)");
}

double TADOValue::AsFloat() const {
  if (IsFloat()) return std::get<double>(value_);
  if (IsInteger()) return double(std::get<int64_t>(value_));
  if (IsText()) {
    const std::string& s = std::get<std::string>(value_);
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || *end != '\0')
      throw EADOError("'" + s + "' is not a valid floating point value");
    return v;
  }
  throw EADOError("Could not convert variant of type (Null) into type (Double)");
}

std::string TADOValue::AsString() const {
  if (IsText()) return std::get<std::string>(value_);
  if (IsInteger()) return std::to_string(std::get<int64_t>(value_));
  if (IsFloat()) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", std::get<double>(value_));
    return buf;
  }
  return "";
}
