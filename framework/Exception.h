#pragma once

#include <exception>
#include <string>

namespace framework {

// Base of every exception the tool raises: it carries exactly one message text.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}

  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace framework
