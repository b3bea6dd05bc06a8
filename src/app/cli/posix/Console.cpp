#include "app/cli/Console.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace pivora::cli {

namespace {

int g_writeErrno = 0;

bool WriteWhole(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t wrote = ::write(fd, text.data(), text.size());
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            g_writeErrno = wrote < 0 ? errno : EIO;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return true;
}

} // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

void PrepareStreams()
{
    // A closed descriptor 1 or 2 would go to the next file or pipe opened, and the program's
    // messages into it. The lowest free descriptor is the one taken, so they fill in order.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
    // `pivora-cli --json | head -1` must not kill the batch halfway through a file.
    struct sigaction ignore
    {
    };
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

bool ErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

bool OutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

int TerminalColumns()
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0)
        return size.ws_col;
    return 0;
}

bool WriteError(std::string_view text)
{
    return WriteWhole(STDERR_FILENO, text);
}

bool WriteOutput(std::string_view text)
{
    return WriteWhole(STDOUT_FILENO, text);
}

std::string WriteProblem()
{
    return std::strerror(g_writeErrno);
}

bool ReadWholeInput(const std::string& name, std::string& text, std::string& problem)
{
    const bool standard = name == "-";
    const int fd = standard ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        problem = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    bool read = true;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            problem = std::strerror(errno);
            read = false;
        }
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    if (!standard)
        ::close(fd);
    return read;
}

bool ConverterTakesCodePageNames()
{
    return false;
}

} // namespace pivora::cli
