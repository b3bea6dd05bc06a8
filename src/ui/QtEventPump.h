#pragma once

#include "platform/EventPump.h"
#include "window/HeldUpCalls.h"

#include <chrono>
#include <functional>
#include <memory>

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
    void RunHeldUpWork();

    bool m_quitting = false;
    pivora::window::HeldUpCalls m_calls;
    std::unique_ptr<QTimer> m_heldUpTimer;
};

} // namespace pivora::ui
