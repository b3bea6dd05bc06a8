#include "engine/LosslessTurn.h"

#include "platform/CommandLineRules.h"
#include "platform/KnownFolders.h"

#include <string>

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
                                     RotationWriting way)
{
    using pivora::platform::QuoteArgument;
    const std::string turn = std::to_string(Normalized(anticlockwise));
    std::string line = QuoteArgument(pivora::platform::ConverterPath(request.ProgramFolder), true);
    if (way == RotationWriting::DisplayRotationOption)
        line += " -display_rotation:v:0 " + turn;
    line += " -i " + QuoteArgument(ConverterSafePath(request.InputPath));
    // Data tracks (GPS, sensors) too, those of a kind the converter knows: a timecode track
    // is made again from the timecode it reads, and a kind it does not know it cannot write
    // into any container.
    line += " -y -map 0:v -map 0:a? -map 0:s? -map 0:d:u? -c copy -map_metadata 0";
    if (way == RotationWriting::RotateTag)
        line += " -metadata:s:v:0 rotate=" + turn;
    line += ' ';
    line += QuotedOutputArgument(request);
    return line;
}

} // namespace pivora::engine
