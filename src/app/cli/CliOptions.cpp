#include "app/cli/CliOptions.h"

#include "engine/CommandLine.h"
#include "settings/ProgramSettings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace pivora::cli {

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A whole number of at most seven digits, nothing else.
std::optional<long> WholeNumber(const std::string& text)
{
    if (text.empty() || text.size() > 7 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    return std::stol(text);
}

// A word, or the item's number, for each item in order.
std::optional<int> ItemNamed(const std::string& value, const std::vector<std::string_view>& words)
{
    const std::string word = Lower(value);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (word == words[i])
            return static_cast<int>(i);
    }
    if (const std::optional<long> number = WholeNumber(value);
        number && *number < static_cast<long>(words.size()))
        return static_cast<int>(*number);
    return std::nullopt;
}

struct OptionSpec
{
    std::string_view Long;
    char Short;
    bool TakesValue;
};

constexpr std::array<OptionSpec, 15> kOptions{{
    {"rotate", 'r', true},
    {"format", 'f', true},
    {"bitrate", 'b', true},
    {"output", 'o', true},
    {"jobs", 'j', true},
    {"lossless", 0, false},
    {"no-lossless", 0, false},
    {"dry-run", 'n', false},
    {"only-videos", 0, false},
    {"files-from", 0, true},
    {"null", '0', false},
    {"json", 0, false},
    {"quiet", 'q', false},
    {"help", 'h', false},
    {"version", 'V', false},
}};

// Takes one option's value into `options`; false with `problem` set when it is not one.
bool Apply(const OptionSpec& spec, const std::string& value, CliOptions& options,
           std::string& problem)
{
    const std::string name = std::string("--").append(spec.Long);
    const auto bad = [&](const std::string& why) {
        problem = "invalid value '" + value + "' for " + name + ": " + why;
        return false;
    };
    if (spec.Long == "rotate") {
        options.Rotation = RotationNamed(value);
        return options.Rotation ? true : bad("use 0-5, cw, ccw, vflip, hflip, 180 or none");
    }
    if (spec.Long == "format") {
        options.OutputFormat = FormatNamed(value);
        return options.OutputFormat ? true : bad("use 0-6, mp4, h264, avi, mov, flv, wmv or mpg");
    }
    if (spec.Long == "bitrate") {
        // "5000k" is the same as "5000": the converter's unit is added to the number.
        std::string number = value;
        if (!number.empty() && (number.back() == 'k' || number.back() == 'K'))
            number.pop_back();
        const std::optional<long> kilobits = WholeNumber(number);
        if (!kilobits || *kilobits == 0)
            return bad("use a whole number of kilobits per second");
        options.VideoBitrate = std::to_string(*kilobits);
        return true;
    }
    if (spec.Long == "output") {
        if (value.empty())
            return bad("the folder's name is empty");
        options.OutputFolder = value;
        return true;
    }
    if (spec.Long == "jobs") {
        // Any number of digits: a number beyond the machine is cut, and the user told so.
        if (Lower(value) == "auto") {
            options.Jobs = std::string(1, '0'); // not "0": GCC 12 -Wrestrict at -O2
            return true;
        }
        if (value.empty() || !std::all_of(value.begin(), value.end(),
                                          [](unsigned char c) { return std::isdigit(c); }))
            return bad("use a whole number, or auto (0) for one per processor core");
        const std::size_t first = value.find_first_not_of('0');
        options.Jobs = first == std::string::npos ? "0" : value.substr(first);
        return true;
    }
    if (spec.Long == "files-from") {
        if (value.empty())
            return bad("name a file, or - for standard input");
        options.FilesFrom.push_back(value);
        return true;
    }
    if (spec.Long == "lossless")
        options.Lossless = true;
    else if (spec.Long == "no-lossless")
        options.Lossless = false;
    else if (spec.Long == "dry-run")
        options.DryRun = true;
    else if (spec.Long == "only-videos")
        options.OnlyVideos = true;
    else if (spec.Long == "null")
        options.NulSeparated = true;
    else if (spec.Long == "json")
        options.Json = true;
    else if (spec.Long == "quiet")
        options.Quiet = true;
    else if (spec.Long == "help")
        options.Help = true;
    else if (spec.Long == "version")
        options.Version = true;
    return true;
}

} // namespace

std::optional<int> RotationNamed(const std::string& value)
{
    // The items in order: a quarter turn clockwise and anticlockwise, the vertical mirror
    // (upside down), the horizontal mirror, the half turn, none.
    return ItemNamed(value, {"cw", "ccw", "vflip", "hflip", "180", "none"});
}

std::optional<int> FormatNamed(const std::string& value)
{
    return ItemNamed(value, {"mp4", "h264", "avi", "mov", "flv", "wmv", "mpg"});
}

