#include "window/HeldUpCalls.h"

namespace pivora::window {

void HeldUpCalls::SetWork(std::function<void()> work)
{
    m_work = std::move(work);
    m_ownerDepth = m_calls.size();
}

bool HeldUpCalls::RunIfHeldUp(bool nestedLoop)
{
    // The owner is between calls, and does the work itself.
    if (!m_work || m_running || m_calls.size() <= m_ownerDepth)
        return false;
    // In its own call, with nothing nested inside, the owner's call ends in time by itself.
    if (m_calls.size() == m_ownerDepth + 1 && !nestedLoop && Clock::now() <= m_calls.back().Due)
        return false;
    for (const Call& call : m_calls) {
        if (call.Wake)
            call.Wake();
    }
    ++m_runs;
    m_running = true;
    const std::function<void()> work = m_work;
    work();
    m_running = false;
    return true;
}

} // namespace pivora::window
