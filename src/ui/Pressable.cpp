#include "ui/Pressable.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

namespace pivora::ui {

namespace {

bool PlainKey(const QKeyEvent& event)
{
    return (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool IsEnterKey(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

// What assistive technologies see of a Pressable: its role, and a press action beside the
// widget's own actions.
class PressableAccessible : public QAccessibleWidget
{
public:
    PressableAccessible(QWidget* widget, Pressable& target)
        : QAccessibleWidget(widget, target.PressRole()), m_target(target)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        QString value = QAccessibleWidget::text(kind);
        if (kind != QAccessible::Name || !value.isEmpty())
            return value;
        // Else its caption, as for other buttons and labels.
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget()))
            return button->text();
        if (const auto* label = qobject_cast<const QLabel*>(widget()))
            return label->text();
        return value;
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override
    {
        if (name != pressAction()) {
            QAccessibleWidget::doAction(name);
            return;
        }
        // From the event loop, as a button's press action does: the assistive technology
        // waits for the action's answer, and the press may open a modal dialog.
        QWidget* control = widget();
        Pressable* target = &m_target;
        QTimer::singleShot(0, control, [control, target] {
            if (control->isEnabled())
                target->Press();
        });
    }

private:
    Pressable& m_target;
};

QAccessibleInterface* PressableFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    auto* target = dynamic_cast<Pressable*>(object);
    if (!widget || !target)
        return nullptr;
    return new PressableAccessible(widget, *target);
}

// Presses its button on Enter or Return.
class EnterPresses : public QObject
{
public:
    explicit EnterPresses(QAbstractButton& button) : QObject(&button)
    {
        button.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (!IsEnterKey(key) || !PlainKey(key))
            return false;
        auto* button = static_cast<QAbstractButton*>(watched);
        if (!key.isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
};

} // namespace

Pressable::Pressable()
{
    static const bool installed = [] {
        QAccessible::installFactory(&PressableFactory);
        return true;
    }();
    (void)installed;
}

bool Pressable::PressKey(const QWidget& self, const QKeyEvent& event)
{
    if (!PlainKey(event) || !(IsEnterKey(event) || event.key() == Qt::Key_Space))
        return false;
    if (!event.isAutoRepeat() && self.isEnabled())
        Press();
    return true;
}

void PressOnEnter(QAbstractButton& button)
{
    new EnterPresses(button);
}

} // namespace pivora::ui
