#include "ui/HandleNotifier.h"

#include <QWinEventNotifier>

namespace pivora::ui {

std::unique_ptr<QObject> WatchHandle(pivora::platform::NativeHandle handle,
                                     std::function<void()> ready)
{
    auto notifier = std::make_unique<QWinEventNotifier>(reinterpret_cast<HANDLE>(handle));
    QObject::connect(notifier.get(), &QWinEventNotifier::activated, notifier.get(),
                     [ready = std::move(ready)] { ready(); });
    return notifier;
}

void StopWatching(QObject& watch)
{
    static_cast<QWinEventNotifier&>(watch).setEnabled(false);
}

} // namespace pivora::ui
