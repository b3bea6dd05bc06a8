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
    using pivora::platform::ChildProcess;
    if (!commandLine.empty())
        m_commandLine = commandLine;
    m_lastRunStarted = false;
    m_lastRunAbandoned = false;
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
    m_lastRunStarted = true;
    m_outputs.clear();

    clsWaitableTimer timer(m_pump);
    bool more = true;
    while (more) {
        if (m_pump.Quitting()) {
            m_lastRunAbandoned = true;
            break;
        }
        const std::size_t waiting = child.BytesWaiting();
        if (waiting != 0) {
            std::string text;
            more = child.Read(text, std::clamp<std::size_t>(waiting, 1024, kMaxReadPerPoll));
            m_outputs += text;
            if (ReceiveOutputs)
                ReceiveOutputs(text);
        } else if (child.HasExited() && !pivora::platform::IsProcessRunning(WatchedProcessName()) &&
                   child.BytesWaiting() == 0) {
            // The child is gone and wrote its last bytes before it went: the run is over.
            break;
        }
        if (!more)
            break;
        m_pump.ProcessEvents();
        const auto handles = child.WakeHandles();
        timer.Wait(kPollMilliseconds, handles);
    }
    child.HasExited();
    m_lastExit = child.Status();
    started.Process.reset();
    if (!m_lastRunAbandoned && CommandOver)
        CommandOver();
    return m_outputs;
}

} // namespace pivora::engine
