#include "engine/DOSOutputs.h"

#include "engine/clsWaitableTimer.h"
#include "platform/ProcessList.h"

#include <algorithm>
#include <chrono>

namespace pivora::engine {

namespace {

constexpr int kPollMilliseconds = 50;
// Everything waiting is taken at each poll, up to this much, so a talkative child is never
// held back by the poll rate.
constexpr std::size_t kMaxReadPerPoll = 1 << 20;

} // namespace

std::string& WatchedProcessName()
{
    static std::string name;
    return name;
}

DOSOutputs::DOSOutputs(pivora::platform::EventPump& pump, UserMessages& messages)
    : m_pump(pump), m_messages(messages)
{
}

std::string DOSOutputs::ExecuteCommand(const std::string& commandLine)
{
    using pivora::platform::ChildProcess;
    using Clock = std::chrono::steady_clock;
    if (!commandLine.empty())
        m_commandLine = commandLine;
    m_stopRequested = false;
    m_lastRunStarted = false;
    m_lastRunStopped = false;
    m_lastExit = {};
    if (m_commandLine.empty()) {
        m_messages.ShowMessage("命令行为空", kProgramTitle, UserMessages::Icon::Error);
        return {};
    }

    ChildProcess::StartResult started = ChildProcess::Start(m_commandLine);
    if (started.Error == ChildProcess::StartError::PipeFailed) {
        m_messages.ShowMessage("创建管道失败. 错误: " + std::to_string(started.SystemError),
                               kProgramTitle, UserMessages::Icon::Error);
        return {};
    }
    if (!started.Process) {
        m_messages.ShowMessage("文件或命令未找到", kProgramTitle, UserMessages::Icon::Error);
        return {};
    }
    ChildProcess& child = *started.Process;
    const std::string program = child.ProgramPath();
    m_lastRunStarted = true;
    m_outputs.clear();

    clsWaitableTimer timer(m_pump);
    bool stopping = false;
    bool killed = false;
    Clock::time_point stopSince;
    while (true) {
        if (!stopping && (m_stopRequested || m_pump.Quitting()) && !child.HasExited()) {
            child.Terminate();
            stopping = true;
            stopSince = Clock::now();
        }
        if (stopping && !killed &&
            Clock::now() - stopSince >= std::chrono::milliseconds(kStopGraceMilliseconds) &&
            !child.HasExited()) {
            child.Kill();
            killed = true;
        }
        // A stopped child's last words do not matter, nor does whatever else holds its pipe.
        if (stopping && child.HasExited())
            break;
        const std::size_t waiting = child.BytesWaiting();
        if (waiting != 0) {
            std::string text;
            const bool read =
                child.Read(text, std::clamp<std::size_t>(waiting, 1024, kMaxReadPerPoll));
            m_outputs += text;
            if (ReceiveOutputs && !stopping)
                ReceiveOutputs(text);
            // A read that fails ends the run; a child being stopped is still waited for.
            if (!read && !stopping)
                break;
        } else if (child.HasExited() &&
                   !pivora::platform::IsProcessRunning(WatchedProcessName(), program) &&
                   child.BytesWaiting() == 0) {
            // The child is gone and wrote its last bytes before it went: the run is over.
            break;
        }
        const auto handles = child.WakeHandles();
        if (m_pump.Quitting()) {
            // The window's loops return at once now; wait on the child alone.
            pivora::platform::WaitForHandles(kPollMilliseconds, handles);
        } else {
            m_pump.ProcessEvents();
            timer.Wait(kPollMilliseconds, handles);
        }
    }
    child.HasExited();
    m_lastExit = child.Status();
    m_lastRunStopped = stopping;
    started.Process.reset();
    if (!stopping && CommandOver)
        CommandOver();
    return m_outputs;
}

} // namespace pivora::engine
