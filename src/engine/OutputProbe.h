#pragma once

#include "engine/RunOutcome.h"
#include "platform/EventPump.h"

#include <functional>
#include <string>

namespace pivora::engine {

// Opens `file` with the converter itself, as a player would, and tells what it found. The
// window keeps running meanwhile. A probe that is not answered in time, or that `stopped`
// or the program's shut-down cuts short, has not run.
ProbeResult ProbeOutput(const std::string& converterPath, const std::string& file,
                        pivora::platform::EventPump& pump, const std::function<bool()>& stopped);

} // namespace pivora::engine
