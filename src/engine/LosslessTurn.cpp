#include "engine/LosslessTurn.h"

#include "platform/CommandLineRules.h"
#include "platform/FileSystem.h"
#include "platform/KnownFolders.h"

#include <fstream>
#include <string>
#include <vector>

namespace pivora::engine {

namespace {

int Normalized(long degrees)
{
    return static_cast<int>(((degrees % 360) + 360) % 360);
}

} // namespace

RotationWriting RotationWritingFrom(std::string_view optionList)
{
    return optionList.find("-display_rotation") != std::string_view::npos
               ? RotationWriting::DisplayRotationOption
               : RotationWriting::RotateTag;
}

namespace {

constexpr const char* kRememberedFile = "converters";
constexpr std::size_t kMostRemembered = 16;

// "<size> <modification time> <way> <resolved path>": the line that identifies a converter,
// up to its way.
std::string ConverterKey(const std::string& converterPath)
{
    namespace fs = pivora::platform;
    const std::string resolved = fs::RealPath(converterPath);
    if (resolved.empty() || resolved.find_first_of("\r\n") != std::string::npos)
        return {};
    return std::to_string(fs::FileSize(resolved)) + " " +
           std::to_string(fs::ModificationTime(resolved)) + " ";
}

std::vector<std::string> RememberedLines(const std::string& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; lines.size() < kMostRemembered && std::getline(in, line);)
        lines.push_back(std::move(line));
    return lines;
}

const char* WayName(RotationWriting way)
{
    return way == RotationWriting::RotateTag ? "rotate-tag" : "display-rotation";
}

} // namespace

std::optional<RotationWriting> RememberedRotationWriting(const std::string& cacheFolder,
                                                         const std::string& converterPath)
{
    const std::string key = ConverterKey(converterPath);
    if (cacheFolder.empty() || key.empty())
        return std::nullopt;
    const std::string resolved = std::string(" ").append(pivora::platform::RealPath(converterPath));
    for (const std::string& line :
         RememberedLines(pivora::platform::JoinPath(cacheFolder, kRememberedFile))) {
        if (!line.starts_with(key) || !line.ends_with(resolved))
            continue;
        const std::string_view way =
            std::string_view(line).substr(key.size(), line.size() - key.size() - resolved.size());
        for (const RotationWriting known :
             {RotationWriting::RotateTag, RotationWriting::DisplayRotationOption}) {
            if (way == WayName(known))
                return known;
        }
    }
    return std::nullopt;
}

void RememberRotationWriting(const std::string& cacheFolder, const std::string& converterPath,
                             RotationWriting way)
{
    const std::string key = ConverterKey(converterPath);
    if (cacheFolder.empty() || key.empty())
        return;
    const std::string file = pivora::platform::JoinPath(cacheFolder, kRememberedFile);
    const std::string resolved = std::string(" ").append(pivora::platform::RealPath(converterPath));
    // The newest first; an older answer for the same converter goes.
    std::string text = key + WayName(way) + resolved + "\n";
    std::size_t kept = 1;
    for (const std::string& line : RememberedLines(file)) {
        if (!line.ends_with(resolved) && kept++ < kMostRemembered)
            text += line + "\n";
    }
    pivora::platform::WriteFileWhole(file, text);
}

std::optional<int> PureTurnAnticlockwise(int rotation)
{
    switch (rotation) {
    case 0:
        return 270; // a quarter turn clockwise
    case 1:
        return 90;
    case 4:
        return 180;
    default:
        return std::nullopt;
    }
}

bool CarriesDisplayRotation(int outputFormat)
{
    return outputFormat == 0 || outputFormat == 1 || outputFormat == 3;
}

std::string BuildLosslessCommandLine(const CommandLineRequest& request, int anticlockwise,
                                     RotationWriting way, int picture)
{
    using pivora::platform::QuoteArgument;
    const std::string turn = std::to_string(Normalized(anticlockwise));
    // Every video stream is mapped in order, so the picture keeps its place among them.
    const std::string stream = "v:" + std::to_string(picture);
    std::string line = QuoteArgument(pivora::platform::ConverterPath(request.ProgramFolder), true);
    if (way == RotationWriting::DisplayRotationOption)
        line += " -display_rotation:" + stream + " " + turn;
    line += " -i " + QuoteArgument(ConverterSafePath(request.InputPath));
    // Data tracks (GPS, sensors) too, those of a kind the converter knows: a timecode track
    // is made again from the timecode it reads, and a kind it does not know it cannot write
    // into any container.
    line += " -y -map 0:v -map 0:a? -map 0:s? -map 0:d:u? -c copy -map_metadata 0";
    if (way == RotationWriting::RotateTag)
        line += " -metadata:s:" + stream + " rotate=" + turn;
    line += ' ';
    line += QuotedOutputArgument(request);
    return line;
}

} // namespace pivora::engine
