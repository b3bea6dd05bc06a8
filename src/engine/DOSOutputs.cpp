#include "engine/DOSOutputs.h"

#include "engine/clsWaitableTimer.h"
#include "platform/ProcessList.h"

#include <algorithm>

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
    if (!Begin(commandLine))
        return {};
    clsWaitableTimer timer(m_pump);
    while (Poll()) {
        const auto handles = WakeHandles();
        if (m_pump.Quitting()) {
            // The window's loops return at once now; wait on the child alone.
            pivora::platform::WaitForHandles(kPollMilliseconds, handles);
        } else {
            m_pump.ProcessEvents();
            timer.Wait(kPollMilliseconds, handles);
        }
    }
    return m_outputs;
}

bool DOSOutputs::Begin(const std::string& commandLine)
{
    using pivora::platform::ChildProcess;
    if (!commandLine.empty())
        m_commandLine = commandLine;
    m_child.reset();
    m_stopRequested = false;
    m_stopping = false;
    m_killed = false;
    m_lastRunStarted = false;
    m_lastRunStopped = false;
    m_lastExit = {};
    if (m_commandLine.empty()) {
        m_messages.ShowMessage(
            m_messages.Translate(PIVORA_TRANSLATE_NOOP("CoreTexts", "命令行为空")), kProgramTitle,
            UserMessages::Icon::Error);
        return false;
    }

    ChildProcess::StartResult started = ChildProcess::Start(m_commandLine);
    if (started.Error == ChildProcess::StartError::PipeFailed) {
        m_messages.ShowMessage(WithArgument(m_messages.Translate(PIVORA_TRANSLATE_NOOP(
                                                "CoreTexts", "创建管道失败. 错误: %1")),
                                            std::to_string(started.SystemError)),
                               kProgramTitle, UserMessages::Icon::Error);
        return false;
    }
    if (!started.Process) {
        m_messages.ShowMessage(
            m_messages.Translate(PIVORA_TRANSLATE_NOOP("CoreTexts", "文件或命令未找到")),
            kProgramTitle, UserMessages::Icon::Error);
        return false;
    }
    m_child = std::move(started.Process);
    m_program = m_child->ProgramPath();
    m_lastRunStarted = true;
    m_outputs.clear();
    return true;
}

std::vector<pivora::platform::NativeHandle> DOSOutputs::WakeHandles() const
{
    return m_child ? m_child->WakeHandles() : std::vector<pivora::platform::NativeHandle>{};
}

bool DOSOutputs::Poll()
{
    using Clock = std::chrono::steady_clock;
    if (!m_child)
        return false;
    pivora::platform::ChildProcess& child = *m_child;
    if (!m_stopping && (m_stopRequested || m_pump.Quitting()) && !child.HasExited()) {
        child.Terminate();
        m_stopping = true;
        m_stopSince = Clock::now();
    }
    if (m_stopping && !m_killed &&
        Clock::now() - m_stopSince >= std::chrono::milliseconds(kStopGraceMilliseconds) &&
        !child.HasExited()) {
        child.Kill();
        m_killed = true;
    }
    bool over = false;
    // A stopped child's last words do not matter, nor does whatever else holds its pipe.
    if (m_stopping && child.HasExited()) {
        over = true;
    } else if (const std::size_t waiting = child.BytesWaiting(); waiting != 0) {
        std::string text;
        const bool read = child.Read(text, std::clamp<std::size_t>(waiting, 1024, kMaxReadPerPoll));
        m_outputs += text;
        if (ReceiveOutputs && !m_stopping)
            ReceiveOutputs(text);
        // A read that fails ends the run; a child being stopped is still waited for.
        over = !read && !m_stopping;
    } else if (child.HasExited() &&
               (m_ownChildOnly ||
                !pivora::platform::IsProcessRunning(WatchedProcessName(), m_program)) &&
               child.BytesWaiting() == 0) {
        // The child is gone and wrote its last bytes before it went: the run is over.
        over = true;
    }
    if (!over)
        return true;

    child.HasExited();
    m_lastExit = child.Status();
    m_lastRunStopped = m_stopping;
    m_child.reset();
    if (!m_lastRunStopped && CommandOver)
        CommandOver();
    return false;
}

} // namespace pivora::engine
