#pragma once

#include <array>

namespace pivora::settings {

inline constexpr int kBitrateCount = 9;
// The bitrate box's items, in kilobits per second.
const std::array<const char*, kBitrateCount>& BitrateItems();

struct FormatDefaults
{
    int BitrateItem;    // item of the bitrate box that the format selects
    int InternalFormat; // entry of the hidden format list
};

// The defaults that choosing a format applies; nothing for an index outside 0 to 6.
const FormatDefaults* DefaultsForFormat(int outputFormat);

inline constexpr int kInternalFormatCount = 9;

} // namespace pivora::settings
