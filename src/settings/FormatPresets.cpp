#include "settings/FormatPresets.h"

namespace pivora::settings {

const std::array<const char*, kBitrateCount>& BitrateItems()
{
    static const std::array<const char*, kBitrateCount> items{
        "512", "1000", "1500", "2000", "3000", "5000", "8000", "12000", "15000"};
    return items;
}

const FormatDefaults* DefaultsForFormat(int outputFormat)
{
    static const std::array<FormatDefaults, 7> table{{
        {5, 4}, // MP4 (MPEG-4)
        {5, 2}, // MP4 (H.264)
        {5, 3}, // AVI
        {5, 5}, // MOV
        {1, 0}, // FLV
        {4, 6}, // WMV
        {2, 7}, // MPG
    }};
    if (outputFormat < 0 || outputFormat >= static_cast<int>(table.size()))
        return nullptr;
    return &table[static_cast<std::size_t>(outputFormat)];
}

} // namespace pivora::settings
