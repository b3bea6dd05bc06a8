// pivora.exe: the window for Windows.
#include "platform/FileSystem.h"
#include "win32ui/ResourceIds.h"
#include "win32ui/Texts.h"
#include "win32ui/frmMain.h"
#include "win32ui/frmOptions.h"
#include "win32ui/frmPreview.h"

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

// A second start hands its files to the running window and ends without a word.
bool HandToRunningWindow(const std::vector<std::string>& files)
{
    HWND running = nullptr;
    for (int i = 0; i < 50 && !running; ++i) {
        running = ::FindWindowW(PIVORA_MAIN_CLASS, nullptr);
        if (!running)
            ::Sleep(100); // the first start may still be making its window
    }
    if (!running)
        return false;
    std::string joined;
    for (const std::string& file : files)
        joined += file + '\0';
    if (!joined.empty()) {
        COPYDATASTRUCT data{PIVORA_COPYDATA_FILES, static_cast<DWORD>(joined.size()),
                            joined.data()};
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                              SMTO_ABORTIFHUNG, 5000, &result);
    }
    if (::IsIconic(running))
        ::ShowWindow(running, SW_RESTORE);
    ::SetForegroundWindow(running);
    return true;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    using namespace pivora::win32ui;
    // Files named on the command line join the list, made absolute so that a running window
    // can use them from its own folder.
    std::vector<std::string> files;
    int count = 0;
    if (wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            files.push_back(pivora::platform::AbsolutePath(Utf8(arguments[i])));
        ::LocalFree(arguments);
    }

    // One window per user session.
    HANDLE instanceMutex = ::CreateMutexW(nullptr, TRUE, L"Local\\Pivora.Window");
    if (instanceMutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        HandToRunningWindow(files);
        ::CloseHandle(instanceMutex);
        return 0;
    }

    // The shell's dialogs want a single-threaded apartment, and drag and drop wants OLE.
    ::OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    ::InitCommonControlsEx(&controls);
    SetLanguage(LanguageFromSystem());
    int exitCode = 0;
    {
        GdiplusSession gdiplus;
        frmMain::RegisterClasses(instance);
        frmOptions::RegisterClass();
        frmPreview::RegisterClass();
        frmMain window;
        if (!window.Create(showCommand))
            return 1;
        window.Logic().AddFiles(files);
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0)
            window.Pump().Dispatch(message);
        exitCode = static_cast<int>(message.wParam);
    }
    ::OleUninitialize();
    if (instanceMutex)
        ::CloseHandle(instanceMutex);
    return exitCode;
}
