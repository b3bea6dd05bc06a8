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

} // namespace pivora::ui
