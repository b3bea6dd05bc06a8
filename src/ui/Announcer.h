#pragma once

#include <QWidget>

#include <cstddef>

class QProgressBar;

namespace pivora::ui {

// Tells screen readers a short text without moving the focus: a notification with the text as
// its name appears on the accessibility bus, which screen readers read as it appears. Nothing
// shows on the screen.
class Announcer : public QWidget
{
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);

    void Announce(const QString& text);
    const QString& Text() const { return m_text; }

private:
    QString m_text;
};

// A progress bar as screen readers see it: its name and its percentage, without the Increase
// and Decrease actions that a value offers, which do nothing for a bar the user cannot move.
void ReadOnlyProgressBar(QProgressBar& bar);

} // namespace pivora::ui
