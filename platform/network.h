// Whether this machine is connected to a network, the question the program
// asks before and during a download.
#pragma once

namespace cwplat {

// True when some interface other than loopback is up, running and carries an
// address that can reach beyond the link: an IPv4 address, or an IPv6 address
// that is neither link-local nor loopback. A machine with only loopback (or
// only cables pulled, which clears RUNNING) is not connected.
bool IsNetworkAlive();

}  // namespace cwplat
