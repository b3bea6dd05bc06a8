#include "ui/LinkLabel.h"

#include <QKeyEvent>

namespace pivora::ui {

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void LinkLabel::Press()
{
    emit activated();
}

void LinkLabel::keyPressEvent(QKeyEvent* event)
{
    if (!PressKey(*this, *event))
        QLabel::keyPressEvent(event);
}

} // namespace pivora::ui
