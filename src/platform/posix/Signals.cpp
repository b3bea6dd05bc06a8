#include "platform/Signals.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace pivora::platform {

namespace {

// The self-pipe: the handler only writes a byte; the event loop sees the read end ready.
std::array<int, 2> g_requests{-1, -1};

extern "C" void OnShutdownSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t wrote = ::write(g_requests[1], &byte, 1);
    errno = saved;
}

} // namespace

void ResetInheritedSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGCHLD, &action, nullptr);
    sigset_t children;
    sigemptyset(&children);
    sigaddset(&children, SIGCHLD);
    ::sigprocmask(SIG_UNBLOCK, &children, nullptr);
}

NativeHandle WatchShutdownRequests()
{
    if (g_requests[0] >= 0)
        return g_requests[0];
    if (::pipe2(g_requests.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        g_requests = {-1, -1};
        return kInvalidHandle;
    }
    struct sigaction action
    {
    };
    action.sa_handler = OnShutdownSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        // A signal the program was started with ignored (nohup) stays ignored.
        struct sigaction inherited
        {
        };
        if (::sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
    return g_requests[0];
}

bool TakeShutdownRequest()
{
    if (g_requests[0] < 0)
        return false;
    bool requested = false;
    char bytes[64];
    while (::read(g_requests[0], bytes, sizeof bytes) > 0)
        requested = true;
    return requested;
}

} // namespace pivora::platform
