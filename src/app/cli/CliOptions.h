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
    // Conversions at once as asked, digits without leading zeros: "0" for one per core
    // ("auto"); a number beyond what this machine takes is cut (JobsToUse).
    std::optional<std::string> Jobs;
    std::optional<bool> Lossless;
    bool DryRun = false;
    bool OnlyVideos = false;
    // Lists of names to convert, after the ones named; "-" is standard input.
    std::vector<std::string> FilesFrom;
    bool NulSeparated = false; // the lists' names end in NUL, not in a line's end
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

// The conversions at once that `asked` means on a machine that takes `most`; `note` says what
// was used when the number asked for was cut.
int JobsToUse(const std::string& asked, int most, std::string& note);

std::string UsageText();

} // namespace pivora::cli
