#pragma once

#include "engine/platform/socket_api.h"

namespace keldo::bench {

// Waits up to timeoutMs for the socket to be readable: poll() on POSIX,
// select() on Winsock. The baseline's whole event loop.
bool WaitReadable(net::SocketHandle socket, int timeoutMs);

// Makes the process's application object where the platform loop needs one.
void EnsureApplication(int& argc, char** argv);

}  // namespace keldo::bench
