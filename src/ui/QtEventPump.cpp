#include "ui/QtEventPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>
#include <vector>

namespace pivora::ui {

void QtEventPump::ProcessEvents()
{
    if (!m_quitting)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::Wait(int milliseconds, std::span<const pivora::platform::NativeHandle> wakeOn)
{
    if (m_quitting)
        return;
    if (milliseconds <= 0) {
        ProcessEvents();
        return;
    }
    QEventLoop loop;
    bool woken = false;
    const auto wake = [&] {
        woken = true;
        loop.quit();
    };
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, wake);
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
    for (const pivora::platform::NativeHandle handle : wakeOn) {
        auto notifier =
            std::make_unique<QSocketNotifier>(static_cast<qintptr>(handle), QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, &loop, wake);
        notifiers.push_back(std::move(notifier));
    }
    timer.start(milliseconds);
    loop.exec();
    // A loop that ended without its timer or a handle was told to leave by the application:
    // it is quitting, and every later wait would return at once.
    if (!woken)
        m_quitting = true;
}

} // namespace pivora::ui
