#include "engine/OutputProbe.h"

#include "engine/CommandLine.h"
#include "platform/ChildProcess.h"
#include "platform/CommandLineRules.h"

#include <chrono>

namespace pivora::engine {

namespace {

constexpr int kPollMilliseconds = 20;
constexpr auto kPatience = std::chrono::seconds(20);

} // namespace

ProbeResult ProbeOutput(const std::string& converterPath, const std::string& file,
                        pivora::platform::EventPump& pump, const std::function<bool()>& stopped)
{
    using pivora::platform::QuoteArgument;
    // Without an output the converter only opens its input, lists it and exits.
    auto started = pivora::platform::ChildProcess::Start(QuoteArgument(converterPath) +
                                                         " -hide_banner -nostdin -i " +
                                                         QuoteArgument(ConverterSafePath(file)));
    if (!started.Process)
        return {};
    pivora::platform::ChildProcess& child = *started.Process;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    std::string text;
    while (true) {
        if (const std::size_t waiting = child.BytesWaiting(); waiting != 0) {
            std::string chunk;
            if (!child.Read(chunk, waiting))
                break;
            text += chunk;
            continue;
        }
        if (child.HasExited() && child.BytesWaiting() == 0)
            break;
        if (std::chrono::steady_clock::now() > deadline || pump.Quitting() ||
            (stopped && stopped())) {
            child.Kill();
            for (int i = 0; i < 50 && !child.HasExited(); ++i)
                pivora::platform::WaitForHandles(kPollMilliseconds, child.WakeHandles());
            return {};
        }
        pump.Wait(kPollMilliseconds, child.WakeHandles());
    }
    return ReadProbe(text);
}

} // namespace pivora::engine
