#include "app/cli/OnlyVideos.h"

#include "engine/InputNeeds.h"
#include "engine/OutputProbe.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace pivora::cli {

namespace {

constexpr int kPollMilliseconds = 20;

// The containers ("Input #0, png_pipe, from '...'") whose picture is a still or text.
bool IsStillOrText(std::string_view container)
{
    constexpr std::string_view kNames[]{"image2", "tty", "bin", "xbin", "adf", "idf"};
    return container.ends_with("_pipe") ||
           std::find(std::begin(kNames), std::end(kNames), container) != std::end(kNames);
}

} // namespace

std::optional<std::string> WhyNoVideo(const std::string& listing)
{
    const std::size_t header = listing.starts_with("Input #0, ") ? 0 : listing.find("\nInput #0, ");
    if (header == std::string::npos)
        return "not a video file the converter can read";
    const std::size_t begin = listing.find(',', header) + 2;
    const std::size_t end = listing.find(", from '", begin);
    std::string_view containers(listing.data() + begin,
                                (end == std::string::npos ? begin : end) - begin);
    // One container may go by several names ("mov,mp4,m4a,3gp,3g2,mj2").
    for (std::size_t at = 0; at <= containers.size();) {
        const std::size_t comma = std::min(containers.find(',', at), containers.size());
        if (IsStillOrText(containers.substr(at, comma - at)))
            return "a still picture or text, not a video";
        at = comma + 1;
    }
    if (pivora::engine::ReadInputStreams(listing).Width <= 0)
        return "no video stream";
    return std::nullopt;
}

void KeepOnlyVideos(pivora::input::InputList& list, const std::string& converterPath,
                    int outputFormat, int atOnce, pivora::platform::EventPump& pump,
                    const std::function<void(const SkippedEntry&)>& skipped,
                    const std::function<void(std::size_t, std::size_t)>& looked)
{
    using pivora::engine::ConverterQuestion;
    struct Asking
    {
        pivora::input::EntryId Id;
        std::unique_ptr<ConverterQuestion> Question;
    };
    std::vector<pivora::input::EntryId> ids;
    for (std::size_t i = 0; i < list.Count(); ++i)
        ids.push_back(list.IdAt(i));
    std::map<pivora::input::EntryId, std::string> noVideo;
    std::vector<Asking> asking;
    std::size_t next = 0, done = 0;
    bool converterMissing = false;
    while (next < ids.size() || !asking.empty()) {
        if (pump.Quitting()) {
            for (Asking& question : asking)
                question.Question->Poll(true);
            return;
        }
        while (asking.size() < static_cast<std::size_t>(std::max(atOnce, 1)) && next < ids.size()) {
            const pivora::input::EntryId id = ids[next++];
            const std::string& path = list.At(*list.IndexOf(id)).Path;
            // What the file says of itself is a picture's size, or nothing.
            if (converterMissing || pivora::engine::ReadInputStreamsFromFile(path, outputFormat)) {
                ++done;
                continue;
            }
            asking.push_back({id, std::make_unique<ConverterQuestion>(
                                      pivora::engine::ProbeCommandLine(converterPath, path))});
        }
        std::vector<pivora::platform::NativeHandle> handles;
        for (auto question = asking.begin(); question != asking.end();) {
            if (question->Question->Poll(false)) {
                const auto wake = question->Question->WakeHandles();
                handles.insert(handles.end(), wake.begin(), wake.end());
                ++question;
                continue;
            }
            if (const auto& answer = question->Question->Answer()) {
                if (std::optional<std::string> why = WhyNoVideo(*answer))
                    noVideo[question->Id] = std::move(*why);
            } else if (question->Question->Why() == ConverterQuestion::Unanswered::NotStarted) {
                // The batch names a converter that cannot be started; no more questions.
                converterMissing = true;
            }
            ++done;
            question = asking.erase(question);
        }
        if (looked)
            looked(done, ids.size());
        pump.ProcessEvents();
        if (!asking.empty())
            pump.Wait(kPollMilliseconds, handles);
    }
    for (const auto& [id, why] : noVideo) {
        const std::optional<std::size_t> index = list.IndexOf(id);
        if (!index)
            continue;
        if (skipped)
            skipped({list.At(*index), why});
        list.Remove(id);
    }
}

} // namespace pivora::cli
