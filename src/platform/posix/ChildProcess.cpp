#include "platform/ChildProcess.h"

#include "platform/CommandLineRules.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pivora::platform {

namespace {

bool IsExecutableFile(const std::string& path)
{
    struct stat info
    {
    };
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// A program named without a folder is looked up on PATH, as process creation looks in the
// system's folders.
std::string ResolveProgram(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return IsExecutableFile(program) ? program : std::string();
    const char* pathVariable = std::getenv("PATH");
    std::string path = pathVariable ? pathVariable : "/usr/bin:/bin";
    std::size_t begin = 0;
    while (begin <= path.size()) {
        std::size_t end = path.find(':', begin);
        if (end == std::string::npos)
            end = path.size();
        const std::string folder = end > begin ? path.substr(begin, end - begin) : ".";
        const std::string candidate = folder + "/" + program;
        if (IsExecutableFile(candidate))
            return candidate;
        begin = end + 1;
    }
    return {};
}

int OpenPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#endif
    (void)pid;
    return -1;
}

class PosixChildProcess final : public ChildProcess
{
public:
    PosixChildProcess(pid_t pid, int readFd, std::string program)
        : m_pid(pid), m_readFd(readFd), m_pidFd(OpenPidFd(pid)), m_program(std::move(program))
    {
    }

    ~PosixChildProcess() override
    {
        ::close(m_readFd);
        if (m_pidFd >= 0)
            ::close(m_pidFd);
        // A child still running is left to run; it ends with the program at the latest. One
        // that has ended is reaped so that it does not linger as a zombie.
        HasExited();
    }

    std::size_t BytesWaiting() override
    {
        int waiting = 0;
        if (::ioctl(m_readFd, FIONREAD, &waiting) != 0)
            waiting = 0;
        if (waiting == 0 && !m_pipeAtEnd) {
            pollfd probe{m_readFd, POLLIN, 0};
            if (::poll(&probe, 1, 0) == 1 && (probe.revents & (POLLHUP | POLLIN | POLLERR)) &&
                ::ioctl(m_readFd, FIONREAD, &waiting) == 0 && waiting == 0)
                m_pipeAtEnd = true;
        }
        return static_cast<std::size_t>(waiting);
    }

    bool Read(std::string& out, std::size_t maxBytes) override
    {
        std::string buffer(maxBytes, '\0');
        ssize_t got;
        do {
            got = ::read(m_readFd, buffer.data(), buffer.size());
        } while (got < 0 && errno == EINTR);
        if (got <= 0) {
            out.clear();
            return false;
        }
        buffer.resize(static_cast<std::size_t>(got));
        out = std::move(buffer);
        return true;
    }

    bool HasExited() override
    {
        if (m_ended)
            return true;
        int status = 0;
        pid_t done;
        do {
            done = ::waitpid(m_pid, &status, WNOHANG);
        } while (done < 0 && errno == EINTR);
        if (done == m_pid) {
            m_ended = true;
            m_status.Known = true;
            m_status.Exited = WIFEXITED(status);
            m_status.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            m_status.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        } else if (done < 0 && errno == ECHILD) {
            // Collected by someone else, or by the system when SIGCHLD is ignored: it has
            // ended, and how is not known.
            m_ended = true;
        }
        if (m_ended && m_pidFd >= 0) {
            ::close(m_pidFd);
            m_pidFd = -1;
        }
        return m_ended;
    }

    ExitStatus Status() const override { return m_status; }

    void Terminate() override { Send(SIGTERM); }
    void Kill() override { Send(SIGKILL); }
    std::string ProgramPath() const override { return m_program; }
    long Id() const override { return m_pid; }

