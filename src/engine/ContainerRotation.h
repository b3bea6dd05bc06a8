#pragma once

#include <optional>
#include <string>

namespace pivora::engine {

// The display rotation an MP4 or QuickTime file gives its first picture track, read from the
// file itself, in degrees anticlockwise from 0 to 359 as ffmpeg reports it ("displaymatrix:
// rotation of ..."). Nothing when the file is not of that kind or does not say plainly.
std::optional<int> ReadDisplayRotation(const std::string& path);

} // namespace pivora::engine
