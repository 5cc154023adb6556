#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/platform/socket_api.h"

// What tests need from the OS beyond the socket layer; one file per platform.
namespace keldo::test {

// Creates the application object the platform's loop needs (none on Windows).
void EnsureApplication();

// Closes the socket with a reset instead of an orderly close (SO_LINGER 0).
void AbortiveClose(net::SocketHandle socket);

// Sends one byte as TCP urgent data (MSG_OOB).
bool SendUrgent(net::SocketHandle socket, char byte);
// Lets urgent data arrive out of band again (SO_OOBINLINE off).
void ClearOobInline(net::SocketHandle socket);

// Starts count non-blocking connects to 127.0.0.1:port at once and returns
// the sockets whose handshakes completed within timeoutMs (the caller closes
// them), without anyone accepting; the others are closed.
std::vector<net::SocketHandle> ConnectAtOnce(std::uint16_t port, int count, int timeoutMs);

// Sets the socket's receive or send buffer size (bytes).
void SetReceiveBuffer(net::SocketHandle socket, int bytes);
void SetSendBuffer(net::SocketHandle socket, int bytes);

// Uses up the process's descriptors; false where the platform has no such
// limit to reach. ReleaseDescriptors gives them back.
bool ExhaustDescriptors(std::vector<int>& taken);
void ReleaseDescriptors(std::vector<int>& taken);

// CPU time this process has used, in milliseconds.
double ProcessCpuMs();

// Wine's Winsock reports a reset by the peer as an orderly close (no error
// code), where Windows and Linux report WSAECONNRESET.
bool RunningUnderWine();

// Runs a program of the build machine (an absolute Unix path; under Wine
// reached through drive Z:) with plain arguments separated by blanks. On
// Linux it has ended on return; under Wine it has only been started.
bool RunUnixProgram(const std::string& program, const std::string& arguments);

// Raises a termination request as the OS would (SIGTERM; a console event).
bool RaiseTerminationRequestSupported();
bool RaiseTerminationRequest();

}  // namespace keldo::test
