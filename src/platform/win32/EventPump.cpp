#include "platform/EventPump.h"

#include <windows.h>

#include <vector>

namespace pivora::platform {

void WaitForHandles(int milliseconds, std::span<const NativeHandle> handles)
{
    if (milliseconds <= 0)
        return;
    std::vector<HANDLE> waitOn;
    for (const NativeHandle handle : handles)
        waitOn.push_back(reinterpret_cast<HANDLE>(handle));
    if (waitOn.empty())
        ::Sleep(static_cast<DWORD>(milliseconds));
    else
        ::WaitForMultipleObjects(static_cast<DWORD>(waitOn.size()), waitOn.data(), FALSE,
                                 static_cast<DWORD>(milliseconds));
}

void PlainEventPump::Wait(int milliseconds, std::span<const NativeHandle> wakeOn)
{
    ProcessEvents();
    if (milliseconds <= 0)
        return;
    // A waitable timer of its own for every wait, so that nested waits never share one.
    HANDLE timer = ::CreateWaitableTimerA(nullptr, TRUE, nullptr);
    if (!timer) {
        ::Sleep(static_cast<DWORD>(milliseconds));
        return;
    }
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(milliseconds) * 10000;
    ::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
    std::vector<HANDLE> handles{timer};
    for (const NativeHandle handle : wakeOn)
        handles.push_back(reinterpret_cast<HANDLE>(handle));
    while (true) {
        const DWORD woke = ::MsgWaitForMultipleObjects(
            static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0 + handles.size()) {
            // Window messages: let them run, then go on waiting.
            MSG message;
            while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
            ProcessEvents();
            continue;
        }
        break; // the timer, a handle, or a failure of the wait itself
    }
    ::CloseHandle(timer);
}

} // namespace pivora::platform
