#pragma once

#include "platform/EventPump.h"
#include "window/HeldUpCalls.h"

#include <windows.h>

#include <functional>

namespace pivora::win32ui {

// Keeps the window alive during long work: waiting window messages are dispatched (through the
// window's keyboard handling), and a wait sleeps in MsgWaitForMultipleObjects until its time is
// up, a handle is ready or the program quits. A dialog or a menu opened from inside a call runs
// a loop of its own; the held-up work then runs from a thread timer, which every such loop
// dispatches.
class Win32EventPump : public pivora::platform::EventPump
{
public:
    // Gives the window the first look at a message (Tab, Enter, the keyboard's commands);
    // true when it took it.
    std::function<bool(MSG&)> preTranslate;

    Win32EventPump();
    ~Win32EventPump() override;

    void ProcessEvents() override;
    void Wait(int milliseconds, std::span<const pivora::platform::NativeHandle> wakeOn) override;
    bool Quitting() const override { return m_quitting; }
    void RequestQuit() { m_quitting = true; }
    void SetHeldUpWork(std::function<void()> work, int milliseconds) override;

    // Dispatches one message as the main loop does.
    void Dispatch(MSG& message);

private:
    // Runs the messages waiting now; false when WM_QUIT came.
    bool RunWaiting();
    static void CALLBACK OnHeldUpTimer(HWND, UINT, UINT_PTR, DWORD);

    bool m_quitting = false;
    // The calls in progress, and when the owner's is held up. A dialog's own loop is not
    // counted here: a call held up by one is past its time.
    pivora::window::HeldUpCalls m_calls;
    UINT_PTR m_heldUpTimer = 0;
};

} // namespace pivora::win32ui
