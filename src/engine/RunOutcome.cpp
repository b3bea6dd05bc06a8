#include "engine/RunOutcome.h"

#include <string_view>

namespace pivora::engine {

namespace {

std::string_view Trim(std::string_view text)
{
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    const std::size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

bool IsProgressLine(std::string_view line)
{
    return line.starts_with("frame=") || line.starts_with("size=") ||
           line.find("time=") != std::string_view::npos;
}

} // namespace

std::string LastErrorLine(const std::string& converterOutput)
{
    std::string_view rest = converterOutput;
    std::string_view last;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string_view line = Trim(rest.substr(0, end));
        if (!line.empty() && !IsProgressLine(line))
            last = line;
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return std::string(last);
}

RunOutcome JudgeRun(const RunFacts& facts)
{
    RunOutcome outcome;
    std::string reason;
    if (!facts.Exit.Known)
        reason = "转换程序没有正常结束";
    else if (!facts.Exit.Exited)
        reason = "转换程序被终止 (信号 " + std::to_string(facts.Exit.Signal) + ")";
    else if (facts.Exit.Code != 0)
        reason = "转换程序退出代码 " + std::to_string(facts.Exit.Code);
    else if (facts.OutputSize <= 0) {
        // The converter said nothing went wrong, so its last line would not explain it.
        outcome.FailureLine = "没有生成输出文件";
        return outcome;
    } else {
        outcome.Succeeded = true;
        return outcome;
    }
    const std::string line = LastErrorLine(facts.ConverterOutput);
    outcome.FailureLine = line.empty() ? reason : line;
    return outcome;
}

} // namespace pivora::engine
