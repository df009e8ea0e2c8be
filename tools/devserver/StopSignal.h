// Process signals: SIGTERM and SIGINT end the server in an orderly way; a
// client that hangs up mid-response must not kill it with SIGPIPE.
#pragma once

namespace devserver {

// Call before any thread starts, so that every thread inherits the mask and
// the stop signals are only ever taken by WaitForStopSignal.
bool PrepareStopSignals();

// Blocks until SIGTERM or SIGINT arrives; returns the signal number.
int WaitForStopSignal();

}  // namespace devserver
