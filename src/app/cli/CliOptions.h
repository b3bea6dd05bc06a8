#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pivora::cli {

// What the command line asks for. A value left out comes from the settings files, or is the
// window's own default.
struct CliOptions
{
    std::optional<int> Rotation;     // the rotation items 0 to 5
    std::optional<int> OutputFormat; // the format items 0 to 6
    std::optional<std::string> VideoBitrate;
    std::optional<std::string> OutputFolder;
    std::optional<int> Jobs;
    std::optional<bool> Lossless;
    bool DryRun = false;
    bool Json = false;
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
    std::vector<std::string> Inputs; // files and folders, in order
};

// The options, or the problem with them in `problem` (one line, without the program's name).
std::optional<CliOptions> ParseOptions(const std::vector<std::string>& arguments,
                                       std::string& problem);

// The rotation item a value names: its number or one of the words; nothing when none.
std::optional<int> RotationNamed(const std::string& value);
std::optional<int> FormatNamed(const std::string& value);

std::string UsageText();

} // namespace pivora::cli
