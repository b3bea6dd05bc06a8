#pragma once

#include "platform/ChildProcess.h"

#include <cstdint>
#include <string>

namespace pivora::engine {

// What one converter run achieved, judged in one place.
struct RunOutcome
{
    bool Succeeded = false;
    std::string FailureLine; // the converter's last error line, or why the run failed
};

struct RunFacts
{
    pivora::platform::ExitStatus Exit;
    std::int64_t OutputSize = -1; // -1 when the output file does not exist
    std::string ConverterOutput;
};

RunOutcome JudgeRun(const RunFacts& facts);

// The last line of the converter's output that is not a progress line.
std::string LastErrorLine(const std::string& converterOutput);

} // namespace pivora::engine
