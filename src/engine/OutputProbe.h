#pragma once

#include "engine/RunOutcome.h"
#include "platform/EventPump.h"

#include <string>

namespace pivora::engine {

// Opens `file` with the converter itself, as a player would, and tells what it found. The
// window keeps running meanwhile; a converter that does not answer in time is killed.
ProbeResult ProbeOutput(const std::string& converterPath, const std::string& file,
                        pivora::platform::EventPump& pump);

} // namespace pivora::engine
