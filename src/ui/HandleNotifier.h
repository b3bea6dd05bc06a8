#pragma once

#include "platform/NativeHandle.h"

#include <QObject>

#include <functional>
#include <memory>

namespace pivora::ui {

// Calls `ready` from the event loop when the handle becomes ready: readable for a POSIX
// descriptor, signalled for a Windows handle. Watching stops when the object is destroyed.
std::unique_ptr<QObject> WatchHandle(pivora::platform::NativeHandle handle,
                                     std::function<void()> ready);

// Stops a watch made by WatchHandle at once, for a handle that may be closed before the
// watch is destroyed; safe from inside its own `ready`.
void StopWatching(QObject& watch);

} // namespace pivora::ui
