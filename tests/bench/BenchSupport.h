#pragma once

#include "ui/frmMain.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace pivora::bench {

// The desktop is left alone: nothing is opened or played while measuring.
class NoDesktop : public pivora::ui::DesktopServices
{
public:
    void OpenFolder(const std::string&) override {}
    void OpenDocument(const std::string&) override {}
    void OpenUrl(const std::string&) override {}
    void PlaySound(const std::string&) override {}
};

// Folders of the benchmark's own, so that a running Pivora is not disturbed.
inline void UseOwnFolders(pivora::ui::frmMainSetup& setup, const QTemporaryDir& scratch)
{
    const std::string own = scratch.path().toStdString();
    setup.WorkFolder = own + "/cache/pivora/work";
    setup.TempCopiesFolder = own + "/cache/pivora/tmp";
    setup.SettingsFolder = own + "/config";
    setup.JournalFolder = own + "/state";
}

// Calls `idle` once `widget` has painted and then a whole turn of the event loop has passed
// without another paint: the moment the user sees the result and the window is theirs
// again, not the moment the function that started the work returned.
class IdleAfterPaint : public QObject
{
public:
    IdleAfterPaint(QWidget* widget, std::function<void()> idle)
        : m_widget(widget), m_idle(std::move(idle))
    {
        widget->installEventFilter(this);
        m_tick.setInterval(0);
        QObject::connect(&m_tick, &QTimer::timeout, this, [this] {
            if (m_paintedSinceTick) {
                m_paintedSinceTick = false;
                m_painted = true;
            } else if (m_painted) {
                m_tick.stop();
                m_idle();
            }
        });
        m_tick.start();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_widget && event->type() == QEvent::Paint)
            m_paintedSinceTick = true;
        return false;
    }

private:
    QWidget* m_widget;
    std::function<void()> m_idle;
    QTimer m_tick;
    bool m_painted = false;
    bool m_paintedSinceTick = false;
};

} // namespace pivora::bench
