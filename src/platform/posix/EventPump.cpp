#include "platform/EventPump.h"

#include <cerrno>
#include <poll.h>
#include <vector>

namespace pivora::platform {

void WaitForHandles(int milliseconds, std::span<const NativeHandle> handles)
{
    if (milliseconds <= 0)
        return;
    std::vector<pollfd> fds;
    for (NativeHandle handle : handles)
        fds.push_back({static_cast<int>(handle), POLLIN, 0});
    while (::poll(fds.data(), fds.size(), milliseconds) < 0 && errno == EINTR) {
    }
}

void PlainEventPump::Wait(int milliseconds, std::span<const NativeHandle> wakeOn)
{
    ProcessEvents();
    WaitForHandles(milliseconds, wakeOn);
}

} // namespace pivora::platform
