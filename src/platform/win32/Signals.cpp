#include "platform/Signals.h"

#include <windows.h>

namespace pivora::platform {

namespace {

HANDLE g_request = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD type)
{
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        ::SetEvent(g_request);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The system ends the process as soon as this returns: give the window the time the
        // system allows to stop the batch; the process ends when the window is done.
        ::SetEvent(g_request);
        ::Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void ResetInheritedSignals() {}

NativeHandle WatchShutdownRequests()
{
    if (!g_request) {
        g_request = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!g_request)
            return kInvalidHandle;
        ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    }
    return reinterpret_cast<NativeHandle>(g_request);
}

bool TakeShutdownRequest()
{
    if (!g_request || ::WaitForSingleObject(g_request, 0) != WAIT_OBJECT_0)
        return false;
    ::ResetEvent(g_request);
    return true;
}

} // namespace pivora::platform