std::optional<CliOptions> ParseOptions(const std::vector<std::string>& arguments,
                                       std::string& problem)
{
    CliOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.Inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = nullptr;
        std::optional<std::string> value;
        if (argument[1] == '-') {
            const std::size_t equals = argument.find('=');
            const std::string name =
                argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            for (const OptionSpec& candidate : kOptions) {
                if (candidate.Long == name)
                    spec = &candidate;
            }
            if (!spec) {
                problem = "unknown option '" + argument + "'";
                return std::nullopt;
            }
            if (equals != std::string::npos) {
                if (!spec->TakesValue) {
                    problem = "option '--" + name + "' takes no value";
                    return std::nullopt;
                }
                value = argument.substr(equals + 1);
            }
        } else {
            // Short options, "-q" or a value joined on ("-r1") or following ("-r 1").
            for (std::size_t at = 1; at < argument.size(); ++at) {
                spec = nullptr;
                for (const OptionSpec& candidate : kOptions) {
                    if (candidate.Short != 0 && candidate.Short == argument[at])
                        spec = &candidate;
                }
                if (!spec) {
                    problem = std::string("unknown option '-").append(1, argument[at]) + "'";
                    return std::nullopt;
                }
                if (spec->TakesValue) {
                    if (at + 1 < argument.size())
                        value = argument.substr(at + 1);
                    break;
                }
                if (!Apply(*spec, {}, options, problem))
                    return std::nullopt;
                spec = nullptr;
            }
            if (!spec)
                continue;
        }
        if (spec->TakesValue && !value) {
            if (i + 1 >= arguments.size()) {
                problem = std::string("option '--").append(spec->Long).append("' needs a value");
                return std::nullopt;
            }
            value = arguments[++i];
        }
        if (!Apply(*spec, value.value_or(std::string()), options, problem))
            return std::nullopt;
    }
    if (options.Help || options.Version)
        return options;
    if (options.NulSeparated && options.FilesFrom.empty()) {
        problem = "option '--null' (-0) goes with --files-from";
        return std::nullopt;
    }
    if (options.Inputs.empty() && options.FilesFrom.empty()) {
        problem = "no files or folders to convert";
        return std::nullopt;
    }
    return options;
}

int JobsToUse(const std::string& asked, int most, std::string& note)
{
    if (asked == "0")
        return most;
    if (asked.size() < 4 && std::stoi(asked) <= most)
        return std::stoi(asked);
    note = "--jobs " + asked + ": " + std::to_string(most) +
           (most == pivora::settings::kMaxParallelJobs
                ? " at once, the most there can be"
                : (most == 1 ? " at once, this machine has one processor core"
                             : " at once, one per processor core"));
    return most;
}

std::string UsageText()
{
    std::string text =
        "Usage: pivora-cli [options] FILE|FOLDER...\n"
        "       pivora-cli [options] --files-from LIST [FILE|FOLDER...]\n"
        "Turns or mirrors video files with the converter, as the Pivora window does.\n"
        "Folders are searched with their subfolders; every file found is converted, or\n"
        "with --only-videos every file the converter finds a video in.\n"
        "\n"
        "  -r, --rotate N       0-5 or cw, ccw, vflip, hflip, 180, none (default cw)\n"
        "  -f, --format N       0-6 or mp4, h264, avi, mov, flv, wmv, mpg (default mp4)\n"
        "  -b, --bitrate K      video bitrate in kilobits per second (default: the format's)\n"
        "  -o, --output DIR     output folder (default: the window's)\n"
        "  -j, --jobs N         conversions at once (default: the window's setting);\n"
        "                       auto or 0 for one per processor core\n"
        "      --lossless       turn MP4 and MOV outputs without re-encoding where possible\n"
        "      --no-lossless    always re-encode\n"
        "      --only-videos    convert only files holding a video; name the rest as skipped\n"
        "      --files-from LIST\n"
        "                       also the files and folders named in LIST, one a line\n"
        "                       (- for standard input)\n"
        "  -0, --null           the names in LIST each end with NUL, not with a line's end\n"
        "  -n, --dry-run        print the converter's command lines and convert nothing\n"
        "      --json           print one JSON object a line for each file on standard output\n"
        "  -q, --quiet          print failures only\n"
        "  -h, --help           print this help\n"
        "  -V, --version        print the version\n"
        "\n"
        "Formats:";
    const auto& formats = pivora::engine::OutputFormats();
    for (std::size_t i = 0; i < formats.size(); ++i)
        text.append("\n  ").append(std::to_string(i)).append("  ").append(formats[i].ItemText);
    text += "\n\nExit status: 0 all converted, 1 a file failed, 2 bad usage, 130 interrupted.\n";
    return text;
}

} // namespace pivora::cli
