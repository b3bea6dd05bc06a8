#include "ui/QtEventPump.h"

#include "ui/HandleNotifier.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <memory>
#include <vector>

namespace pivora::ui {

namespace {

// How long past its time a call of the pump may take before it counts as held up.
constexpr auto kSlack = std::chrono::milliseconds(100);

int LoopLevel()
{
    return QThread::currentThread()->loopLevel();
}

} // namespace

// A wait's loop, its timer and the handles it watches.
struct QtEventPump::PendingWait
{
    QEventLoop loop;
    QTimer timer;
    std::vector<std::unique_ptr<QObject>> watches;
    bool woken = false;

    // Ends the wait as soon as its loop runs again. The handles are watched no longer: a
    // handle that stays ready would otherwise wake a loop nested above this one without end,
    // and its owner may close it before this wait returns.
    void Wake()
    {
        woken = true;
        timer.stop();
        for (const auto& watch : watches)
            StopWatching(*watch);
        loop.quit();
    }
};

QtEventPump::QtEventPump() = default;
QtEventPump::~QtEventPump() = default;

void QtEventPump::ProcessEvents()
{
    if (m_quitting)
        return;
    m_calls.Enter({std::chrono::steady_clock::now() + kSlack, LoopLevel(), nullptr});
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_calls.Leave();
}

void QtEventPump::Wait(int milliseconds, std::span<const pivora::platform::NativeHandle> wakeOn)
{
    if (m_quitting)
        return;
    if (milliseconds <= 0) {
        ProcessEvents();
        return;
    }
    PendingWait wait;
    wait.timer.setSingleShot(true);
    QObject::connect(&wait.timer, &QTimer::timeout, &wait.loop, [&wait] { wait.Wake(); });
    for (const pivora::platform::NativeHandle handle : wakeOn)
        wait.watches.push_back(WatchHandle(handle, [&wait] { wait.Wake(); }));
    wait.timer.start(milliseconds);
    m_calls.Enter(
        {std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds) + kSlack,
         LoopLevel() + 1, [&wait] { wait.Wake(); }});
    wait.loop.exec();
    m_calls.Leave();
    // A loop that ended without its timer or a handle was told to leave by the application:
    // it is quitting, and every later wait would return at once.
    if (!wait.woken)
        m_quitting = true;
}

void QtEventPump::SetHeldUpWork(std::function<void()> work, int milliseconds)
{
    m_calls.SetWork(std::move(work));
    if (!m_calls.HasWork()) {
        if (m_heldUpTimer)
            m_heldUpTimer->stop();
        return;
    }
    if (!m_heldUpTimer) {
        m_heldUpTimer = std::make_unique<QTimer>();
        QObject::connect(m_heldUpTimer.get(), &QTimer::timeout, m_heldUpTimer.get(),
                         [this] { RunHeldUpWork(); });
    }
    m_heldUpTimer->start(std::max(1, milliseconds));
}

void QtEventPump::RunHeldUpWork()
{
    // A loop of Qt's own above the innermost call holds it up, such as a modal dialog's.
    m_calls.RunIfHeldUp(m_calls.Inside() && LoopLevel() > m_calls.Innermost().Level);
}

} // namespace pivora::ui
