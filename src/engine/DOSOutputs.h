#pragma once

#include "engine/UserMessages.h"
#include "platform/ChildProcess.h"
#include "platform/EventPump.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pivora::engine {

// The executable name of the process whose end a run waits for.
std::string& WatchedProcessName();

// Runs one console command line as a hidden child and hands its output to the owner as it
// arrives. The run is over when the pipe is empty, the child has exited, and (unless the run
// waits for its own child only) no other process of WatchedProcessName() started from the
// child's program is left. A run is either waited for whole (ExecuteCommand), or started and
// then moved on by its owner (Begin, Poll), so that one thread can keep several runs going.
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

    // Starts `commandLine`, or the CommandLine property when it is empty, and returns at once.
    // False when no run could be started (after telling the user why).
    bool Begin(const std::string& commandLine = {});
    // Takes what the child has written and notices its end, without waiting. True while the
    // run goes on; at its end CommandOver is raised (unless the run was stopped) and the
    // Last* properties tell how it went.
    bool Poll();
    bool Running() const { return m_child != nullptr; }
    // What becomes ready when the running child has something new: output or its end.
    std::vector<pivora::platform::NativeHandle> WakeHandles() const;

    // Whether a run waits for every process of WatchedProcessName() started from its program,
    // as a lone converter that hands its work on must be waited for, or for its own child only,
    // as when several runs share the program.
    void SetWaitsForOwnChildOnly(bool own) { m_ownChildOnly = own; }

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
    std::unique_ptr<pivora::platform::ChildProcess> m_child;
    std::string m_program;
    bool m_ownChildOnly = false;
    bool m_stopping = false;
    bool m_killed = false;
    std::chrono::steady_clock::time_point m_stopSince;
    bool m_stopRequested = false;
    bool m_lastRunStarted = false;
    bool m_lastRunStopped = false;
    pivora::platform::ExitStatus m_lastExit;
};

} // namespace pivora::engine
