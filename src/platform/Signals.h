#pragma once

#include "platform/NativeHandle.h"

namespace pivora::platform {

// Puts back the default handling of ended children, which a launcher may have turned off:
// with SIGCHLD ignored the system collects every converter before its exit status can be read.
void ResetInheritedSignals();

// Turns the system's requests to end the program (POSIX: SIGTERM, SIGINT and SIGHUP; Windows:
// the console's interrupt, close, log-off and shut-down events) into a handle that becomes
// ready, so that the window can stop its work and shut down in its own time. kInvalidHandle
// when they cannot be watched.
NativeHandle WatchShutdownRequests();

// True when a request has come since the last call; the handle is not ready afterwards.
bool TakeShutdownRequest();

} // namespace pivora::platform
