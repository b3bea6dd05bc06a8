#pragma once

#include "platform/EventPump.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace pivora::ui {

// Keeps the window alive during long work: pending events run, and a wait is a nested event
// loop that ends on its timer, on a ready handle, or when the application leaves its loops.
class QtEventPump : public pivora::platform::EventPump
{
public:
    QtEventPump();
    ~QtEventPump() override;

    void ProcessEvents() override;
    void Wait(int milliseconds, std::span<const pivora::platform::NativeHandle> wakeOn) override;
    bool Quitting() const override { return m_quitting; }
    void RequestQuit() { m_quitting = true; }
    void SetHeldUpWork(std::function<void()> work, int milliseconds) override;

private:
    struct PendingWait;
    // One call of this pump in progress.
    struct Call
    {
        int loopLevel = 0;           // the event loop level at which it runs the events
        PendingWait* wait = nullptr; // set for a wait
        // When it would have returned by itself: a call still there later is held up by a
        // loop that Qt does not count, such as a native dialog's.
        std::chrono::steady_clock::time_point due;
    };
    void RunHeldUpWork();

    bool m_quitting = false;
    std::vector<Call> m_calls; // innermost last
    std::function<void()> m_heldUpWork;
    std::size_t m_workOwnerDepth = 0; // the owner's calls are m_calls[m_workOwnerDepth]
    bool m_inHeldUpWork = false;
    std::unique_ptr<QTimer> m_heldUpTimer;
};

} // namespace pivora::ui
