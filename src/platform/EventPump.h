#pragma once

#include "platform/NativeHandle.h"

#include <functional>
#include <memory>
#include <span>

namespace pivora::platform {

// Lets pending window messages run while long work goes on. The window supplies the
// Qt implementation; the core and its tests use the plain one.
class EventPump
{
public:
    virtual ~EventPump() = default;

    // Runs the events that are waiting now, then returns.
    virtual void ProcessEvents() = 0;

    // Waits up to `milliseconds` while events keep flowing. Returns early as soon as one of
    // `wakeOn` becomes ready (readable, or signalled), so a waiter is never held back.
    virtual void Wait(int milliseconds, std::span<const NativeHandle> wakeOn) = 0;

    // True once the program is shutting down; long work must then stop waiting.
    virtual bool Quitting() const = 0;

    // Work that must not stop while one of the caller's own calls of this pump is held up by
    // something the events started: a dialog, a menu or a long handler with a loop of its
    // own. It is called about every `milliseconds` while that lasts, never while the caller
    // is between calls, until another call replaces it (an empty one ends it). A pump whose
    // events cannot hold a call up has nothing to do.
    virtual void SetHeldUpWork(std::function<void()> work, int milliseconds)
    {
        (void)work;
        (void)milliseconds;
    }
};

// Blocks until one of `handles` is ready or the time has passed, without running any events:
// for waits that must not let the window act, such as the last moments before the program ends.
void WaitForHandles(int milliseconds, std::span<const NativeHandle> handles);

// An event pump without a window: ProcessEvents runs `onProcessEvents` (if any), Wait blocks
// on the handles with the operating system's wait call.
class PlainEventPump : public EventPump
{
public:
    std::function<void()> onProcessEvents;

    void ProcessEvents() override;
    void Wait(int milliseconds, std::span<const NativeHandle> wakeOn) override;
    bool Quitting() const override { return m_quitting; }
    void RequestQuit() { m_quitting = true; }

private:
    bool m_quitting = false;
};

} // namespace pivora::platform
