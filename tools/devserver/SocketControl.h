// Socket-level operations the HTTP library does not offer: aborting one
// connection with a TCP reset, and a deeper accept queue for the listeners.
#pragma once

#include <string>

namespace devserver {

// Identifies one accepted connection by its four-tuple, as the HTTP library
// reports it for a request.
struct ConnectionId {
  std::string localAddr;
  int localPort = -1;
  std::string remoteAddr;
  int remotePort = -1;
};

enum class AbortResult {
  Reset,     // the socket was closed with SO_LINGER 0: the peer gets an RST, no FIN
  NotFound,  // no socket of this process matches; the caller falls back to a plain close
};

// Waits (at most `drainMs`) until the kernel has delivered what was written,
// then closes the connection abortively. The descriptor number stays occupied
// by /dev/null, so the library's own later close cannot hit a reused number.
AbortResult ResetConnection(const ConnectionId& id, int drainMs);

// Re-issues listen() with a larger backlog on an already listening socket.
bool RaiseBacklog(int listenSocket, int backlog);

}  // namespace devserver
