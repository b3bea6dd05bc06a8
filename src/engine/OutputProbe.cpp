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

std::optional<std::string> CollectOutput(const std::string& commandLine,
                                         pivora::platform::EventPump& pump,
                                         const std::function<bool()>& stopped)
{
    auto started = pivora::platform::ChildProcess::Start(commandLine);
    if (!started.Process)
        return std::nullopt;
    return CollectOutput(*started.Process, pump, stopped);
}

std::optional<std::string> CollectOutput(pivora::platform::ChildProcess& child,
                                         pivora::platform::EventPump& pump,
                                         const std::function<bool()>& stopped)
{
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
            return std::nullopt;
        }
        pump.Wait(kPollMilliseconds, child.WakeHandles());
    }
    return text;
}

ProbeResult ProbeOutput(const std::string& converterPath, const std::string& file,
                        pivora::platform::EventPump& pump, const std::function<bool()>& stopped)
{
    using pivora::platform::QuoteArgument;
    // Without an output the converter only opens its input, lists it and exits.
    const std::optional<std::string> text =
        CollectOutput(QuoteArgument(converterPath) + " -hide_banner -nostdin -i " +
                          QuoteArgument(ConverterSafePath(file)),
                      pump, stopped);
    return text ? ReadProbe(*text) : ProbeResult{};
}

} // namespace pivora::engine
