// The judgement of a converter run from its console output, which holds file names, metadata
// and messages of any kind.
#include "FuzzCheck.h"

#include "engine/RunOutcome.h"

#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <string_view>

using namespace pivora::engine;

namespace {

// A reason taken from the output: part of one of its lines, trimmed.
bool IsLineOf(const std::string& reason, const std::string& output)
{
    return !reason.empty() && output.find(reason) != std::string::npos &&
           reason.find_first_of("\r\n") == std::string::npos &&
           reason.find_first_not_of(" \t") == 0 &&
           reason.find_last_not_of(" \t") == reason.size() - 1;
}

// The program's own words for a failure its converter did not explain.
bool IsOwnText(std::string_view reason)
{
    return reason == "转换程序没有正常结束" || reason == "没有生成输出文件" ||
           reason == "输出中没有视频" || reason == "输出文件无法打开" ||
           reason == "输入文件是空的" || reason.starts_with("转换程序被终止 (信号 ") ||
           reason.starts_with("转换程序退出代码 ") || reason.starts_with("输出比输入短: ") ||
           reason.starts_with("输入文件不完整: ");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    RunFacts facts;
    facts.Exit.Known = in.ConsumeBool();
    facts.Exit.Exited = in.ConsumeBool();
    facts.Exit.Code = in.ConsumeIntegralInRange(-1, 255);
    facts.Exit.Signal = in.ConsumeIntegralInRange(0, 64);
    facts.OutputSize = in.ConsumeIntegralInRange<std::int64_t>(-1, 2);
    const int probeKind = in.ConsumeIntegralInRange(0, 2);
    const std::size_t probeFrom = in.ConsumeIntegral<std::uint16_t>();
    facts.ConverterOutput = in.ConsumeRemainingBytesAsString();
    const std::string& output = facts.ConverterOutput;
    // The probe's own output is part of the input as well: the converter opening the file.
    const std::string probeOutput = output.substr(std::min(probeFrom, output.size()));

    const std::string reason = FailureReason(output);
    FUZZ_CHECK(reason.empty() || IsLineOf(reason, output));
    const std::string writeError = WriteErrorLine(output);
    FUZZ_CHECK(writeError.empty() || IsLineOf(writeError, output));
    for (const std::string_view section : {"Input #0", "Output #0"}) {
        const ListedStreams streams = StreamsOf(output, section);
        FUZZ_CHECK(!streams.Video || streams.Listed);
    }
    const ProbeResult probe = ReadProbe(probeOutput);
    FUZZ_CHECK(probe.Ran && (!probe.HasVideo || probe.Opened));
    FUZZ_CHECK(probe.Opened ? probe.Line.empty()
                            : probe.Line.empty() || IsLineOf(probe.Line, output));

    if (probeKind == 1)
        facts.Probe = [] { return ProbeResult{}; }; // the converter could not be started
    else if (probeKind == 2)
        facts.Probe = [&] { return probe; };
    const RunOutcome outcome = JudgeRun(facts);
    if (outcome.Succeeded) {
        FUZZ_CHECK(outcome.FailureLine.empty());
        FUZZ_CHECK(!facts.Exit.Known || (facts.Exit.Exited && facts.Exit.Code == 0));
        FUZZ_CHECK(facts.OutputSize > 0 && writeError.empty());
    } else {
        FUZZ_CHECK(IsLineOf(outcome.FailureLine, output) || IsOwnText(outcome.FailureLine));
    }
    return 0;
}
