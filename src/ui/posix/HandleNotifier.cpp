#include "ui/HandleNotifier.h"

#include <QSocketNotifier>

namespace pivora::ui {

std::unique_ptr<QObject> WatchHandle(pivora::platform::NativeHandle handle,
                                     std::function<void()> ready)
{
    auto notifier =
        std::make_unique<QSocketNotifier>(static_cast<qintptr>(handle), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                     [ready = std::move(ready)] { ready(); });
    return notifier;
}

void StopWatching(QObject& watch)
{
    static_cast<QSocketNotifier&>(watch).setEnabled(false);
}

} // namespace pivora::ui
