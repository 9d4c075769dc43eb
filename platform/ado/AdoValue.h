// A value that travels between the server database and the tool: NULL, an integer, a
// floating-point number or a text (UTF-8).
#pragma once

#include <cstdint>
#include <string>
#include <variant>

class TADOValue {
 public:
  TADOValue() = default;
  TADOValue(int v) : value_(int64_t(v)) {}
  TADOValue(int64_t v) : value_(v) {}
  TADOValue(double v) : value_(v) {}
  TADOValue(std::string v) : value_(std::move(v)) {}
  TADOValue(const char* v) : value_(std::string(v)) {}

  bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
  bool IsInteger() const { return std::holds_alternative<int64_t>(value_); }
  bool IsFloat() const { return std::holds_alternative<double>(value_); }
  bool IsText() const { return std::holds_alternative<std::string>(value_); }

  // The value as an integer: texts must hold a whole number; NULL cannot be converted.
  int64_t AsInteger() const;
  // The value as text; NULL is the empty text.
  std::string AsString() const;
  double AsFloat() const;

 private:
  std::variant<std::monostate, int64_t, double, std::string> value_;
};
