#include "app/cli/Console.h"

#include "platform/win32/WinText.h"

#include <windows.h>

#include <shellapi.h>

namespace pivora::cli {

namespace {

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode);
}

// A console takes the text as characters, whatever its code page; a file or a pipe gets UTF-8.
void WriteTo(DWORD which, std::string_view text)
{
    const HANDLE handle = ::GetStdHandle(which);
    if (IsConsole(handle)) {
        const std::wstring wide = pivora::platform::win32::Wide(text);
        DWORD wrote = 0;
        ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &wrote, nullptr);
        return;
    }
    while (!text.empty()) {
        DWORD wrote = 0;
        if (!::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr) ||
            wrote == 0)
            return;
        text.remove_prefix(wrote);
    }
}

} // namespace

std::vector<std::string> ProgramArguments(int, char**)
{
    // The narrow arguments hold only what the code page can: the wide ones are the names.
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(pivora::platform::win32::Utf8(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

void PrepareStreams() {}

bool ErrorIsTerminal()
{
    return IsConsole(::GetStdHandle(STD_ERROR_HANDLE));
}

int TerminalColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info))
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

void WriteError(std::string_view text)
{
    WriteTo(STD_ERROR_HANDLE, text);
}

void WriteOutput(std::string_view text)
{
    WriteTo(STD_OUTPUT_HANDLE, text);
}

bool ConverterTakesCodePageNames()
{
    return true;
}

} // namespace pivora::cli
