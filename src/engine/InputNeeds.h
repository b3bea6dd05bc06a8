#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pivora::engine {

// What the converter's listing of an input ("Input #0") says of the streams it holds.
struct InputStreams
{
    bool Listed = false;
    int Width = 0; // the first picture's size; 0 when there is none
    int Height = 0;
    std::string PixelFormat;    // "yuv420p", "yuv420p10le", ...
    double FramesPerSecond = 0; // as listed ("12 fps", "29.97 fps"); 0 when not listed
    int AudioTracks = 0;
    std::vector<int> Channels;          // each sound track's, in order; 0 where not listed
    std::vector<int> SampleRates;       // each sound track's, in order; 0 where not listed
    std::vector<std::string> Subtitles; // each subtitle stream's codec, in order
    // The picture's colours: a transfer of "arib-std-b67" (HLG) or "smpte2084" (PQ) is HDR.
    std::string Primaries;
    std::string Transfer;
    // The input's length; 0 when it cannot be told (an estimate from the bitrate cannot).
    double Seconds = 0;
};

// `file`, where known, is the input's name as the converter was given it.
InputStreams ReadInputStreams(const std::string& listing, std::string_view file = {});

// The same read from an MP4 or QuickTime file itself, as far as `outputFormat` needs it, without
// starting the converter; nothing when the file does not say all of it plainly.
std::optional<InputStreams> ReadInputStreamsFromFile(const std::string& path, int outputFormat);

// What an input needs beyond the described command line to convert into an output format, and
// why. Nothing for an input that needs nothing.
struct InputNeeds
{
    // Joined to the video filter chain: a filter applies to the picture as it is turned.
    std::string Filter;
    // Options after the filter, each with the blank before it.
    std::string Options;
    // What was added or left out, and why, for the activity log.
    std::vector<std::string> Reasons;

    bool Empty() const { return Filter.empty() && Options.empty() && Reasons.empty(); }
};

InputNeeds NeedsFor(const InputStreams& input, int outputFormat);

} // namespace pivora::engine
