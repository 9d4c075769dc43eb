// The format routine for message templates ("%s", "%d", "%5.2f", "%x" ...). It never reads
// an argument that was not passed: a format that does not fit its arguments raises
// EConvertError instead of crashing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// One argument of Format: an integer, a floating-point number, a text or a pointer.
class TVarRec {
 public:
  TVarRec(int v) : value_(int64_t(v)) {}
  TVarRec(long v) : value_(int64_t(v)) {}
  TVarRec(long long v) : value_(int64_t(v)) {}
  TVarRec(unsigned v) : value_(int64_t(v)) {}
  TVarRec(unsigned long v) : value_(int64_t(v)) {}
  TVarRec(unsigned long long v) : value_(int64_t(v)) {}
  TVarRec(double v) : value_(v) {}
  TVarRec(long double v) : value_(double(v)) {}
  TVarRec(const char* v) : value_(std::string(v ? v : "")) {}
  TVarRec(std::string v) : value_(std::move(v)) {}
  TVarRec(std::string_view v) : value_(std::string(v)) {}
  TVarRec(const void* v) : value_(v) {}

  bool IsInteger() const { return std::holds_alternative<int64_t>(value_); }
  bool IsFloat() const { return std::holds_alternative<double>(value_); }
  bool IsString() const { return std::holds_alternative<std::string>(value_); }
  bool IsPointer() const { return std::holds_alternative<const void*>(value_); }
  int64_t AsInteger() const { return std::get<int64_t>(value_); }
  double AsFloat() const { return std::get<double>(value_); }
  const std::string& AsString() const { return std::get<std::string>(value_); }
  const void* AsPointer() const { return std::get<const void*>(value_); }

 private:
  std::variant<int64_t, double, std::string, const void*> value_;
};

// Fills the placeholders of fmt: %[index:][-][width][.precision]type with type one of
// d u x s f e g n m p (upper or lower case) and %% for a percent sign. Width and precision
// may be '*' (taken from an integer argument).
std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args);
