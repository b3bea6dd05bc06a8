#pragma once

#include <optional>
#include <string>

namespace pivora::engine {

// What ReadDisplayRotation gives for a track shown tilted, mirrored or stretched.
inline constexpr int kNotAQuarterTurn = -1;

// The display rotation an MP4 or QuickTime file gives its first picture track, read from the
// file itself, in degrees anticlockwise (0, 90, 180 or 270) as ffmpeg reports it
// ("displaymatrix: rotation of ..."), or kNotAQuarterTurn. Nothing when the file is not of
// that kind or does not say plainly. Any file may be handed to it: it reads only what the
// file's own sizes allow, and only so much.
std::optional<int> ReadDisplayRotation(const std::string& path);

} // namespace pivora::engine
