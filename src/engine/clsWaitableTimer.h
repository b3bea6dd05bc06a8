#pragma once

#include "platform/EventPump.h"

#include <span>

namespace pivora::engine {

// Pauses for a number of milliseconds while window messages keep being processed.
class clsWaitableTimer
{
public:
    explicit clsWaitableTimer(pivora::platform::EventPump& pump) : m_pump(pump) {}

    // Returns when the time has passed, or earlier when one of `wakeOn` is ready.
    // Wait(0) returns after one pass of message processing.
    void Wait(int MilliSeconds, std::span<const pivora::platform::NativeHandle> wakeOn = {});

private:
    pivora::platform::EventPump& m_pump;
};

} // namespace pivora::engine
