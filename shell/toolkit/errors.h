#pragma once

#include <stdexcept>
#include <string>

namespace keldo::ui {

// The silent error: the application's error handling drops it unshown.
class EAbort : public std::runtime_error {
 public:
  EAbort() : std::runtime_error("Operation aborted") {}
};

// A platform resource (a window, the notification icon) could not be had.
class EOutOfResources : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The text the error display shows for message: a full stop is appended when
// the message is not empty and its last character sorts after '.' by byte
// value, so "Failed" gains one and "Failed." or "Program Run!" do not.
std::string ErrorDisplayText(const std::string& message);

}  // namespace keldo::ui
