#pragma once

#include "engine/RunOutcome.h"
#include "platform/ChildProcess.h"
#include "platform/EventPump.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pivora::engine {

// A short question to the converter, answered while other work goes on: everything the
// child prints until it ends.
class ConverterQuestion
{
public:
    static constexpr std::chrono::milliseconds kPatience{20000};
    // Why a question that is over has no answer.
    // A child that something else ended (a signal) has not answered either.
    enum class Unanswered { NotStarted, TimedOut, CutShort, Ended };

    explicit ConverterQuestion(std::unique_ptr<pivora::platform::ChildProcess> child,
                               std::chrono::milliseconds patience = kPatience);
    // Starts the command line; a question that cannot be started has no answer.
    explicit ConverterQuestion(const std::string& commandLine,
                               std::chrono::milliseconds patience = kPatience);
    ~ConverterQuestion();
    ConverterQuestion(const ConverterQuestion&) = delete;
    ConverterQuestion& operator=(const ConverterQuestion&) = delete;

    // Takes in what the child has printed. True while the answer is still coming; a question
    // that takes longer than its patience, or that is to be `cutShort`, is ended without an
    // answer.
    bool Poll(bool cutShort);
    // The whole answer, once the child has ended by itself.
    const std::optional<std::string>& Answer() const { return m_answer; }
    // Why there is no answer, once the question is over without one.
    Unanswered Why() const { return m_why; }
    std::chrono::milliseconds Patience() const { return m_patience; }
    std::vector<pivora::platform::NativeHandle> WakeHandles() const;

private:
    void EndChild();

    std::unique_ptr<pivora::platform::ChildProcess> m_child;
    std::string m_text;
    std::optional<std::string> m_answer;
    Unanswered m_why = Unanswered::NotStarted;
    std::chrono::milliseconds m_patience;
    std::chrono::steady_clock::time_point m_deadline;
};

// The command line that opens `file` with the converter, as a player would, and lists it.
std::string ProbeCommandLine(const std::string& converterPath, const std::string& file);

// The command line that reads `file`'s pictures and sound to their end, packet by packet without
// decoding: its last progress line says how far they reach.
std::string MeasureCommandLine(const std::string& converterPath, const std::string& file);

// Reads everything a started child prints until it ends.
std::optional<std::string> CollectOutput(std::unique_ptr<pivora::platform::ChildProcess> child,
                                         pivora::platform::EventPump& pump,
                                         const std::function<bool()>& stopped);

// Runs a short converter command to its end and gives everything it printed. The window
// keeps running meanwhile. A command that does not end in time, or that `stopped` or the
// program's shut-down cuts short, is killed and gives nothing.
std::optional<std::string> CollectOutput(const std::string& commandLine,
                                         pivora::platform::EventPump& pump,
                                         const std::function<bool()>& stopped);

// Opens `file` with the converter itself, as a player would, and tells what it found; a
// probe that gave nothing has not run.
ProbeResult ProbeOutput(const std::string& converterPath, const std::string& file,
                        pivora::platform::EventPump& pump, const std::function<bool()>& stopped);

} // namespace pivora::engine
