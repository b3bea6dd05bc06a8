#include "win32ui/Win32EventPump.h"

#include <algorithm>

namespace pivora::win32ui {

namespace {

// How long past its time a call of the pump may take before it counts as held up.
constexpr auto kSlack = std::chrono::milliseconds(100);

// The pump's thread timer calls back without an object; there is one pump per program.
Win32EventPump* g_pump = nullptr;

} // namespace

Win32EventPump::Win32EventPump()
{
    g_pump = this;
}

Win32EventPump::~Win32EventPump()
{
    if (m_heldUpTimer)
        ::KillTimer(nullptr, m_heldUpTimer);
    g_pump = nullptr;
}

void Win32EventPump::Dispatch(MSG& message)
{
    if (preTranslate && preTranslate(message))
        return;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

bool Win32EventPump::RunWaiting()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The main loop must see it too.
            m_quitting = true;
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        Dispatch(message);
    }
    return true;
}

void Win32EventPump::ProcessEvents()
{
    if (m_quitting)
        return;
    m_calls.Enter({std::chrono::steady_clock::now() + kSlack, 0, nullptr});
    RunWaiting();
    m_calls.Leave();
}

void Win32EventPump::Wait(int milliseconds, std::span<const pivora::platform::NativeHandle> wakeOn)
{
    if (m_quitting)
        return;
    if (milliseconds <= 0) {
        ProcessEvents();
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::milliseconds(milliseconds);
    // Woken, it returns as soon as its dialog's loop lets it.
    bool woken = false;
    m_calls.Enter({end + kSlack, 0, [&woken] { woken = true; }});
    std::vector<HANDLE> handles;
    for (const pivora::platform::NativeHandle handle : wakeOn)
        handles.push_back(reinterpret_cast<HANDLE>(handle));
    while (!m_quitting && !woken) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end)
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(
            static_cast<DWORD>(handles.size()), handles.empty() ? nullptr : handles.data(),
            static_cast<DWORD>(std::max<long long>(1, left.count())), QS_ALLINPUT,
            MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 + handles.size()) {
            // Work done while a dialog held this wait up may have closed its handles: a woken
            // wait looks at them no more.
            if (!RunWaiting())
                break;
            continue;
        }
        break; // the time, a handle, or a failure of the wait itself
    }
    m_calls.Leave();
}

void Win32EventPump::SetHeldUpWork(std::function<void()> work, int milliseconds)
{
    m_calls.SetWork(std::move(work));
    if (m_heldUpTimer) {
        ::KillTimer(nullptr, m_heldUpTimer);
        m_heldUpTimer = 0;
    }
    if (m_calls.HasWork())
        m_heldUpTimer = ::SetTimer(nullptr, 0, static_cast<UINT>(std::max(1, milliseconds)),
                                   &Win32EventPump::OnHeldUpTimer);
}

void CALLBACK Win32EventPump::OnHeldUpTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_pump)
        g_pump->m_calls.RunIfHeldUp(false);
}

} // namespace pivora::win32ui
