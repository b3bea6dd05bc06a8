#pragma once

#include "engine/CommandLine.h"

#include <optional>
#include <string>
#include <string_view>

namespace pivora::engine {

// How the converter is told a display rotation: the old "rotate" tag, or the input option
// -display_rotation of ffmpeg 6.0 and later (7.x no longer reads the tag).
enum class RotationWriting { RotateTag, DisplayRotationOption };

// From the converter's option list ("-h full").
RotationWriting RotationWritingFrom(std::string_view optionList);

// What an earlier question told of this converter, kept in `cacheFolder`: the same file, by
// its resolved path, size and modification time. Nothing when it was not asked before.
std::optional<RotationWriting> RememberedRotationWriting(const std::string& cacheFolder,
                                                         const std::string& converterPath);
void RememberRotationWriting(const std::string& cacheFolder, const std::string& converterPath,
                             RotationWriting way);

// The turn a rotation item asks for, in degrees anticlockwise; nothing for a mirror or none.
std::optional<int> PureTurnAnticlockwise(int rotation);

// Whether the output format is one whose container carries a display rotation (MP4, MOV).
bool CarriesDisplayRotation(int outputFormat);

// The command line that copies every picture, sound, subtitle and data stream of the input as
// it is, keeps its metadata, and has the moving picture shown turned `anticlockwise` degrees in
// all, replacing any turn the input carried. `picture` is that picture's place among the
// input's video streams: a cover image may come before it. The output is named as for
// re-encoding.
std::string BuildLosslessCommandLine(const CommandLineRequest& request, int anticlockwise,
                                     RotationWriting way, int picture = 0);

} // namespace pivora::engine
