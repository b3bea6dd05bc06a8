#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

namespace pivora::window {

// The bookkeeping of a window's event pump for EventPump::SetHeldUpWork: which calls of the
// pump are in progress, and whether the owner's call is held up by something the events
// started (a dialog, a menu, a long handler) so that its work must run from the pump's timer.
// Each window keeps its own loop and timer; this decides.
class HeldUpCalls
{
public:
    using Clock = std::chrono::steady_clock;
    struct Call
    {
        Clock::time_point Due;      // when it would have returned by itself
        int Level = 0;              // the toolkit's loop level it runs at, if it counts them
        std::function<void()> Wake; // makes a waiting call return as soon as it can
    };

    // A call of the pump begins and ends.
    void Enter(Call call) { m_calls.push_back(std::move(call)); }
    void Leave() { m_calls.pop_back(); }
    const Call& Innermost() const { return m_calls.back(); }
    bool Inside() const { return !m_calls.empty(); }

    // The work of the calls in progress now (their owner); empty ends it.
    void SetWork(std::function<void()> work);
    bool HasWork() const { return static_cast<bool>(m_work); }

    // From the pump's timer: runs the work when the owner is inside one of its calls and that
    // call is held up: something runs inside it (another call of the pump, or a loop of the
    // toolkit's own, `nestedLoop`), or it is past its time. Every call in progress is woken
    // first, so that it returns as soon as it can. Never runs the work inside itself.
    bool RunIfHeldUp(bool nestedLoop);
    // How many times the work has run: a wait that sees it change returns, since the work may
    // have closed what it waits on.
    unsigned Runs() const { return m_runs; }

private:
    std::vector<Call> m_calls; // innermost last
    std::function<void()> m_work;
    std::size_t m_ownerDepth = 0; // the owner's calls are m_calls[m_ownerDepth]
    bool m_running = false;
    unsigned m_runs = 0;
};

} // namespace pivora::window
