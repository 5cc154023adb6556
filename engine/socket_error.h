#pragma once

#include <stdexcept>
#include <string>

namespace keldo {

// The error kind passed with error events.
enum TErrorEvent : int {
  erGeneral = 0,
  erSend = 1,
  erReceive = 2,
  erConnect = 3,
  erDisconnect = 4,
  erAccept = 5,
  erLookup = 6,
};

// The code reported with erLookup when a client has neither Host nor Address.
inline constexpr int NoAddressCode = 1110;

inline constexpr const char* kWindowsSocketError = "Windows socket error: %s (%d), on API '%s'";
inline constexpr const char* kAsyncSocketError = "Asynchronous socket error %d";
inline constexpr const char* kNoAddress = "No address specified";
inline constexpr const char* kCannotCreateSocket = "Can't create new socket";
inline constexpr const char* kCannotChangeWhileActive = "Can't change value while socket is active";

class ESocketError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;

  // "Windows socket error: ..." with the platform's text for code.
  static ESocketError FromCall(int code, const char* api);
  // "Asynchronous socket error ..."
  static ESocketError Async(int code);
};

// Raises FromCall unless code is 0 or WSAEWOULDBLOCK, which is no error here.
void CheckSocketResult(int code, const char* api);

}  // namespace keldo
