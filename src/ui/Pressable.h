#pragma once

#include <QAccessible>

class QAbstractButton;
class QKeyEvent;
class QWidget;

namespace pivora::ui {

// A control pressed as a button is: Tab reaches it, Enter, Return and Space press it, and
// assistive technologies see it with its role and a press action that returns at once, before
// whatever the press opens. The class that derives from it is a QWidget; one that is not a
// button calls PressKey from its keyPressEvent.
class Pressable
{
public:
    Pressable();
    virtual ~Pressable() = default;
    Pressable(const Pressable&) = delete;
    Pressable& operator=(const Pressable&) = delete;

    // What a press does; asked only while the control is enabled.
    virtual void Press() = 0;
    virtual QAccessible::Role PressRole() const { return QAccessible::Button; }

protected:
    // Presses on a pressing key; true when the key was taken.
    bool PressKey(const QWidget& self, const QKeyEvent& event);
};

// Enter and Return press the button as Space does, in a window that is not a dialog too.
void PressOnEnter(QAbstractButton& button);

} // namespace pivora::ui
