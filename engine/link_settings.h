#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace keldo {

// The eight persisted settings, in declaration order. Zero and empty until the
// first load; the store reads and writes them in a different order (store order).
struct LinkSettings {
  std::int32_t ServerMode = 0;  // 1: TCP server; any other value: client
  std::string ServerHost;
  std::int32_t ServerPort = 0;
  std::int32_t ServerID = 0;
  std::string ServerName;
  std::int32_t ServerAutoStart = 0;  // only 1 means auto-start
  std::int32_t COMPort = 0;
  std::int32_t COMBaud = 0;  // index into BaudModeTable

  // Optional, used in server mode only and never written by Save: the local
  // IPv4 address to listen on, and the peers that may connect (addresses and
  // CIDR ranges separated by commas or spaces). Empty: every interface,
  // everyone.
  std::string ServerBind;
  std::string ServerAllow;
  // Why ServerBind or ServerAllow could not be read; the server then does
  // not listen at all rather than listen on every interface to everyone.
  std::string ServerAccessError;
};

// What a load yields where the settings key does not exist at all.
LinkSettings DefaultLinkSettings();

// Serial mode strings indexed by COMBaud: each speed without parity at the even
// index, with even parity at the odd one.
inline constexpr std::array<std::string_view, 14> BaudModeTable = {
    "4800,n,8,1",   "4800,e,8,1",   "9600,n,8,1",   "9600,e,8,1",   "19200,n,8,1",
    "19200,e,8,1",  "38400,n,8,1",  "38400,e,8,1",  "57600,n,8,1",  "57600,e,8,1",
    "115200,n,8,1", "115200,e,8,1", "230400,n,8,1", "230400,e,8,1",
};

inline constexpr std::int32_t kDefaultCOMBaud = 5;

// The mode string for a stored COMBaud. A value outside the table (a hand-edited
// key, or the -1 an empty speed list stores) yields the default entry, so the
// speed that is reported is always the speed that is used.
std::string_view ModeString(std::int32_t comBaud);

}  // namespace keldo
