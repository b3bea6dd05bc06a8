#pragma once

#include "ui/Pressable.h"

#include <QLabel>

namespace pivora::ui {

// A label that serves as a link: assistive technologies see a link, and the keyboard and
// their press action reach what a click on it does.
class LinkLabel : public QLabel, public Pressable
{
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

    void Press() override;
    QAccessible::Role PressRole() const override { return QAccessible::Link; }

signals:
    // Pressed without the mouse: by a key or by an assistive technology.
    void activated();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace pivora::ui
