#include "engine/link_settings.h"

namespace keldo {

LinkSettings DefaultLinkSettings() {
  LinkSettings s;
  s.ServerID = 1;
  s.ServerName = "KELDO";
  s.ServerMode = 1;
  s.ServerHost = "127.0.0.1";
  s.ServerPort = 5001;
  s.ServerAutoStart = 0;
  s.COMPort = 1;
  s.COMBaud = kDefaultCOMBaud;
  return s;
}

std::string_view ModeString(std::int32_t comBaud) {
  if (comBaud < 0 || comBaud >= static_cast<std::int32_t>(BaudModeTable.size())) {
    return BaudModeTable[kDefaultCOMBaud];
  }
  return BaudModeTable[static_cast<std::size_t>(comBaud)];
}

}  // namespace keldo
