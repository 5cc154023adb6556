#include "shell/toolkit/errors.h"

namespace keldo::ui {

std::string ErrorDisplayText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
    return message + '.';
  }
  return message;
}

}  // namespace keldo::ui
