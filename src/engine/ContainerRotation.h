#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pivora::engine {

// What ReadDisplayRotation gives for a track shown tilted, mirrored or stretched.
inline constexpr int kNotAQuarterTurn = -1;

// What the program reads from an MP4 or QuickTime file itself, without the converter.
struct ContainerFacts
{
    // The picture track's display rotation in degrees anticlockwise (0, 90, 180 or 270) as
    // ffmpeg reports it ("displaymatrix: rotation of ..."), or kNotAQuarterTurn.
    int Rotation = 0;
    // Each track's sample format, in track order: "avc1", "mp4a", "tmcd", ...
    std::vector<std::string> Formats;
    // Each track's handler, in the same order: "vide", "soun", "sbtl", "tmcd", ...
    std::vector<std::string> Handlers;
    // The picture track's stored size, its pixels as the converter names them ("yuv420p",
    // "yuv420p10le"; empty when its codec setup does not say), and its frame rate when every
    // frame lasts as long (0 otherwise).
    int Width = 0;
    int Height = 0;
    std::string PixelFormat;
    double FramesPerSecond = 0;
    // Whether a track refers to another, as a chapter list or a description does.
    bool References = false;
    // The picture's transfer as the converter names it ("arib-std-b67", "smpte2084", "bt709"),
    // from the file's colour description; empty when the file gives none.
    std::string Transfer;
    // The movie's length in seconds; 0 when the file does not say.
    double Seconds = 0;
};

// Reads an MP4 or QuickTime file. Nothing when the file is not of that kind, or holds what the
// reader does not fully understand: several picture tracks or none, fragments, a movie-wide
// matrix, an edit list other than one plain edit (after an optional empty one). Any file may
// be handed to it: it reads only what the file's own sizes allow, and only so much.
std::optional<ContainerFacts> ReadContainer(const std::string& path);

// The display rotation of ReadContainer.
std::optional<int> ReadDisplayRotation(const std::string& path);

// Whether a sample format cannot be copied into an MP4 file as it is (sound as plain PCM).
bool Mp4RefusesFormat(std::string_view format);

} // namespace pivora::engine
