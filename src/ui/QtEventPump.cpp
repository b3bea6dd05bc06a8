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
    m_calls.push_back({LoopLevel(), nullptr, std::chrono::steady_clock::now() + kSlack});
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_calls.pop_back();
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
    m_calls.push_back(
        {LoopLevel() + 1, &wait,
         std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds) + kSlack});
    wait.loop.exec();
    m_calls.pop_back();
    // A loop that ended without its timer or a handle was told to leave by the application:
    // it is quitting, and every later wait would return at once.
    if (!wait.woken)
        m_quitting = true;
}

void QtEventPump::SetHeldUpWork(std::function<void()> work, int milliseconds)
{
    m_heldUpWork = std::move(work);
    m_workOwnerDepth = m_calls.size();
    if (!m_heldUpWork) {
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
    // The owner is between calls, and does the work itself.
    if (!m_heldUpWork || m_inHeldUpWork || m_calls.size() <= m_workOwnerDepth)
        return;
    // In its own call, with nothing nested inside, the owner's call ends in time by itself.
    if (m_calls.size() == m_workOwnerDepth + 1 && LoopLevel() <= m_calls.back().loopLevel &&
        std::chrono::steady_clock::now() <= m_calls.back().due)
        return;
    // The waits held up here return as soon as they can; until then they watch nothing that
    // the work may close.
    for (const Call& call : m_calls) {
        if (call.wait)
            call.wait->Wake();
    }
    m_inHeldUpWork = true;
    const std::function<void()> work = m_heldUpWork;
    work();
    m_inHeldUpWork = false;
}

} // namespace pivora::ui
