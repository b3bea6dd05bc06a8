#include "ui/KeyboardFocus.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QShortcut>
#include <QStyleOptionMenuItem>

namespace pivora::ui {

namespace {

// A frame over the control that has the focus, drawn inside its edges so that it never
// covers a neighbour. It lies over the whole window and lets the mouse through.
class FocusRing : public QWidget
{
public:
    explicit FocusRing(QWidget* window) : QWidget(window)
    {
        setObjectName(QStringLiteral("focusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const qreal width = 2;
        painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), width));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(width / 2, width / 2, -width / 2, -width / 2));
    }
};

class FocusKeeper : public QObject
{
public:
    FocusKeeper() : QObject(qApp)
    {
        connect(qApp, &QApplication::focusChanged, this, &FocusKeeper::FocusChanged);
    }

    QWidget* Target() const { return m_ring && m_ring->isVisible() ? m_target.data() : nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_target) {
            switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide:
                Place();
                break;
            default:
                break;
            }
        }
        if (watched == m_displaced && event->type() == QEvent::EnabledChange &&
            m_displaced->isEnabled())
            GiveBack();
        return false;
    }

private:
    static bool Shown(const QWidget* widget)
    {
        // Menus and the menu bar show where they are themselves.
        return widget && !widget->isWindow() && !qobject_cast<const QMenuBar*>(widget) &&
               !qobject_cast<const QMenu*>(widget->window());
    }

    void FocusChanged(QWidget* old, QWidget* now)
    {
        // Within one window only: a dialog coming and going is not a move of the focus. With
        // nothing left to take it, the focus of a disabled control is cleared.
        if (old && (now ? now->window() == old->window() : !old->isEnabled())) {
            if (!old->isEnabled() && (!m_displaced || old == m_holder))
                Displaced(m_displaced ? m_displaced.data() : old, now);
            else
                Displaced(nullptr, nullptr);
        }
        Follow(now);
    }

    void Displaced(QWidget* from, QWidget* to)
    {
        QWidget* before = m_displaced;
        m_displaced = from;
        m_holder = to;
        Unwatch(before);
        if (from)
            from->installEventFilter(this);
    }

    // One filter serves both the ring's control and the displaced one.
    void Unwatch(QWidget* widget)
    {
        if (widget && widget != m_target && widget != m_displaced)
            widget->removeEventFilter(this);
    }

    void GiveBack()
    {
        QWidget* back = m_displaced;
        QWidget* holder = m_holder;

        Displaced(nullptr, nullptr);
        if (back->isVisible() && back->window()->focusWidget() == holder)
            back->setFocus(Qt::OtherFocusReason);
    }

    void Follow(QWidget* now)
    {
        if (m_target == now)
            return;
        QWidget* before = m_target;
        m_target = Shown(now) ? now : nullptr;
        Unwatch(before);
        if (m_target)
            m_target->installEventFilter(this);
        Place();
    }

    void Place()
    {
        if (!m_target || !m_target->isVisible()) {
            if (m_ring)
                m_ring->hide();
            return;
        }
        QWidget* window = m_target->window();
        if (!m_ring || m_ring->parentWidget() != window) {
            delete m_ring;
            m_ring = new FocusRing(window);
        }
        // What can be seen of the control: a list scrolled or a box partly covered by the
        // window's edge keeps its ring where it is seen.
        const QRect seen = m_target->visibleRegion().boundingRect();
        const QRect shown = seen.isEmpty() ? m_target->rect() : seen;
        m_ring->setGeometry(QRect(m_target->mapTo(window, shown.topLeft()), shown.size()));
        m_ring->raise();
        m_ring->show();
        m_ring->update();
    }

    QPointer<QWidget> m_target;
    QPointer<FocusRing> m_ring;
    QPointer<QWidget> m_displaced; // lost the focus by being disabled
    QPointer<QWidget> m_holder;    // where the focus went then
};

// The one keeper of the application; gone with it.
QPointer<FocusKeeper>& TheKeeper()
{
    static QPointer<FocusKeeper> keeper;
    return keeper;
}

// Fusion highlights a menu bar title only while its menu is open; a title that the keyboard
// has reached (the menu bar has the focus then) is highlighted the same way.
class MenuBarStyle : public QProxyStyle
{
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_MenuBarItem && widget && widget->hasFocus() &&
            (option->state & State_Selected)) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem reached = *item;
                reached.state |= State_Sunken;
                QProxyStyle::drawControl(element, &reached, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

void KeepFocusVisible()
{
    if (!TheKeeper())
        TheKeeper() = new FocusKeeper;
}

QWidget* FocusRingTarget()
{
    const FocusKeeper* keeper = TheKeeper();
    return keeper ? keeper->Target() : nullptr;
}

void MenuBarKeys(QMainWindow& window)
{
    QMenuBar* bar = window.menuBar();
    auto* style = new MenuBarStyle;
    style->setParent(bar);
    bar->setStyle(style);
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), &window);
    QObject::connect(f10, &QShortcut::activated, bar, [bar] {
        for (QAction* title : bar->actions()) {
            if (title->isVisible() && title->isEnabled()) {
                bar->setActiveAction(title);
                return;
            }
        }
    });
}

} // namespace pivora::ui
