#include "app/cli/Console.h"

#include "platform/win32/WinText.h"

#include <windows.h>

#include <shellapi.h>

namespace pivora::cli {

namespace {

DWORD g_writeError = 0;

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode);
}

std::string ErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? pivora::platform::win32::Utf8(std::wstring_view(text, length))
                                 : "error " + std::to_string(error);
    if (text)
        ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' '))
        message.pop_back();
    return message;
}

// A console takes the text as characters, whatever its code page; a file or a pipe gets UTF-8.
bool WriteTo(DWORD which, std::string_view text)
{
    const HANDLE handle = ::GetStdHandle(which);
    if (IsConsole(handle)) {
        const std::wstring wide = pivora::platform::win32::Wide(text);
        DWORD wrote = 0;
        if (!::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &wrote,
                             nullptr)) {
            g_writeError = ::GetLastError();
            return false;
        }
        return true;
    }
    while (!text.empty()) {
        DWORD wrote = 0;
        if (!::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr) ||
            wrote == 0) {
            g_writeError = ::GetLastError();
            return false;
        }
        text.remove_prefix(wrote);
    }
    return true;
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

bool OutputIsTerminal()
{
    return IsConsole(::GetStdHandle(STD_OUTPUT_HANDLE));
}

int TerminalColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info))
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

bool WriteError(std::string_view text)
{
    return WriteTo(STD_ERROR_HANDLE, text);
}

bool WriteOutput(std::string_view text)
{
    return WriteTo(STD_OUTPUT_HANDLE, text);
}

std::string WriteProblem()
{
    return ErrorText(g_writeError);
}

bool ReadWholeInput(const std::string& name, std::string& text, std::string& problem)
{
    const bool standard = name == "-";
    const HANDLE file = standard
                            ? ::GetStdHandle(STD_INPUT_HANDLE)
                            : ::CreateFileW(pivora::platform::win32::Wide(name).c_str(),
                                            GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || file == nullptr) {
        problem = ErrorText(::GetLastError());
        return false;
    }
    char buffer[65536];
    bool read = true;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            // A pipe whose writer has closed it is at its end.
            if (const DWORD error = ::GetLastError(); error != ERROR_BROKEN_PIPE) {
                problem = ErrorText(error);
                read = false;
            }
            break;
        }
        if (got == 0)
            break;
        text.append(buffer, got);
    }
    if (!standard)
        ::CloseHandle(file);
    return read;
}

bool ConverterTakesCodePageNames()
{
    return true;
}

} // namespace pivora::cli
