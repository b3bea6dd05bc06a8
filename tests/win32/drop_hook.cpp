// Loaded into pivora.exe by window_probe's hook: makes a drop there as the system makes one
// for a window that accepts files, a DROPFILES block in the program's own global memory handed
// over in WM_DROPFILES. The block comes ready-made through a shared memory section.
#include <windows.h>

#include <cstring>

namespace {

UINT DropMessage()
{
    static const UINT message = ::RegisterWindowMessageW(L"PivoraTestDrop");
    return message;
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    DropHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == DropMessage()) {
        message->message = WM_NULL;
        HANDLE section = ::OpenFileMappingW(FILE_MAP_READ, FALSE, L"Local\\PivoraTestDrop");
        const void* view = section ? ::MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0) : nullptr;
        if (view) {
            SIZE_T size = 0;
            std::memcpy(&size, view, sizeof(size));
            HGLOBAL drop = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
            if (void* block = drop ? ::GlobalLock(drop) : nullptr) {
                std::memcpy(block, static_cast<const char*>(view) + sizeof(size), size);
                ::GlobalUnlock(drop);
                ::PostMessageW(message->hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
            }
            ::UnmapViewOfFile(view);
        }
        if (section)
            ::CloseHandle(section);
        if (HANDLE done = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Local\\PivoraTestDropDone")) {
            ::SetEvent(done);
            ::CloseHandle(done);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
