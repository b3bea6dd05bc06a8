#pragma once

#include "engine/RunOutcome.h"
#include "platform/ChildProcess.h"
#include "platform/EventPump.h"

#include <functional>
#include <optional>
#include <string>

namespace pivora::engine {

// Reads everything a started child prints until it ends.
std::optional<std::string> CollectOutput(pivora::platform::ChildProcess& child,
                                         pivora::platform::EventPump& pump,
                                         const std::function<bool()>& stopped);

// Runs a short converter command to its end and gives everything it printed. The window
// keeps running meanwhile. A command that does not end in time, or that `stopped` or the
// program's shut-down cuts short, is killed and gives nothing.
std::optional<std::string> CollectOutput(const std::string& commandLine,
                                         pivora::platform::EventPump& pump,
                                         const std::function<bool()>& stopped);

// Opens `file` with the converter itself, as a player would, and tells what it found; a
// probe that gave nothing has not run.
ProbeResult ProbeOutput(const std::string& converterPath, const std::string& file,
                        pivora::platform::EventPump& pump, const std::function<bool()>& stopped);

} // namespace pivora::engine
