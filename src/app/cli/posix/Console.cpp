#include "app/cli/Console.h"

#include <cerrno>
#include <csignal>
#include <sys/ioctl.h>
#include <unistd.h>

namespace pivora::cli {

namespace {

void WriteWhole(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t wrote = ::write(fd, text.data(), text.size());
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(wrote));
    }
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

int TerminalColumns()
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0)
        return size.ws_col;
    return 0;
}

void WriteError(std::string_view text)
{
    WriteWhole(STDERR_FILENO, text);
}

void WriteOutput(std::string_view text)
{
    WriteWhole(STDOUT_FILENO, text);
}

bool ConverterTakesCodePageNames()
{
    return false;
}

} // namespace pivora::cli
