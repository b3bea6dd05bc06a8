#include "engine/CommandLine.h"

#include "platform/CommandLineRules.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

namespace pivora::engine {

const std::array<OutputFormatInfo, kOutputFormatCount>& OutputFormats()
{
    static const std::array<OutputFormatInfo, kOutputFormatCount> formats{{
        {"MP4(High Quality MPEG4 Video)", " -y -map_metadata 0 -id3v2_version 3 -vcodec mpeg4 -vb ",
         ".mp4"},
        {"MP4(H264 Video)", " -y -map_metadata 0 -id3v2_version 3 -vcodec h264 -vb ", ".mp4"},
        {"AVI(Standard MPEG4 Video)", " -y -map_metadata 0 -id3v2_version 3 -vb ", ".avi"},
        {"MOV(Apple/QuickTime Video)", " -y -map_metadata 0 -id3v2_version 3 -vb ", ".mov"},
        {"FLV(Flash Video)", " -y -map_metadata 0 -id3v2_version 3 -f mp4 -vb ", ".flv"},
        {"WMV(Windows Media Video)", " -y -map_metadata 0 -id3v2_version 3 -vb ", ".wmv"},
        {"MPG(MPEG1 Video)", " -y -map_metadata 0 -id3v2_version 3 -vcodec mpeg1video -vb ",
         ".mpg"},
    }};
    return formats;
}

const std::array<const char*, kRotationCount>& RotationItems()
{
    static const std::array<const char*, kRotationCount> items{
        "90 Degree Clockwise", "90 Degree Anticlockwise",
        "Vertical Mirror",     "Horizontal Mirror",
        "180 Degree",          "None"};
    return items;
}

std::string RotationFilterFor(int rotation)
{
    switch (rotation) {
    case 0:
        return "-vf \"transpose=1\"";
    case 1:
        return "-vf \"transpose=2\"";
    case 2:
        return "-vf vflip";
    case 3:
        return "-vf hflip";
    case 4:
        return "-vf \"transpose=2,transpose=2\"";
    default:
        return {};
    }
}

void SelectRotationFilter(int rotation, std::string& rotationFilter)
{
    if (rotation >= 0 && rotation < kRotationCount)
        rotationFilter = RotationFilterFor(rotation);
}

std::string GetBaseName(std::string_view path)
{
    const std::size_t separator = path.find_last_of(pivora::platform::PathSeparator());
    const std::string_view name =
        separator == std::string_view::npos ? path : path.substr(separator + 1);
    const std::size_t dot = name.find_last_of('.');
    // A name without an extension ("holiday", ".DS_Store") is all base name: cutting it would
    // leave outputs named after nothing.
    return dot == std::string_view::npos || dot == 0 ? std::string(name)
                                                     : std::string(name.substr(0, dot));
}

std::string FitBaseName(std::string base, std::size_t room)
{
    while (!base.empty() && pivora::platform::FileNameUnits(base) > room) {
        base.pop_back();
        // A UTF-8 character goes whole: its continuation bytes are 10xxxxxx.
        while (!base.empty() && (static_cast<unsigned char>(base.back()) & 0xC0) == 0x80)
            base.pop_back();
        if (!base.empty() && static_cast<unsigned char>(base.back()) >= 0xC0)
            base.pop_back();
    }
    return base;
}

std::string OutputFilePath(std::string_view outputFolder, std::string_view inputPath,
                           int outputFormat, TimeOfDay time, int counter)
{
    std::string tail = "_Rotated";
    tail += std::to_string(time.Hour) + std::to_string(time.Minute) + std::to_string(time.Second);
    if (counter >= 2) {
        // Appended piecewise: "_" + std::to_string(...) trips GCC 12's -Wrestrict inside
        // std::string at -O2 and above.
        tail += '_';
        tail += std::to_string(counter);
    }
    if (outputFormat >= 0 && outputFormat < kOutputFormatCount)
        tail += OutputFormats()[static_cast<std::size_t>(outputFormat)].Extension;
    // A name near the file system's limit would not fit with what is added to it: the base
    // name gives way, never the time stamp or the extension.
    const std::size_t limit = pivora::platform::MaxFileNameUnits(std::string(outputFolder));
    const std::size_t tailUnits = pivora::platform::FileNameUnits(tail);
    std::string path(outputFolder);
    path += FitBaseName(GetBaseName(inputPath), limit > tailUnits ? limit - tailUnits : 0);
    path += tail;
    return path;
}

std::string ConverterSafePath(const std::string& path)
{
    if (path.empty() || pivora::platform::IsAbsolutePath(path))
        return path;
    if (path.front() == '-' || path.find(':') != std::string::npos)
        return std::string(".") + pivora::platform::PathSeparator() + path;
    return path;
}

std::string QuotedOutputArgument(const CommandLineRequest& request)
{
    return pivora::platform::QuoteArgument(
        ConverterSafePath(OutputFilePath(request.OutputFolder, request.InputPath,
                                         request.OutputFormat, request.Time, request.Counter)));
}

std::string BuildCommandLine(const CommandLineRequest& request)
{
    using pivora::platform::QuoteArgument;
    const std::string converter = pivora::platform::ConverterPath(request.ProgramFolder);
    const OutputFormatInfo* format =
        request.OutputFormat >= 0 && request.OutputFormat < kOutputFormatCount
            ? &OutputFormats()[static_cast<std::size_t>(request.OutputFormat)]
            : nullptr;

    std::string line = QuoteArgument(converter, true);
    line += " -threads 1 -i ";
    line += QuoteArgument(ConverterSafePath(request.InputPath));
    line += format ? format->OptionText : " -vb ";
    // The bitrate goes in as typed; only a text that would split into several arguments
    // is kept together, so that it cannot add options of its own.
    if (request.VideoBitrate.find_first_of(" \t\n\v\"") == std::string::npos)
        line += request.VideoBitrate + "k";
    else
        line += QuoteArgument(request.VideoBitrate + "k");
    line += " ";
    line += FilterWith(request.RotationFilter, request.AddedFilter);
    line += " ";
    if (!request.AddedOptions.empty()) {
        line += request.AddedOptions.substr(request.AddedOptions.front() == ' ' ? 1 : 0);
        line += " ";
    }
    line += QuotedOutputArgument(request);
    return line;
}

std::string FilterWith(const std::string& rotationFilter, const std::string& added)
{
    if (added.empty())
        return rotationFilter;
    if (rotationFilter.empty())
        return "-vf " + added;
    // One chain a stream: the filter joins the rotation's, inside its quotes if it has them.
    if (rotationFilter.back() == '"')
        return rotationFilter.substr(0, rotationFilter.size() - 1) + "," + added + "\"";
    return rotationFilter + "," + added;
}

} // namespace pivora::engine
