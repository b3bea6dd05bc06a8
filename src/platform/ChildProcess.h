#pragma once

#include "platform/NativeHandle.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace pivora::platform {

// How a child process ended, as far as it is known.
struct ExitStatus
{
    bool Known = false;  // the child was waited for and its status read
    bool Exited = false; // it returned from main or called exit
    int Code = -1;       // exit code when Exited
    int Signal = 0;      // terminating signal (POSIX) when it did not exit by itself
};

// One hidden console child with its standard output and standard error in one pipe and
// no standard input.
class ChildProcess
{
public:
    enum class StartError { None, PipeFailed, NotFound };

    struct StartResult
    {
        std::unique_ptr<ChildProcess> Process;
        StartError Error = StartError::None;
        int SystemError = 0;
    };

    // Starts the command line as the system's process creation would take it: the program
    // (quoted, or unquoted and resolved as Windows resolves a path with blanks) and its
    // arguments by the Windows command-line rules. No shell is involved.
    static StartResult Start(const std::string& commandLine);

    virtual ~ChildProcess() = default;

    // Bytes waiting in the pipe, without reading or blocking.
    virtual std::size_t BytesWaiting() = 0;
    // Reads what is waiting, at most `maxBytes`. False when the read failed.
    virtual bool Read(std::string& out, std::size_t maxBytes) = 0;
    // Collects the child's exit if it has ended; true once it has. A child whose status was
    // taken by someone else (SIGCHLD ignored) has ended too, with a status that is not Known.
    virtual bool HasExited() = 0;
    virtual ExitStatus Status() const = 0;
    // Asks the child to end (POSIX: SIGTERM), and ends it without asking (SIGKILL). On Windows
    // both terminate it. Nothing happens once it has ended.
    virtual void Terminate() = 0;
    virtual void Kill() = 0;
    // The executable the child was started from, as the system found it.
    virtual std::string ProgramPath() const = 0;
    // The system's id of the child.
    virtual long Id() const = 0;
    // Objects whose readiness means there may be something new to do: output or an exit.
    virtual std::vector<NativeHandle> WakeHandles() const = 0;
};

} // namespace pivora::platform
