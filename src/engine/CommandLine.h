#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pivora::engine {

struct OutputFormatInfo
{
    const char* ItemText;   // as the format box lists it
    const char* OptionText; // the converter options that follow the input
    const char* Extension;
};

inline constexpr int kOutputFormatCount = 7;
const std::array<OutputFormatInfo, kOutputFormatCount>& OutputFormats();

inline constexpr int kRotationCount = 6;
// The rotation box's items and the converter's video filter for each.
const std::array<const char*, kRotationCount>& RotationItems();
std::string RotationFilterFor(int rotation);

// Sets `rotationFilter` for choices 0 to 5; any other value (no item selected) leaves it.
void SelectRotationFilter(int rotation, std::string& rotationFilter);

// The file name of a path without its last extension: "clip.tar" for "/a.b/clip.tar.mp4".
std::string GetBaseName(std::string_view path);

// `base` cut at a character's end until it takes at most `room` units of a file name
// (platform FileNameUnits).
std::string FitBaseName(std::string base, std::size_t room);

struct TimeOfDay
{
    int Hour = 0, Minute = 0, Second = 0;
};

// The output file for an input: folder, base name, "_Rotated", the time as H M S without
// separators or leading zeros, then "_N" when `counter` is 2 or more, and the extension.
std::string OutputFilePath(std::string_view outputFolder, std::string_view inputPath,
                           int outputFormat, TimeOfDay time, int counter = 0);

struct CommandLineRequest
{
    std::string ProgramFolder;
    std::string InputPath;
    std::string OutputFolder; // ends with the path separator
    int OutputFormat = 0;
    std::string VideoBitrate;
    std::string RotationFilter;
    TimeOfDay Time;
    int Counter = 0; // see OutputFilePath
    // What a given input needs beyond the described line: a filter joined to the rotation's,
    // and options after it. Both empty for an input that needs nothing.
    std::string AddedFilter;
    std::string AddedOptions;
};

// The rotation's filter option with `added` joined to its chain: the converter takes one
// video filter chain a stream.
std::string FilterWith(const std::string& rotationFilter, const std::string& added);

// A relative path that starts with a dash or names a protocol ("x:") would be read by the
// converter as an option or a URL; anchoring it at the current folder keeps it a file.
std::string ConverterSafePath(const std::string& path);

// The request's output file, as the last argument of a command line: made safe and quoted.
std::string QuotedOutputArgument(const CommandLineRequest& request);

// The converter's complete command line. The bitrate and the filter go in as they are; the
// paths are quoted so that any file name arrives as exactly one argument.
std::string BuildCommandLine(const CommandLineRequest& request);

} // namespace pivora::engine
