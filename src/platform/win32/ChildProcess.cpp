#include "platform/ChildProcess.h"

#include "platform/win32/WinText.h"

#include <windows.h>

#include <iterator>
#include <utility>
#include <vector>

namespace pivora::platform {

namespace {

class WinChildProcess final : public ChildProcess
{
public:
    WinChildProcess(HANDLE readEnd, const PROCESS_INFORMATION& info)
        : m_readEnd(readEnd), m_process(info.hProcess), m_thread(info.hThread)
    {
    }

    ~WinChildProcess() override
    {
        HasExited();
        ::CloseHandle(m_process);
        ::CloseHandle(m_thread);
        ::CloseHandle(m_readEnd);
    }

    std::size_t BytesWaiting() override
    {
        // The size of an anonymous pipe is the number of bytes waiting in it. Some systems
        // (Wine among them) refuse the question; the pipe is then asked directly.
        const DWORD size = ::GetFileSize(m_readEnd, nullptr);
        if (size != INVALID_FILE_SIZE)
            return size;
        DWORD available = 0;
        if (!::PeekNamedPipe(m_readEnd, nullptr, 0, nullptr, &available, nullptr))
            return 0;
        return available;
    }

    bool Read(std::string& out, std::size_t maxBytes) override
    {
        std::string buffer(maxBytes, '\0');
        DWORD got = 0;
        if (!::ReadFile(m_readEnd, buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                        nullptr) ||
            got == 0) {
            out.clear();
            return false;
        }
        buffer.resize(got);
        // ffmpeg writes UTF-8 whatever the code page (it names files as it took them, in
        // UTF-8); other programs write in the code page. The program's text is UTF-8.
        out = win32::DecodeChildOutput(std::move(buffer), m_partial);
        return true;
    }

    bool HasExited() override
    {
        if (m_status.Known)
            return true;
        if (::WaitForSingleObject(m_process, 0) != WAIT_OBJECT_0)
            return false;
        DWORD code = 0;
        ::GetExitCodeProcess(m_process, &code);
        m_status.Known = true;
        m_status.Exited = true;
        m_status.Code = static_cast<int>(code);
        return true;
    }

    ExitStatus Status() const override { return m_status; }

    void Terminate() override
    {
        if (!HasExited())
            ::TerminateProcess(m_process, 1);
    }

    void Kill() override { Terminate(); }

    long Id() const override { return static_cast<long>(::GetProcessId(m_process)); }

    std::string ProgramPath() const override
    {
        wchar_t buffer[MAX_PATH * 4];
        DWORD size = static_cast<DWORD>(std::size(buffer));
        if (!::QueryFullProcessImageNameW(m_process, 0, buffer, &size))
            return {};
        return win32::Utf8(std::wstring_view(buffer, size));
    }

    std::vector<NativeHandle> WakeHandles() const override
    {
        // A pipe cannot be waited for; the process can.
        if (m_status.Known)
            return {};
        return {reinterpret_cast<NativeHandle>(m_process)};
    }

private:
    HANDLE m_readEnd;
    HANDLE m_process;
    HANDLE m_thread;
    ExitStatus m_status;
    std::string m_partial; // the start of a character the last read cut off
};

// The job every child joins: when the program ends, however it ends, the system closes the
// program's handle to it and ends every child still in it. Null when the system has none.
HANDLE ChildrenJob()
{
    static const HANDLE job = [] {
        HANDLE created = ::CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (created && !::SetInformationJobObject(created, JobObjectExtendedLimitInformation,
                                                  &limits, sizeof limits)) {
            ::CloseHandle(created);
            created = nullptr;
        }
        return created;
    }();
    return job;
}

} // namespace

ChildProcess::StartResult ChildProcess::Start(const std::string& commandLine)
{
    StartResult result;
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &security, 0)) {
        result.Error = StartError::PipeFailed;
        result.SystemError = static_cast<int>(::GetLastError());
        return result;
    }
    // Only the write end goes to the child; the read end, and this child's process and thread,
    // must not reach the children started after it.
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES; // 0x101
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = nullptr;

    // The command line goes to the system as text, in the code page, exactly as built.
    std::string line = win32::ToCodePage(commandLine);
    std::vector<char> mutableLine(line.begin(), line.end());
    mutableLine.push_back('\0');
    PROCESS_INFORMATION info{};
    // Started held, so that it is in the job before it can start anything of its own.
    const BOOL created = ::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE,
                                          NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED, nullptr,
                                          nullptr, &startup, &info);
    if (created != 1) {
        result.SystemError = static_cast<int>(::GetLastError());
        ::CloseHandle(readEnd);
        ::CloseHandle(writeEnd);
        result.Error = StartError::NotFound;
        return result;
    }
    ::CloseHandle(writeEnd);
    if (HANDLE job = ChildrenJob())
        ::AssignProcessToJobObject(job, info.hProcess);
    ::ResumeThread(info.hThread);
    result.Process = std::make_unique<WinChildProcess>(readEnd, info);
    return result;
}

} // namespace pivora::platform
