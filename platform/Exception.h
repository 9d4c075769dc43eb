// The program's common exception base class: a message text. Every error the tool reports
// (engine, server database, platform) derives from it, so the tool catches this one class.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 protected:
  void SetMessage(std::string message) { message_ = std::move(message); }

 private:
  std::string message_;
};

// Raised by Format when a format does not fit its arguments.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};
