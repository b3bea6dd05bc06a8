#pragma once

#include <cstdint>

namespace pivora::settings {

// The options the user sets in the options dialog, shared by the window and the engine.
struct OptionValues
{
    std::int16_t SoundReminder = 0; // 0 = play the end sound, 1 = no sound, -1 = none chosen
    std::int16_t CutEnabled = 0;    // 1 = the stored range is on
    std::int32_t CutStart = 0;      // whole seconds
    std::int32_t CutEnd = 0;
};

} // namespace pivora::settings
