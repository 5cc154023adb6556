#include "engine/socket_error.h"

#include <cstdio>
#include <string>
#include <vector>

#include "engine/platform/socket_api.h"

namespace keldo {

ESocketError ESocketError::FromCall(int code, const char* api) {
  const std::string text = net::SocketErrorText(code);
  std::vector<char> message(text.size() + std::char_traits<char>::length(api) + 96);
  std::snprintf(message.data(), message.size(), kWindowsSocketError, text.c_str(), code, api);
  return ESocketError(message.data());
}

ESocketError ESocketError::Async(int code) {
  char message[64];
  std::snprintf(message, sizeof message, kAsyncSocketError, code);
  return ESocketError(message);
}

void CheckSocketResult(int code, const char* api) {
  if (code != 0 && code != net::kWsaEWouldBlock) {
    throw ESocketError::FromCall(code, api);
  }
}

}  // namespace keldo
