#pragma once

#include "input/InputList.h"
#include "platform/EventPump.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace pivora::cli {

// Why the converter's listing of a file shows no moving picture, or nothing when it shows one:
// a video stream that is no cover picture, in a container that is no still picture and no
// text file shown as a picture (the converter opens both as video).
std::optional<std::string> WhyNoVideo(const std::string& listing);

// Takes out of `list` the entries that hold no video, each told to `skipped` with why. Each is
// looked at as the batch looks at an input: an MP4 or QuickTime file tells it itself, the
// converter is asked of any other, `atOnce` questions at a time. An entry whose question got
// no answer stays: the batch tells what becomes of it. `looked` is told how many of how many
// are done.
struct SkippedEntry
{
    pivora::input::InputEntry Entry;
    std::string Why;
};
void KeepOnlyVideos(pivora::input::InputList& list, const std::string& converterPath,
                    int outputFormat, int atOnce, pivora::platform::EventPump& pump,
                    const std::function<void(const SkippedEntry&)>& skipped,
                    const std::function<void(std::size_t, std::size_t)>& looked);

} // namespace pivora::cli
