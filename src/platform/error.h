#pragma once
// The error the program raises when an operation cannot go on (a registry value that
// cannot be written after its key was opened, for example). Event handlers and the
// start-up call catch it at their boundary and show its text.

#include <exception>
#include <string>

#include "platform/text.h"

namespace lanthe {

class Error : public std::exception {
 public:
  explicit Error(Text message) : message_(std::move(message)), utf8_(TextToUtf8(message_)) {}
  const Text& message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  Text message_;
  std::string utf8_;
};

// The text to show for any exception: the program's own errors carry their text;
// others their UTF-8 description.
inline Text ErrorText(const std::exception& error) {
  if (const auto* own = dynamic_cast<const Error*>(&error)) return own->message();
  return Utf8ToText(error.what());
}

}  // namespace lanthe
