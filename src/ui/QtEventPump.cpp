#include "ui/QtEventPump.h"

#include "ui/HandleNotifier.h"

#include <QCoreApplication>
#include <QEventLoop>
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
    std::vector<std::unique_ptr<QObject>> notifiers;
    for (const pivora::platform::NativeHandle handle : wakeOn)
        notifiers.push_back(WatchHandle(handle, wake));
    timer.start(milliseconds);
    loop.exec();
    // A loop that ended without its timer or a handle was told to leave by the application:
    // it is quitting, and every later wait would return at once.
    if (!woken)
        m_quitting = true;
}

} // namespace pivora::ui