    std::vector<NativeHandle> WakeHandles() const override
    {
        std::vector<NativeHandle> handles;
        if (!m_pipeAtEnd)
            handles.push_back(m_readFd);
        if (m_pidFd >= 0)
            handles.push_back(m_pidFd);
        return handles;
    }

private:
    void Send(int signal)
    {
        if (HasExited())
            return;
#ifdef SYS_pidfd_send_signal
        // Through the pidfd the signal can only reach this child, even once its id is free.
        if (m_pidFd >= 0 && ::syscall(SYS_pidfd_send_signal, m_pidFd, signal, nullptr, 0) == 0)
            return;
#endif
        ::kill(m_pid, signal);
    }

    pid_t m_pid;
    int m_readFd;
    int m_pidFd;
    std::string m_program;
    bool m_pipeAtEnd = false;
    bool m_ended = false;
    ExitStatus m_status;
};

} // namespace

ChildProcess::StartResult ChildProcess::Start(const std::string& commandLine)
{
    StartResult result;
    std::string resolved;
    const ProgramAndArguments split = SplitProgram(commandLine, [&](const std::string& candidate) {
        resolved = ResolveProgram(candidate);
        return !resolved.empty();
    });
    if (split.Program.empty()) {
        result.Error = StartError::NotFound;
        result.SystemError = ENOENT;
        return result;
    }

    std::vector<std::string> arguments = SplitArguments(split.ArgumentText);
    arguments.insert(arguments.begin(), split.Program);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        result.Error = StartError::PipeFailed;
        result.SystemError = errno;
        return result;
    }
    // Tells the parent why the program could not be run; closed by a successful exec.
    int failure[2];
    if (::pipe2(failure, O_CLOEXEC) != 0) {
        result.Error = StartError::PipeFailed;
        result.SystemError = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        return result;
    }
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t parent = ::getpid();

    // Between fork and exec only calls that are safe in a child of a threaded program.
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Default handling for the signals the window toolkit or a launcher may have changed,
        // and nothing blocked.
        struct sigaction defaults
        {
        };
        defaults.sa_handler = SIG_DFL;
        for (const int signal : {SIGPIPE, SIGINT, SIGTERM, SIGCHLD})
            ::sigaction(signal, &defaults, nullptr);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        // The child dies with the program, however the program ends: a converter left
        // without it would go on writing a file that is never finished. A program already
        // gone before this was set is noticed too. (The signal follows the thread that
        // started the child: every child is started from the program's main thread.)
        // A system that refuses the request still runs the child.
        int error = 0;
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            error = ECHILD;
        if (error == 0 && (devNull < 0 || ::dup2(devNull, 0) < 0 || ::dup2(fds[1], 1) < 0 ||
                           ::dup2(fds[1], 2) < 0))
            error = errno;
        // dup2 onto the descriptor itself (a program started with 0, 1 or 2 closed) leaves
        // close-on-exec set.
        for (int standard = 0; error == 0 && standard <= 2; ++standard)
            ::fcntl(standard, F_SETFD, 0);
        if (error == 0) {
            ::execve(resolved.c_str(), argv.data(), environ);
            error = errno;
        }
        while (::write(failure[1], &error, sizeof error) < 0 && errno == EINTR) {
        }
        ::_exit(127);
    }
    const int forkError = pid < 0 ? errno : 0;
    ::close(fds[1]);
    ::close(failure[1]);
    if (devNull >= 0)
        ::close(devNull);
    int execError = 0;
    if (pid > 0) {
        ssize_t got;
        do {
            got = ::read(failure[0], &execError, sizeof execError);
        } while (got < 0 && errno == EINTR);
        if (got != static_cast<ssize_t>(sizeof execError))
            execError = 0;
    }
    ::close(failure[0]);
    if (pid < 0 || execError != 0) {
        if (pid > 0) {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        ::close(fds[0]);
        result.Error = StartError::NotFound;
        result.SystemError = pid < 0 ? forkError : execError;
        return result;
    }
    result.Process = std::make_unique<PosixChildProcess>(pid, fds[0], resolved);
    return result;
}

} // namespace pivora::platform
