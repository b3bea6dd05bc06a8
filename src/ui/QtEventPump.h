#pragma once

#include "platform/EventPump.h"

namespace pivora::ui {

// Keeps the window alive during long work: pending events run, and a wait is a nested event
// loop that ends on its timer, on a ready handle, or when the application leaves its loops.
class QtEventPump : public pivora::platform::EventPump
{
public:
    void ProcessEvents() override;
    void Wait(int milliseconds, std::span<const pivora::platform::NativeHandle> wakeOn) override;
    bool Quitting() const override { return m_quitting; }
    void RequestQuit() { m_quitting = true; }

private:
    bool m_quitting = false;
};

} // namespace pivora::ui
