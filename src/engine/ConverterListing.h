#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pivora::engine {

// One stream as the converter lists it ("Stream #0:1(eng): Audio: aac (LC), 48000 Hz, 5.1, ...").
struct ListedStream
{
    enum class Kind { Video, Audio, Subtitle, Data, Other };
    Kind Type = Kind::Other;
    bool Cover = false; // a still picture attached to the file, not a moving one
    std::string Codec;  // "h264", "aac", "subrip", ...
    // A picture's stored size, pixels ("yuv420p10le"), colours and rate; 0 or empty when not
    // listed.
    int Width = 0;
    int Height = 0;
    std::string PixelFormat;
    std::string Primaries; // "bt2020", "bt709", ...
    std::string Transfer;  // "arib-std-b67" (HLG), "smpte2084" (PQ), "bt709", ...
    double FramesPerSecond = 0;
    int Rotation = 0;   // its display rotation, degrees anticlockwise 0..359
    int Channels = 0;   // a sound's channels: 1 for mono, 6 for 5.1
    int SampleRate = 0; // a sound's samples a second
};

// A section of the converter's report: "Input #0" or "Output #0", with its streams in order.
struct ConverterListing
{
    bool Listed = false; // the section is there and names at least one stream
    // "Duration:" in seconds; 0 when the section gives none. An estimate from the bitrate can
    // be far off and is marked.
    double Seconds = 0;
    bool SecondsEstimated = false;
    std::vector<ListedStream> Streams;

    // The first moving picture; null when there is none.
    const ListedStream* Picture() const;
    int Count(ListedStream::Kind kind) const;
};

// Reads `section` of the converter's report. The section's head names its file, and a file may
// be named anything, line breaks included: where the caller knows the file's name it gives it,
// and the head is passed over exactly; otherwise the head ends at the first line that closes it.
ConverterListing ReadListing(const std::string& converterOutput, std::string_view section,
                             std::string_view file = {});

} // namespace pivora::engine
