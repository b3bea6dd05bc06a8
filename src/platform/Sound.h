#pragma once

#include "platform/EventPump.h"

#include <string>

namespace pivora::platform {

// Plays a sound file and returns when it has played (or failed), keeping events flowing
// meanwhile. A missing file plays the desktop theme's default event sound instead.
// False when nothing could be played (no sound device, for one); that is not an error.
bool PlaySoundFile(const std::string& path, EventPump& pump);

} // namespace pivora::platform
