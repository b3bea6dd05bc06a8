#pragma once

#include "engine/UserMessages.h"
#include "platform/ChildProcess.h"
#include "platform/EventPump.h"

#include <functional>
#include <string>

namespace pivora::engine {

// The executable name of the process whose end a run waits for.
std::string& WatchedProcessName();

// Runs one console command line as a hidden child, hands its output to the owner as it
// arrives, and returns when the run is over: the pipe is empty, the child has exited, and
// no other process of WatchedProcessName() started from the child's program is left.
class DOSOutputs
{
public:
    DOSOutputs(pivora::platform::EventPump& pump, UserMessages& messages);

    // Raised for every chunk read from the child; chunk boundaries are arbitrary.
    std::function<void(const std::string& CommandOutputs)> ReceiveOutputs;
    // Raised once at the end of every run that started.
    std::function<void()> CommandOver;

    const std::string& CommandLine() const { return m_commandLine; }
    void SetCommandLine(const std::string& DOSCommand) { m_commandLine = DOSCommand; }
    const std::string& Outputs() const { return m_outputs; }

    // Runs `commandLine`, or the CommandLine property when it is empty. Returns everything
    // the child wrote, or "" when no run could be started (after telling the user why).
    std::string ExecuteCommand(const std::string& commandLine = {});

    // Ends the run in progress: the child is asked to end, and killed when it is still there
    // after the grace period. The same happens when the program starts shutting down. A
    // stopped run raises no CommandOver.
    void Stop() { m_stopRequested = true; }
    static constexpr int kStopGraceMilliseconds = 3000;

    // Whether the last call started a child, and how that child ended.
    bool LastRunStarted() const { return m_lastRunStarted; }
    bool LastRunStopped() const { return m_lastRunStopped; }
    pivora::platform::ExitStatus LastExitStatus() const { return m_lastExit; }

private:
    pivora::platform::EventPump& m_pump;
    UserMessages& m_messages;
    std::string m_commandLine;
    std::string m_outputs;
    bool m_stopRequested = false;
    bool m_lastRunStarted = false;
    bool m_lastRunStopped = false;
    pivora::platform::ExitStatus m_lastExit;
};

} // namespace pivora::engine
